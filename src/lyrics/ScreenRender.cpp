#include "ScreenRender.h"

#include "Palette.h"
#include "Settings.h"

#include <QFontMetrics>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace lirmus {
namespace {

// How dark the veil over a picture is: the words stay readable on any photo.
constexpr int kPictureVeil = 150;
constexpr int kCardVeil = 110;
// Pictures larger than this are read scaled down: a camera's photo would take long.
constexpr int kLargestPictureSide = 8192;

QImage readPicture(const QString& path, const QSize& screen)
{
    QImageReader reader(path);
    const QSize full = reader.size();
    if (full.isValid() && std::max(full.width(), full.height()) > kLargestPictureSide)
        reader.setScaledSize(full.scaled(kLargestPictureSide, kLargestPictureSide, Qt::KeepAspectRatio));
    QImage img = reader.read();
    if (img.isNull()) return img;
    // Fill the screen, keeping the proportions; what sticks out is cut off evenly.
    img = img.scaled(screen, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return img.copy((img.width() - screen.width()) / 2, (img.height() - screen.height()) / 2, screen.width(),
                    screen.height());
}

} // namespace

ScreenRender::ScreenRender(const Settings& settings) : settings_(settings) { setRowFont(QFont()); }

void ScreenRender::setSize(const QSize& size)
{
    if (size == size_) return;
    size_ = size;
    geometry_ = screenGeometry(size, guide_);
    background_ = QImage();
}

void ScreenRender::setGuide(bool on)
{
    guide_ = on;
    geometry_ = screenGeometry(size_, on);
}

void ScreenRender::setPicture(const QString& path)
{
    if (path == picture_) return;
    picture_ = path;
    background_ = QImage();
}

void ScreenRender::lookChanged()
{
    background_ = QImage();
    images_.clear();
    asked_.clear();
    ++generation_;
    maker_.dropPending();
}

QColor ScreenRender::textColor() const { return fromRgbLong(settings_.ScreenTextColor); }
QColor ScreenRender::sungColor() const { return fromRgbLong(settings_.ScreenSungColor); }
QColor ScreenRender::outlineColor() const { return fromRgbLong(settings_.ScreenOutlineColor); }

const QImage& ScreenRender::background() const
{
    if (!background_.isNull() || size_.isEmpty()) return background_;
    background_ = QImage(size_, QImage::Format_RGB32);
    QPainter p(&background_);
    const Settings::ScreenBack kind = settings_.ScreenBackground;
    if (kind == Settings::ScreenBack::Pictures && !picture_.isEmpty()) {
        const QImage picture = readPicture(picture_, size_);
        if (!picture.isNull()) {
            p.drawImage(0, 0, picture);
            p.fillRect(background_.rect(), QColor(0, 0, 0, kPictureVeil));
            return background_;
        }
    }
    if (kind == Settings::ScreenBack::Colour) {
        p.fillRect(background_.rect(), fromRgbLong(settings_.KaraokeBackColor));
    } else {
        QLinearGradient g(0, 0, 0, size_.height());
        g.setColorAt(0, fromRgbLong(settings_.ScreenGradientTop));
        g.setColorAt(1, fromRgbLong(settings_.ScreenGradientBottom));
        p.fillRect(background_.rect(), g);
    }
    return background_;
}

void ScreenRender::setRowFont(const QFont& font)
{
    if (font == rowFont_) return;
    if (font.family() != rowFont_.family()) lookChanged();
    rowFont_ = font;
    rowHeight_ = std::max(QFontMetrics(rowFont_).height(), 1);
}

QRect ScreenRender::rowBand(int row, int count, int pageRows) const
{
    const QRect& area = geometry_.rows;
    const int total = (count + pageRows) * rowHeight_;
    const int top = area.top() + std::max(area.height() - total, 0) / 2;
    return QRect(area.left(), top + (row - 1) * rowHeight_, area.width(), rowHeight_);
}

int ScreenRender::textWidth(const QString& text) const { return QFontMetrics(rowFont_).horizontalAdvance(text); }

int ScreenRender::textLeft(const QString& text, const QRect& band) const
{
    return band.left() + std::max(band.width() - textWidth(text), 0) / 2;
}

QString ScreenRender::keyOf(const QString& text, int pixels) const
{
    return QString::number(pixels) + QChar(0x1f) + text;
}

RowStyle ScreenRender::rowStyle() const { return {textColor(), sungColor(), outlineColor(), settings_.ScreenOutline}; }

void ScreenRender::collect() const
{
    for (RowImageMaker::Done& d : maker_.takeDone()) {
        asked_.remove(d.key);
        if (d.generation != generation_) continue;
        const QString text = d.key.mid(d.key.indexOf(QChar(0x1f)) + 1);
        images_.insert(d.key, Entry{text, std::move(d.images)});
    }
}

const RowImages& ScreenRender::images(const QString& text) const
{
    collect();
    const QString key = keyOf(text, rowFont_.pixelSize());
    auto it = images_.find(key);
    // Not made ahead: made now, here.
    if (it == images_.end()) it = images_.insert(key, Entry{text, drawRowImages(text, rowFont_, rowStyle())});
    return it->images;
}

bool ScreenRender::warm(const QString& text, int pixels) const
{
    if (text.isEmpty()) return false;
    if (pixels <= 0) pixels = rowFont_.pixelSize();
    const QString key = keyOf(text, pixels);
    if (asked_.contains(key)) return false;
    collect();
    if (images_.contains(key)) return false;
    QFont font = rowFont_;
    font.setPixelSize(pixels);
    maker_.request(key, generation_, text, font, rowStyle());
    asked_.insert(key);
    return true;
}

bool ScreenRender::isWarm(const QString& text) const
{
    collect();
    return images_.contains(keyOf(text, rowFont_.pixelSize()));
}

void ScreenRender::keepOnly(const QStringList& texts) const
{
    collect();
    for (auto it = images_.begin(); it != images_.end();)
        it = texts.contains(it->text) ? std::next(it) : images_.erase(it);
}

void ScreenRender::drawRow(QPainter& p, const QRect& band, const QString& text, int sungPx) const
{
    if (text.isEmpty()) return;
    const RowImages& im = images(text);
    const int x = textLeft(text, band) - im.pad, y = band.top() - im.pad;
    const int w = im.unsung.width(), h = im.unsung.height();
    const int split = std::clamp(im.pad + sungPx, 0, w);
    if (sungPx <= 0) {
        p.drawImage(x, y, im.unsung);
        return;
    }
    p.drawImage(QRect(x, y, split, h), im.sung, QRect(0, 0, split, h));
    if (split < w) p.drawImage(QRect(x + split, y, w - split, h), im.unsung, QRect(split, 0, w - split, h));
}

QRect ScreenRender::countInRect(const QRect& band, const QString& text) const
{
    const int d = std::max(rowHeight_ * 28 / 100, 4), gap = d * 3 / 5;
    const int width = 3 * d + 2 * gap;
    const int x = std::max(band.left(), textLeft(text, band) - width - d);
    return QRect(x, band.top() + (band.height() - d) / 2, width, d);
}

void ScreenRender::drawCountIn(QPainter& p, const QRect& band, const QString& text, int beatsLeft) const
{
    if (beatsLeft <= 0) return;
    const QRect r = countInRect(band, text);
    const int d = r.height(), gap = (r.width() - 3 * d) / 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(settings_.ScreenOutline ? QPen(outlineColor(), std::max(1, d / 8)) : Qt::NoPen);
    p.setBrush(sungColor());
    // The dots go from the left, one a beat: the last one goes as the line begins.
    for (int i = 3 - beatsLeft; i < 3; ++i) p.drawEllipse(QRect(r.left() + i * (d + gap), r.top(), d, d));
    p.restore();
}

void ScreenRender::drawText(QPainter& p, const QRect& box, const QString& text, const QFont& font,
                            const QColor& fill, Qt::Alignment align) const
{
    if (text.isEmpty()) return;
    const RowImages im = drawRowImages(text, font, {fill, fill, outlineColor(), settings_.ScreenOutline});
    const int w = im.unsung.width() - 2 * im.pad, h = im.unsung.height() - 2 * im.pad;
    int x = box.left() + (box.width() - w) / 2;
    if (align & Qt::AlignLeft) x = box.left();
    p.drawImage(x - im.pad, box.top() + (box.height() - h) / 2 - im.pad, im.unsung);
}

void ScreenRender::drawTitle(QPainter& p, const SongCredits& credits) const
{
    const QRect band = geometry_.title;
    // Drawn once for the song and the screen: a page that changes size repaints
    // everything, and the title's letters are as costly as a row's.
    const QString key = credits.title + QChar(0x1f) + credits.artist + QChar(0x1f) + rowFont_.family() +
                        QChar(0x1f) + QString::number(band.width()) + 'x' + QString::number(band.height()) +
                        QChar(0x1f) + QString::number(generation_);
    if (key != titleKey_) {
        titleKey_ = key;
        titleImage_ = QImage(band.size(), QImage::Format_ARGB32_Premultiplied);
        titleImage_.fill(Qt::transparent);
        QPainter t(&titleImage_);
        QFont font = rowFont_;
        font.setBold(true);
        const TitleFit fit = fitTitle(font, credits, band.size());
        font.setPixelSize(std::max(fit.pixels, 1));
        const int lineH = fit.lines.isEmpty() ? 0 : band.height() / int(fit.lines.size());
        for (int i = 0; i < fit.lines.size(); ++i) {
            QFont f = font;
            f.setBold(i == 0); // the artist under the title in plain letters
            drawText(t, QRect(0, i * lineH, band.width(), lineH), fit.lines[i], f,
                     i == 0 ? textColor() : textColor().darker(115), Qt::AlignHCenter);
        }
    }
    p.drawImage(band.topLeft(), titleImage_);
}

void ScreenRender::drawCard(QPainter& p, const TitleCard& card) const
{
    p.drawImage(0, 0, background());
    p.fillRect(QRect(QPoint(0, 0), size_), QColor(0, 0, 0, kCardVeil));
    const int W = size_.width() - 2 * geometry_.margin, H = size_.height();
    QFont font = rowFont_;
    const auto line = [&](const QString& text, int top, int height, bool bold, const QColor& colour) {
        if (text.isEmpty()) return;
        QFont f = font;
        f.setBold(bold);
        f.setPixelSize(fitPixelSize(f, {text}, W, height * 8 / 10, 1, 6));
        drawText(p, QRect(geometry_.margin, top, W, height), text, f, colour, Qt::AlignHCenter);
    };
    if (card.ended) {
        // The song just sung, with the singer's score.
        line(QStringLiteral("Score"), H * 6 / 100, H * 10 / 100, false, sungColor());
        line(card.credits.title, H * 18 / 100, H * 14 / 100, true, textColor());
        if (!card.singer.isEmpty()) line(card.singer, H * 33 / 100, H * 9 / 100, true, sungColor());
        line(QString::number(std::max(card.score, 0)), H * 44 / 100, H * 30 / 100, true, sungColor());
        if (card.best >= 0) line(QStringLiteral("Best: %1").arg(card.best), H * 78 / 100, H * 8 / 100, false, textColor());
        return;
    }
    if (card.score >= 0)
        line(QStringLiteral("Last song: %1").arg(card.score), H * 3 / 100, H * 7 / 100, false, textColor());
    line(QStringLiteral("Up next"), H * 14 / 100, H * 10 / 100, false, sungColor());
    line(card.credits.title, H * 28 / 100, H * 20 / 100, true, textColor());
    line(card.credits.artist, H * 50 / 100, H * 10 / 100, false, textColor());
    if (!card.singer.isEmpty()) line(QStringLiteral("Sung by ") + card.singer, H * 64 / 100, H * 10 / 100, true, sungColor());
    if (card.place > 0 && card.count > 0)
        line(QStringLiteral("%1 of %2 in the queue").arg(card.place).arg(card.count), H * 80 / 100, H * 7 / 100, false,
             textColor());
    drawPartyCorner(p, card);
}

void ScreenRender::drawPartyCorner(QPainter& p, const TitleCard& card) const
{
    if (card.partyAddress.isEmpty()) return;
    // Bottom right, small enough to stay clear of the centred lines above it.
    const int H = size_.height(), gap = std::max(4, H / 100);
    const int textH = H * 4 / 100, side = card.partyQr.isNull() ? 0 : H * 24 / 100;
    const int right = size_.width() - geometry_.margin, bottom = H - gap;
    const QString text = QStringLiteral("Request songs: ") + card.partyAddress;
    QFont f = rowFont_;
    f.setBold(false);
    const int textW = std::max(side, size_.width() / 3);
    f.setPixelSize(fitPixelSize(f, {text}, textW, textH * 8 / 10, 1, 6));
    drawText(p, QRect(right - textW, bottom - textH, textW, textH), text, f, textColor(), Qt::AlignRight);
    if (side > 0) {
        // Whole pixels a module keep the code readable by a phone across the room.
        const int modules = card.partyQr.width(), scale = std::max(1, side / std::max(1, modules));
        const QImage qr = card.partyQr.scaled(modules * scale, modules * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        p.drawImage(right - qr.width(), bottom - textH - gap - qr.height(), qr);
    }
}

} // namespace lirmus
