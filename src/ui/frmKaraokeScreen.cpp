#include "frmKaraokeScreen.h"

#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "Palette.h"
#include "Settings.h"
#include "SongState.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kBarBoxTwips = 1005; // the lyrics window's countdown box: full at about two seconds
constexpr int kTextPageRows = 4;

void setPixelFont(QLabel* label, int pixels, bool bold)
{
    QFont f = label->font();
    f.setPixelSize(std::max(pixels, 6));
    f.setBold(bold);
    label->setFont(f);
}

} // namespace

QScreen* chooseKaraokeScreen(const QString& name, const QScreen* avoid)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens)
        if (!name.isEmpty() && s->name() == name) return s;
    for (QScreen* s : screens)
        if (s != avoid) return s;
    return QGuiApplication::primaryScreen();
}

QString pictureForSong(const QString& folder, const QString& songFile)
{
    if (folder.isEmpty() || songFile.isEmpty()) return {};
    const QDir dir(folder);
    const QStringList pictures = dir.entryList({"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.webp", "*.gif"},
                                               QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    if (pictures.isEmpty()) return {};
    // The same song finds the same picture every time it is sung.
    const size_t pick = qHash(songFile) % size_t(pictures.size());
    return dir.filePath(pictures[qsizetype(pick)]);
}

frmKaraokeScreen::frmKaraokeScreen(LyricCursor& cursor, const Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), cursor_(cursor), settings_(settings), render_(settings)
{
    setObjectName("frmKaraokeScreen");
    setWindowTitle("Karaoke Screen");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    lblMarker = new QLabel(this);
    lblMarker->setObjectName("lblMarker");
    lblMarker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
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
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(kFrameMs);
    connect(&frameTimer_, &QTimer::timeout, this, &frmKaraokeScreen::frame);
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
    frameTimer_.start();
}

void frmKaraokeScreen::screenRemoved(QScreen* screen)
{
    if (screen && screen == target_) close();
}

void frmKaraokeScreen::setCard(const std::optional<TitleCard>& card)
{
    if (card == card_) return;
    card_ = card;
    for (QWidget* w : findChildren<QWidget*>()) w->setVisible(!card_);
    update();
}

void frmKaraokeScreen::applyLook()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, render_.textColor());
    setPalette(pal);
    QPalette chord = pal;
    chord.setColor(QPalette::WindowText, render_.sungColor());
    lblAccordo[0]->setPalette(chord);
    picNextLyr->setBackColor(Qt::transparent);
    picNextLyrA->setBackColor(Qt::transparent);
    render_.lookChanged();
    warmedKeep_.clear();
    fittedSize_ = QSize(); // the font may have changed: fit again
    refit();
    update();
}

void frmKaraokeScreen::PreparaPicLyric() { applyLook(); }

int frmKaraokeScreen::rowCount() const { return cursor_.state().SysexBesideLyrics ? cursor_.rows() : 0; }
int frmKaraokeScreen::pageRows() const { return cursor_.state().SysexShown ? kTextPageRows : 0; }
QRect frmKaraokeScreen::band(int row) const { return render_.rowBand(row, rowCount(), pageRows()); }
QRect frmKaraokeScreen::pageBand(int row) const { return render_.rowBand(rowCount() + row, rowCount(), pageRows()); }

SongCredits frmKaraokeScreen::credits() const
{
    if (cursor_.songFile().isEmpty()) return {};
    return creditsFrom(cursor_.song().TitleLines, cursor_.songFile());
}

void frmKaraokeScreen::refit()
{
    QStringList lines = cursor_.song().LyricLines;
    if (lines.isEmpty())
        for (int r = 1; r <= 4; ++r) lines << cursor_.state().LyricRowText[size_t(r)];
    if (cursor_.state().SysexShown) lines << cursor_.song().InfoTexts;
    const int rows = rowCount() + pageRows();
    // A new song, another row count, a text page or another size: else nothing to do.
    if (lines == songLines_ && rows == fittedRows_ && size() == fittedSize_) return;
    songLines_ = std::move(lines);
    fittedRows_ = rows;
    fittedSize_ = size();
    render_.setSize(size());
    warmedKeep_.clear(); // a new font family throws away what the helper was asked for
    if (settings_.ScreenBackground == Settings::ScreenBack::Pictures)
        render_.setPicture(pictureForSong(QString::fromStdString(settings_.ScreenPictureFolder), cursor_.songFile()));

    const ScreenGeometry& g = render_.geometry();
    QFont font(QString::fromStdString(settings_.KaraokeFont));
    songPixels_ = songRowPixels(font, songLines_, size(), g.rows.width());
    if (pageRows() > 0) // with the text page every row still has to fit the height
        songPixels_ = std::min(songPixels_, fitPixelSize(font, {}, g.rows.width(), g.rows.height(), std::max(rows, 1)));
    font.setPixelSize(songPixels_);
    render_.setRowFont(font);
    fitPage();
    layOutLabels();
    for (int r = 1; r <= 4; ++r) shown_[size_t(r)] = {cursor_.state().LyricRowText[size_t(r)], sungPxNow(r)};
    update();
}

bool frmKaraokeScreen::fitPage()
{
    const LyricDisplayState& s = cursor_.state();
    QStringList page;
    for (int r = 1; r <= rowCount(); ++r) page << s.LyricRowText[size_t(r)];
    for (int r = 1; r <= pageRows(); ++r) page << s.SysexRows[size_t(r)];
    QFont font(QString::fromStdString(settings_.KaraokeFont));
    const int pixels = pageRowPixels(font, page, songPixels_, render_.geometry().rows.width());
    if (pixels == render_.rowFont().pixelSize()) return false;
    font.setPixelSize(pixels);
    render_.setRowFont(font);
    return true;
}

void frmKaraokeScreen::layOutLabels()
{
    const ScreenGeometry& g = render_.geometry();
    const QRect b = g.bottom;
    const int barW = b.width() * 28 / 100, barH = std::max(b.height() / 6, 2), half = b.height() / 2;
    setPixelFont(lbNLyr, b.height() * 28 / 100, false);
    lbNLyr->setGeometry(b.left(), b.top(), barW, half);
    picNextLyr->setGeometry(b.left(), b.top() + half, barW, barH);
    setPixelFont(lblMarker, b.height() * 28 / 100, false);
    lblMarker->setGeometry(b.right() - barW, b.top(), barW, half);
    picNextLyrA->setGeometry(b.right() - barW, b.top() + half, barW, barH);
    const double scale = double(barW) / px(kBarBoxTwips);
    picNextLyr->setScale(scale);
    picNextLyrA->setScale(scale);
    setPixelFont(lblAccordo[0], b.height() * 55 / 100, true);
    lblAccordo[0]->setGeometry(b.left() + b.width() * 36 / 100, b.top(), b.width() * 16 / 100, b.height());
    setPixelFont(lblAccordo[1], b.height() * 35 / 100, true);
    lblAccordo[1]->setGeometry(b.left() + b.width() * 52 / 100, b.top(), b.width() * 12 / 100, b.height());
}

int frmKaraokeScreen::sungPxNow(int row) const
{
    const LyricDisplayState& s = cursor_.state();
    if (!validRow(row) || row != s.LastSungRow) return 0;
    const QString& text = s.LyricRowText[size_t(row)];
    const int column = std::max(s.LastSungColumn, 1);
    const int before = render_.textWidth(text.left(column - 1));
    const int after = render_.textWidth(text.left(int(sungCharacters(column, s.LastSungLength))));
    const double pos = cursor_.songPositionMs();
    // Without a position (a repaint while nothing plays) the syllable is shown sung.
    const double f = pos < 0 ? 1.0 : timeline_.sungFraction(int(cursor_.rowLine(row)), column, pos);
    return before + int(std::lround(f * (after - before)));
}

frmKaraokeScreen::CountIn frmKaraokeScreen::countInNow() const
{
    if (!settings_.ScreenCountIn || card_) return {};
    const double pos = cursor_.songPositionMs();
    if (pos < 0) return {};
    int line = 0;
    const int beats = timeline_.countInBeatsLeft(pos, &line);
    if (beats <= 0) return {};
    for (int r = 1; r <= rowCount(); ++r)
        if (cursor_.rowLine(r) == line) return {beats, r};
    return {};
}

void frmKaraokeScreen::updateRow(int row, const QString& before)
{
    const QRect b = band(row);
    // Only where the old and the new words lie; the outline and the shadow reach past them.
    const int margin = b.height() / 4;
    int left = b.right(), right = b.left();
    for (const QString& text : {before, shown_[size_t(row)].text}) {
        if (text.isEmpty()) continue;
        const int x = render_.textLeft(text, b);
        left = std::min(left, x);
        right = std::max(right, x + render_.textWidth(text));
    }
    if (left <= right) update(QRect(left - margin, b.top() - margin, right - left + 2 * margin, b.height() + 2 * margin));
}

void frmKaraokeScreen::updateSung(int row, int fromPx, int toPx)
{
    const QRect b = band(row);
    const QString& text = shown_[size_t(row)].text;
    const int left = render_.textLeft(text, b), margin = b.height() / 4;
    const int x0 = left + std::min(fromPx, toPx), x1 = left + std::max(fromPx, toPx);
    update(QRect(x0 - margin, b.top() - margin, x1 - x0 + 2 * margin, b.height() + 2 * margin));
}

void frmKaraokeScreen::frame()
{
    if (!isVisible()) return;
    if (cardSource) setCard(cardSource());
    followGuide();
    const SongState& song = cursor_.song();
    if (song.queue.MsgCount != timelineEntries_ || cursor_.songFile() != timelineSong_) {
        timeline_.build(song.queue);
        timelineEntries_ = song.queue.MsgCount;
        timelineSong_ = cursor_.songFile();
    }
    for (int r = 1; r <= rowCount(); ++r) {
        ShownRow& shown = shown_[size_t(r)];
        const int now = sungPxNow(r);
        if (now == shown.sungPx) continue;
        updateSung(r, shown.sungPx, now);
        shown.sungPx = now;
    }
    const CountIn ci = countInNow();
    if (ci.beats != countIn_.beats || ci.row != countIn_.row) {
        for (const CountIn& c : {countIn_, ci})
            if (c.row) update(render_.countInRect(band(c.row), shown_[size_t(c.row)].text).adjusted(-8, -8, 8, 8));
        countIn_ = ci;
    }
    warmNext();
}

void frmKaraokeScreen::followGuide()
{
    std::optional<GuideView> g = guideSource ? guideSource() : std::nullopt;
    if (g.has_value() != render_.guide()) {
        render_.setGuide(g.has_value());
        fittedSize_ = QSize(); // the rows' band changed
        refit();
        update();
    }
    guide_ = std::move(g);
    if (guide_ && !card_) update(render_.geometry().guide);
}

void frmKaraokeScreen::warmNext()
{
    // The lines that come next are drawn ahead by the helper thread, so a new
    // line shows with a copy and not with drawing its letters: the rows' whole lines
    // (a row filled while the song was prepared may hold a part), and as many
    // lines to come as a new page may bring.
    const QStringList& lines = cursor_.song().LyricLines;
    const auto lineText = [&lines](long n) { return n >= 1 && n <= lines.size() ? lines[int(n - 1)] : QString(); };
    QStringList keep;
    long last = 0;
    for (int r = 1; r <= 4; ++r) {
        keep << shown_[size_t(r)].text << cursor_.state().SysexRows[size_t(r)];
        if (r <= cursor_.rows()) {
            last = std::max(last, cursor_.rowLine(r));
            keep << lineText(cursor_.rowLine(r));
        }
    }
    int upcoming = 0;
    for (long i = last + 1; i <= lines.size() && upcoming < cursor_.rows(); ++i)
        if (!lineText(i).trimmed().isEmpty()) keep << lineText(i), ++upcoming;
    keep.removeAll(QString());
    keep.removeDuplicates();
    // Asked for already: fitting every line again each frame would cost the frame.
    const int page = render_.rowFont().pixelSize();
    if (keep == warmedKeep_ && page == warmedPage_ && songPixels_ == warmedSong_) return;
    warmedKeep_ = keep;
    warmedPage_ = page;
    warmedSong_ = songPixels_;
    // At the size shown now, then at the sizes the next pages may take: back to
    // the song's after a long line, or down to what a long line to come needs.
    QList<int> sizes{page, songPixels_};
    const QFont family(QString::fromStdString(settings_.KaraokeFont));
    for (const QString& text : keep) {
        const int fits = pageRowPixels(family, {text}, songPixels_, render_.geometry().rows.width());
        if (!sizes.contains(fits)) sizes << fits;
    }
    for (int size : sizes)
        for (const QString& text : keep) render_.warm(text, size);
    render_.keepOnly(keep);
}

void frmKaraokeScreen::lyricRowChanged(int row)
{
    // Row 0 comes with a new song (or a seek): its lines may need another size.
    if (row == 0) {
        refit();
        if (fitPage()) update();
        for (int r = 1; r <= 4; ++r) shown_[size_t(r)] = {cursor_.state().LyricRowText[size_t(r)], sungPxNow(r)};
        update();
        return;
    }
    if (!validRow(row)) return;
    const QString& text = cursor_.state().LyricRowText[size_t(row)];
    ShownRow& shown = shown_[size_t(row)];
    if (text == shown.text) {
        // A syllable further along: the frames move the colour on.
        const int now = sungPxNow(row);
        if (now != shown.sungPx) updateSung(row, shown.sungPx, now);
        shown.sungPx = now;
        return;
    }
    const QString before = shown.text;
    shown = {text, sungPxNow(row)};
    if (fitPage()) update(); // the page takes another size: every row moves
    else updateRow(row, before);
}

void frmKaraokeScreen::sysexRowChanged(int)
{
    if (fitPage() || pageRows() != fittedRows_ - rowCount()) refit();
    update();
}

void frmKaraokeScreen::captionChanged(LyricCaption which, const QString& text)
{
    // The title is drawn in its own band; no tooltips: nobody points at a TV.
    if (which == LyricCaption::Title) update(render_.geometry().title);
    else if (which != LyricCaption::LyricTooltip) showCaption(which, text, false);
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
    frameTimer_.stop();
    e->accept();
    emit closed();
}

void frmKaraokeScreen::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    const QRect dirty = e->rect();
    p.drawImage(dirty, render_.background(), dirty);
    if (card_) {
        render_.drawCard(p, *card_);
    } else {
        if (dirty.intersects(render_.geometry().title)) render_.drawTitle(p, credits());
        if (guide_ && dirty.intersects(render_.geometry().guide)) {
            QColor bar = render_.textColor();
            bar.setAlpha(120);
            drawGuide(p, render_.geometry().guide, *guide_, bar, render_.sungColor(), QColor(90, 220, 255));
        }
        for (int r = 1; r <= rowCount(); ++r) {
            const QRect b = band(r);
            if (b.adjusted(0, -b.height() / 4, 0, b.height() / 4).intersects(dirty))
                render_.drawRow(p, b, shown_[size_t(r)].text, shown_[size_t(r)].sungPx);
        }
        if (countIn_.row) render_.drawCountIn(p, band(countIn_.row), shown_[size_t(countIn_.row)].text, countIn_.beats);
        const LyricDisplayState& s = cursor_.state();
        for (int r = 1; r <= pageRows(); ++r) {
            const QString& text = s.SysexRows[size_t(r)];
            render_.drawRow(p, pageBand(r), text, s.SysexRowSung[size_t(r)] ? render_.textWidth(text) : 0);
        }
    }
    if (afterPaint) afterPaint();
}

} // namespace lirmus
