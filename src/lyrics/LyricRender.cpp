#include "LyricRender.h"

#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "Palette.h"
#include "Settings.h"
#include "Twips.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kRightMargin = 120;   // twips kept free at the right of a centred row
constexpr int kSmallestMargin = 30; // a margin below this is not worth centring for
constexpr int kWorkBorder = 4;      // pixels the squeezed copy leaves off both images

} // namespace

LyricRender::LyricRender(const LyricDisplayState& state, const Settings& settings)
    : state_(state), settings_(settings), metrics_(font_)
{
    PrepareWorkPicture();
}

void LyricRender::setFont(const QFont& font)
{
    font_ = font;
    metrics_ = QFontMetrics(font_);
    for (Measured& m : widths_) m = Measured{};
    rowCache_.clear();
    PrepareWorkPicture();
}

void LyricRender::setRowCache(bool on)
{
    cacheRows_ = on;
    rowCache_.clear();
}

int LyricRender::sungEdgePx(const QString& text, long sungChars) const
{
    const int n = int(std::clamp<long>(sungChars, 0, text.size()));
    if (!isSqueezed(text)) return px(CenterX(text)) + advancePx(text.left(n));
    const int natural = advancePx(text);
    return natural > 0 ? int(double(advancePx(text.left(n))) * (boxWidthPx_ - kWorkBorder) / natural) : 0;
}

QImage LyricRender::rowImage(const QString& text, long sungChars) const
{
    QImage img(rowBand(1).size(), QImage::Format_RGB32);
    img.fill(backColor());
    QPainter p(&img);
    drawRow(p, 1, text, sungChars, foreColor());
    return img;
}

LyricRender::CachedRow& LyricRender::cachedRow(const QString& text) const
{
    const QRgb back = backColor().rgb(), fore = foreColor().rgb(), play = playColor().rgb();
    const QSize size = rowBand(1).size();
    if (back != cachedBack_ || fore != cachedFore_ || play != cachedPlay_ || size != cachedSize_) {
        rowCache_.clear();
        cachedBack_ = back, cachedFore_ = fore, cachedPlay_ = play, cachedSize_ = size;
    }
    CachedRow& c = rowCache_[text];
    if (c.unsung.isNull()) c.unsung = rowImage(text, 0);
    return c;
}

void LyricRender::drawCachedRow(QPainter& p, int row, const QString& text, long sungChars) const
{
    CachedRow& c = cachedRow(text);
    const QRect band = rowBand(row);
    p.drawImage(band.topLeft(), c.unsung);
    if (sungChars <= 0 || text.isEmpty()) return;
    // The sung part comes from the row drawn all sung, up to where the syllable ends.
    if (c.sung.isNull()) c.sung = rowImage(text, text.size());
    const int edge = std::min(sungEdgePx(text, sungChars), band.width());
    if (edge > 0) p.drawImage(QRect(band.left(), band.top(), edge, band.height()), c.sung, QRect(0, 0, edge, band.height()));
}

void LyricRender::warmRowCache(const QStringList& upcoming) const
{
    if (!cacheRows_) return;
    QStringList keep = upcoming;
    for (int r = 1; r <= 4; ++r) keep << state_.LyricRowText[size_t(r)];
    for (auto it = rowCache_.begin(); it != rowCache_.end();)
        it = keep.contains(it.key()) ? std::next(it) : rowCache_.erase(it);
    for (const QString& text : keep) {
        CachedRow& c = cachedRow(text);
        if (c.sung.isNull() && !text.isEmpty()) c.sung = rowImage(text, text.size());
    }
}

void LyricRender::PrepareWorkPicture() { RowHeight_ = twips(metrics_.height()); }

QColor LyricRender::backColor() const { return fromRgbLong(settings_.KaraokeBackColor); }
QColor LyricRender::foreColor() const { return fromRgbLong(settings_.KaraokeForeColor); }
QColor LyricRender::playColor() const { return fromRgbLong(settings_.KaraokePlayColor); }

int LyricRender::advancePx(const QString& text) const
{
    if (text.isEmpty()) return 0;
    for (const Measured& m : widths_)
        if (m.text.size() == text.size() && m.text == text) return m.px;
    Measured& slot = widths_[nextWidth_++ % widths_.size()];
    slot.text = text;
    slot.px = metrics_.horizontalAdvance(text);
    return slot.px;
}

long LyricRender::textWidth(const QString& text) const { return twips(advancePx(text)); }

int LyricRender::CenterX(const QString& text) const
{
    if (!settings_.KaraokeCentered) return 0;
    const long m = twips(boxWidthPx_) - kRightMargin - textWidth(text);
    return m >= kSmallestMargin ? int(m / 2) : 0;
}

bool LyricRender::isSqueezed(const QString& text) const { return textWidth(text) > twips(boxWidthPx_); }

QRect LyricRender::rowBand(int row) const
{
    return QRect(0, px((row - 1) * RowHeight_), std::max(boxWidthPx_, 1), px(RowHeight_));
}

void LyricRender::ClearLyricRow(QPainter& p, int row) const { p.fillRect(rowBand(row), backColor()); }

void LyricRender::drawRow(QPainter& p, int row, const QString& text, long sungChars, const QColor& fore) const
{
    if (text.isEmpty()) return;
    if (isSqueezed(text)) {
        PrintRowSqueezed(p, row, text, fore, sungChars);
        return;
    }
    const QRect band = rowBand(row);
    const int x = px(CenterX(text));
    const int baseline = band.top() + metrics_.ascent();
    p.save();
    p.setFont(font_);
    const long n = std::clamp<long>(sungChars, 0, text.size());
    if (n <= 0) {
        p.setPen(fore);
        p.drawText(x, baseline, text);
    } else {
        // The sung part and the rest each drawn inside their own side of the
        // split, so no glyph is drawn twice and no dark fringe shows.
        const int split = sungEdgePx(text, n);
        p.save();
        p.setClipRect(QRect(band.left(), band.top(), split - band.left(), band.height()), Qt::IntersectClip);
        p.setPen(playColor());
        p.drawText(x, baseline, text);
        p.restore();
        if (n < text.size()) {
            p.setClipRect(QRect(split, band.top(), std::max(band.right() - split + 1, 0), band.height()),
                          Qt::IntersectClip);
            p.setPen(fore);
            p.drawText(x, baseline, text);
        }
    }
    p.restore();
}

void LyricRender::PrintRowSqueezed(QPainter& p, int row, const QString& text, const QColor& colour,
                                   long sungChars) const
{
    // The row as it would be printed at its natural width, compressed
    // horizontally to the box (less the work picture's border) and kept at
    // its height. A horizontal scale of the painter gives what the
    // stretched copy of an off-screen print gives, with sharp glyphs.
    const int natural = advancePx(text);
    const int target = boxWidthPx_ - kWorkBorder;
    if (natural <= 0 || target <= 0) return;
    const QRect band = rowBand(row);
    const double scale = double(target) / natural;
    const long n = std::clamp<long>(sungChars, 0, text.size());
    p.save();
    p.setClipRect(QRect(band.left(), band.top(), target, band.height()), Qt::IntersectClip);
    p.translate(0, band.top());
    p.scale(scale, 1.0);
    p.setFont(font_);
    const int split = n > 0 ? advancePx(text.left(int(n))) : 0;
    if (n > 0) {
        p.save();
        p.setClipRect(QRect(0, 0, split, band.height()), Qt::IntersectClip);
        p.setPen(playColor());
        p.drawText(0, metrics_.ascent(), text);
        p.restore();
    }
    if (n < text.size()) {
        p.setClipRect(QRect(split, 0, natural - split + 1, band.height()), Qt::IntersectClip);
        p.setPen(colour);
        p.drawText(0, metrics_.ascent(), text);
    }
    p.restore();
}

void LyricRender::PrintLyricRow(QPainter& p, int row) const
{
    drawRow(p, row, state_.LyricRowText[size_t(row)], 0, foreColor());
}

void LyricRender::PrintSysexRow(QPainter& p, int row) const
{
    drawRow(p, row, state_.SysexRows[size_t(row)], 0, foreColor());
}

void LyricRender::PrintSysexRowSung(QPainter& p, int row) const
{
    const QString& text = state_.SysexRows[size_t(row)];
    drawRow(p, row, text, text.size(), playColor());
}

void LyricRender::PaintSungPart(QPainter& p, int row, int column, int length) const
{
    drawRow(p, row, state_.LyricRowText[size_t(row)], sungCharacters(column, length), foreColor());
}

void LyricRender::RedrawLyricRows(QPainter& p, const QRect& dirty) const
{
    const int rows = std::clamp(settings_.KaraokeRows, 2, 4);
    for (int r = 1; r <= rows; ++r) {
        if (!rowBand(r).intersects(dirty)) continue;
        if (cacheRows_) {
            const long sung = r == state_.LastSungRow ? sungCharacters(state_.LastSungColumn, state_.LastSungLength) : 0;
            drawCachedRow(p, r, state_.LyricRowText[size_t(r)], sung);
        } else if (r == state_.LastSungRow)
            PaintSungPart(p, r, state_.LastSungColumn, state_.LastSungLength);
        else
            PrintLyricRow(p, r);
    }
}

void LyricRender::RedrawSysexRows(QPainter& p, const QRect& dirty) const
{
    for (int r = 1; r <= 4; ++r) {
        if (!rowBand(r).intersects(dirty)) continue;
        if (state_.SysexRowSung[size_t(r)]) PrintSysexRowSung(p, r);
        else PrintSysexRow(p, r);
    }
}

} // namespace lirmus
