#include "frmKaraokeScreen.h"

#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "SongState.h"
#include "LyricDisplayState.h"
#include "LyricWidgets.h"
#include "Palette.h"
#include "Settings.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace lirmus {
namespace {

constexpr int kBarBoxTwips = 1005; // the lyrics window's countdown box: full at about two seconds
constexpr int kLargestPixels = 2000;

int widestAdvance(const QFontMetrics& m, const QStringList& lines)
{
    int w = 0;
    for (const QString& l : lines) w = std::max(w, m.horizontalAdvance(l));
    return w;
}

void setPixelFont(QLabel* label, int pixels, bool bold)
{
    QFont f = label->font();
    f.setPixelSize(std::max(pixels, 6));
    f.setBold(bold);
    label->setFont(f);
}

} // namespace

int fitPixelSize(const QFont& family, const QStringList& lines, int width, int height, int rows, int minPx)
{
    rows = std::max(rows, 1);
    QFont f = family;
    f.setPixelSize(100);
    const QFontMetrics at100(f);
    // Only the lines near the widest can be the widest at another size.
    const int widest100 = widestAdvance(at100, lines);
    QStringList candidates;
    for (const QString& l : lines)
        if (at100.horizontalAdvance(l) * 100 >= widest100 * 95) candidates << l;
    const auto fits = [&](int pixels) {
        f.setPixelSize(pixels);
        const QFontMetrics m(f);
        return widestAdvance(m, candidates) <= width && rows * m.height() <= height;
    };
    double scale = double(height) / (rows * std::max(at100.height(), 1));
    if (widest100 > 0) scale = std::min(scale, double(width) / widest100);
    int pixels = std::clamp(int(scale * 100), minPx, kLargestPixels);
    // Hinting keeps widths from scaling exactly: settle on the size by trying.
    while (pixels > minPx && !fits(pixels)) --pixels;
    while (pixels < kLargestPixels && fits(pixels + 1)) ++pixels;
    return pixels;
}

QScreen* chooseKaraokeScreen(const QString& name, const QScreen* avoid)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens)
        if (!name.isEmpty() && s->name() == name) return s;
    for (QScreen* s : screens)
        if (s != avoid) return s;
    return QGuiApplication::primaryScreen();
}

frmKaraokeScreen::frmKaraokeScreen(LyricCursor& cursor, const Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), cursor_(cursor), settings_(settings),
      render_(cursor.state(), settings)
{
    setObjectName("frmKaraokeScreen");
    setWindowTitle("Karaoke Screen");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    lblTitolo = new QLabel(this);
    lblTitolo->setObjectName("lblTitolo");
    lblMarker = new QLabel(this);
    lblMarker->setObjectName("lblMarker");
    lblMarker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    picLyr = new LyricBox(LyricBox::Kind::Lyrics, render_, this);
    picLyr->setObjectName("picLyr");
    picSysex = new LyricBox(LyricBox::Kind::TextPage, render_, this);
    picSysex->setObjectName("picSysex");
    lbNLyr = new QLabel(this);
    lbNLyr->setObjectName("lbNLyr");
    picNextLyr = new CountdownBar(paletteColor(9), this);
    picNextLyr->setObjectName("picNextLyr");
    picNextLyrA = new CountdownBar(paletteColor(12), this);
    picNextLyrA->setObjectName("picNextLyrA");
    for (int i = 0; i < 2; ++i) {
        lblAccordo[size_t(i)] = new QLabel(this);
        lblAccordo[size_t(i)]->setObjectName(QString("lblAccordo(%1)").arg(i));
        lblAccordo[size_t(i)]->setAlignment(Qt::AlignCenter);
    }
    // The pointer's moves reach the window whatever it is over.
    for (QWidget* w : findChildren<QWidget*>()) w->setAttribute(Qt::WA_TransparentForMouseEvents);

    pointerTimer_.setSingleShot(true);
    pointerTimer_.setInterval(kPointerHideMs);
    connect(&pointerTimer_, &QTimer::timeout, this, [this] { setCursor(Qt::BlankCursor); });
    warmTimer_.setSingleShot(true);
    warmTimer_.setInterval(kWarmDelayMs);
    connect(&warmTimer_, &QTimer::timeout, this, &frmKaraokeScreen::warmRows);
    connect(qApp, &QGuiApplication::screenRemoved, this, &frmKaraokeScreen::screenRemoved);

    cursor_.attachSurface(this);
    // What the cursor showed before the screen opened.
    for (int c = 0; c <= int(LyricCaption::LyricTooltip); ++c) captionChanged(LyricCaption(c), cursor_.caption(LyricCaption(c)));
    countdownsChanged(cursor_.lyricCountdownMs(), cursor_.chordCountdownMs());
    applyLook();
}

frmKaraokeScreen::~frmKaraokeScreen() { cursor_.detachSurface(this); }

void frmKaraokeScreen::openOn(QScreen* screen)
{
    target_ = screen;
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    activateWindow();
    showPointer();
}

void frmKaraokeScreen::screenRemoved(QScreen* screen)
{
    if (screen && screen == target_) close();
}

void frmKaraokeScreen::applyLook()
{
    const QColor back = render_.backColor(), fore = render_.foreColor();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, fore);
    setPalette(pal);
    QPalette chord = pal;
    chord.setColor(QPalette::WindowText, render_.playColor());
    lblAccordo[0]->setPalette(chord);
    picNextLyr->setBackColor(back);
    picNextLyrA->setBackColor(back);
    fitted_.clear(); // the font may have changed: fit again
    refit();
    update();
}

void frmKaraokeScreen::PreparaPicLyric() { applyLook(); }

QStringList frmKaraokeScreen::linesToFit() const
{
    QStringList lines = cursor_.song().LyricLines;
    if (lines.isEmpty())
        for (int r = 1; r <= 4; ++r) lines << cursor_.state().LyricRowText[size_t(r)];
    if (cursor_.state().SysexShown) lines << cursor_.song().InfoTexts;
    return lines;
}

void frmKaraokeScreen::refit()
{
    const LyricDisplayState& s = cursor_.state();
    const int rows = (s.SysexBesideLyrics ? cursor_.rows() : 0) + (s.SysexShown ? 4 : 0);
    QStringList lines = linesToFit();
    // A new song, another row count, a text page or another size: else nothing to do.
    if (lines == fitted_ && rows == fittedRows_ && size() == fittedSize_) return;
    fitted_ = std::move(lines);
    fittedRows_ = rows;
    fittedSize_ = size();
    layOut();
}

void frmKaraokeScreen::layOut()
{
    const LyricDisplayState& s = cursor_.state();
    const int W = width(), H = height();
    const int margin = std::max(8, W / 48);
    const int topH = H / 10, bottomH = H / 8;
    const int boxW = std::max(W - 2 * margin, 1);
    const int midH = std::max(H - topH - bottomH, 1);

    // The centred rows keep a right margin free: the widest line fits inside it.
    QFont font(QString::fromStdString(settings_.KaraokeFont));
    const int usable = std::max(boxW - px(120) - 2, 1);
    font.setPixelSize(fitPixelSize(font, fitted_, usable, midH, std::max(fittedRows_, cursor_.rows())));
    render_.setFont(font);
    render_.setBoxWidth(boxW);
    // Glyphs this size are filled from their outlines at every paint: keep the rows as images.
    render_.setRowCache(true);
    const int rowPx = px(render_.RowHeight());

    const int lyrH = s.SysexBesideLyrics ? cursor_.rows() * rowPx : 0;
    const int sysH = s.SysexShown ? 4 * rowPx : 0;
    int top = topH + std::max(midH - lyrH - sysH, 0) / 2;
    picLyr->setVisible(lyrH > 0);
    picLyr->setGeometry(margin, top, boxW, lyrH);
    top += lyrH;
    picSysex->setVisible(sysH > 0);
    picSysex->setGeometry(margin, top, boxW, sysH);

    setPixelFont(lblTitolo, topH * 45 / 100, true);
    lblTitolo->setGeometry(margin, 0, W * 2 / 3 - margin, topH);
    setPixelFont(lblMarker, topH * 35 / 100, false);
    lblMarker->setGeometry(W * 2 / 3, 0, W / 3 - margin, topH);

    const int y = H - bottomH, barW = W * 28 / 100, barH = std::max(bottomH / 5, 2);
    setPixelFont(lbNLyr, bottomH * 30 / 100, false);
    lbNLyr->setGeometry(margin, y, barW, bottomH / 2);
    picNextLyr->setGeometry(margin, y + bottomH / 2, barW, barH);
    picNextLyrA->setGeometry(W - margin - barW, y + bottomH / 2, barW, barH);
    const double scale = double(barW) / px(kBarBoxTwips);
    picNextLyr->setScale(scale);
    picNextLyrA->setScale(scale);
    setPixelFont(lblAccordo[0], bottomH * 55 / 100, true);
    lblAccordo[0]->setGeometry(W * 36 / 100, y, W * 16 / 100, bottomH);
    setPixelFont(lblAccordo[1], bottomH * 35 / 100, true);
    lblAccordo[1]->setGeometry(W * 52 / 100, y, W * 12 / 100, bottomH);
    picLyr->update();
    picSysex->update();
}

void frmKaraokeScreen::lyricRowChanged(int row)
{
    // Row 0 comes with a new song (or a seek): its lines may need another size.
    if (row == 0) refit();
    if (isVisible()) warmTimer_.start();
    const LyricDisplayState& s = cursor_.state();
    const int sung = s.LastSungRow;
    const QString text = sung >= 1 && sung <= 4 ? s.LyricRowText[size_t(sung)] : QString();
    const int edge = sung ? render_.sungEdgePx(text, sungCharacters(s.LastSungColumn, s.LastSungLength)) : -1;
    if (row >= 1 && row == sung && sung == sungRow_ && text == sungText_ && edge >= sungEdge_) {
        // A syllable further along the same row: at TV sizes the whole row is
        // too much to repaint each time. The margin takes in glyph overhangs.
        const QRect band = render_.rowBand(row);
        const int margin = band.height() / 2;
        picLyr->update(QRect(sungEdge_ - margin, band.top(), edge - sungEdge_ + 2 * margin, band.height()));
    } else {
        picLyr->updateRow(row);
    }
    sungRow_ = sung;
    sungText_ = text;
    sungEdge_ = edge;
}

void frmKaraokeScreen::warmRows()
{
    long last = 0;
    for (int r = 1; r <= cursor_.rows(); ++r) last = std::max(last, cursor_.rowLine(r));
    QStringList next;
    const QStringList& lines = cursor_.song().LyricLines;
    for (long i = last + 1; i <= lines.size() && next.size() < 2; ++i)
        if (!lines[int(i - 1)].trimmed().isEmpty()) next << lines[int(i - 1)];
    render_.warmRowCache(next);
}

void frmKaraokeScreen::sysexRowChanged(int row) { picSysex->updateRow(row); }

void frmKaraokeScreen::captionChanged(LyricCaption which, const QString& text)
{
    // No tooltips: nobody points at a TV.
    showCaption(which, text, false);
}

void frmKaraokeScreen::countdownsChanged(int lyricMs, int chordMs) { showCountdowns(lyricMs, chordMs); }

void frmKaraokeScreen::showPointer()
{
    unsetCursor();
    pointerTimer_.start();
}

void frmKaraokeScreen::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_F11) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void frmKaraokeScreen::mouseMoveEvent(QMouseEvent* e)
{
    showPointer();
    QWidget::mouseMoveEvent(e);
}

void frmKaraokeScreen::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    refit();
}

void frmKaraokeScreen::closeEvent(QCloseEvent* e)
{
    pointerTimer_.stop();
    e->accept();
    emit closed();
}

void frmKaraokeScreen::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), render_.backColor());
}

} // namespace lirmus
