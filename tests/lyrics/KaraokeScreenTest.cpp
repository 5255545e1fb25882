// The karaoke screen offscreen beside the lyrics window, both views of one
// cursor driven through a real karaoke song: what each shows is read back as
// pixels, the font fit, the keys that leave and the pointer that hides.
#include "ControllerTable.h"
#include "LoadSong.h"
#include "LyricCursor.h"
#include "LyricWidgets.h"
#include "LyricRig.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "Twips.h"
#include "frmKaraokeScreen.h"
#include "frmLyric.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>

#include <array>
#include <filesystem>
#include <memory>

using namespace lirmus;
using namespace lirmus::test;

namespace {

struct Views : LyricRig {
    std::unique_ptr<frmLyric> lyrics;
    std::unique_ptr<frmKaraokeScreen> screen;

    explicit Views(int rows)
    {
        settings.KaraokeRows = rows;
        lyrics = std::make_unique<frmLyric>(cursor, settings, nullptr);
        lyrics->resize(900, lyrics->height());
        lyrics->show();
        screen = std::make_unique<frmKaraokeScreen>(cursor, settings);
        screen->openOn(QGuiApplication::primaryScreen());
        QApplication::processEvents();
    }
    /// Prepares a shared song as the player does; false when the shared songs are absent.
    bool load(const char* file)
    {
        const std::string path = sharedTestData() + "/" + file;
        if (!std::filesystem::exists(path)) return false;
        EXPECT_TRUE(LyricRig::load(path));
        QApplication::processEvents();
        return true;
    }
};

/// Where a row's ink lies in a view: any ink, and the play colour's right edge; -1 when none.
struct RowInk {
    int left = -1, right = -1, playRight = -1;
};

RowInk inkOf(const QImage& img, const QRect& band)
{
    RowInk ink;
    const QImage im = img.convertToFormat(QImage::Format_RGB32);
    for (int y = std::max(band.top(), 0); y <= band.bottom() && y < im.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(im.constScanLine(y));
        for (int x = std::max(band.left(), 0); x <= band.right() && x < im.width(); ++x) {
            const QRgb c = line[x];
            if (std::min({qRed(c), qGreen(c), qBlue(c)}) > 190) continue; // white background
            if (ink.left < 0 || x < ink.left) ink.left = x;
            ink.right = std::max(ink.right, x);
            if (qRed(c) > qGreen(c) + 60 && qRed(c) > qBlue(c) + 60) ink.playRight = std::max(ink.playRight, x);
        }
    }
    if (ink.left >= 0) {
        ink.left -= band.left();
        ink.right -= band.left();
        if (ink.playRight >= 0) ink.playRight -= band.left();
    }
    return ink;
}

/// What a view must show of a row: its text where the render places it, sung up to sungChars.
RowInk expected(const LyricRender& r, const QString& text, long sungChars)
{
    RowInk e;
    if (text.trimmed().isEmpty()) return e;
    const QFontMetrics m(r.font());
    const bool squeezed = r.isSqueezed(text);
    const double scale = squeezed ? double(r.boxWidthPx() - 4) / m.horizontalAdvance(text) : 1.0;
    const int x0 = squeezed ? 0 : px(r.CenterX(text));
    const auto at = [&](const QString& part) { return x0 + int(m.horizontalAdvance(part) * scale); };
    qsizetype lead = 0, end = text.size();
    while (lead < text.size() && text[lead].isSpace()) ++lead;
    while (end > 0 && text[end - 1].isSpace()) --end;
    e.left = at(text.left(lead));
    e.right = at(text.left(end));
    qsizetype sungEnd = std::min<qsizetype>(sungChars, text.size());
    while (sungEnd > 0 && text[sungEnd - 1].isSpace()) --sungEnd;
    const QString sung = text.left(sungEnd);
    if (!sung.trimmed().isEmpty()) e.playRight = at(sung);
    return e;
}

/// Checks every row of a view against the shared state: each row shows its
/// text where the render places it, the row being sung is coloured up to its
/// syllable. Returns what each row shows.
std::array<RowInk, 5> checkView(const char* view, const QImage& img, QPoint boxAt, const LyricRender& r,
                                const LyricDisplayState& s, int rows)
{
    const int tol = std::max(4, px(r.RowHeight()) / 6);
    std::array<RowInk, 5> shown;
    for (int row = 1; row <= rows; ++row) {
        SCOPED_TRACE(std::string(view) + " row " + std::to_string(row));
        const QString& text = s.LyricRowText[size_t(row)];
        const bool sungRow = row == s.LastSungRow;
        const RowInk want = expected(r, text, sungRow ? sungCharacters(s.LastSungColumn, s.LastSungLength) : 0);
        const RowInk got = shown[size_t(row)] = inkOf(img, r.rowBand(row).translated(boxAt));
        if (want.left < 0) {
            EXPECT_EQ(got.left, -1) << "an empty row shows ink";
            continue;
        }
        EXPECT_NEAR(got.left, want.left, tol) << text.toStdString();
        EXPECT_NEAR(got.right, want.right, tol) << text.toStdString();
        // A row sung before keeps its colour until its text changes: only the row being sung is known.
        if (sungRow && want.playRight < 0) EXPECT_EQ(got.playRight, -1) << text.toStdString();
        if (sungRow && want.playRight >= 0) EXPECT_NEAR(got.playRight, want.playRight, tol) << text.toStdString();
    }
    return shown;
}

/// How far along its ink a row is coloured: 0 none, 1 all.
double sungFraction(const RowInk& ink)
{
    if (ink.left < 0 || ink.playRight < 0) return 0;
    return double(ink.playRight - ink.left) / std::max(ink.right - ink.left, 1);
}

/// A window as it stands on its screen (what was last painted, not a fresh paint).
QImage onScreen(QWidget* w) { return w->screen()->grabWindow(w->winId()).toImage(); }

bool isSyllable(const QueueEntry& e)
{
    return e.Status == 255 && e.Data1 == 5 && e.Length >= 1 && !e.Text.startsWith('%') && !e.Text.trimmed().isEmpty();
}

} // namespace

TEST(KaraokeScreen, ShowsTheSameRowsAndSungPartAsTheLyricsWindowAfterEverySyllable)
{
    for (int rows : {2, 4}) {
        Views v(rows);
        if (!v.load("Negra_Sombra.kar")) GTEST_SKIP() << "the shared test songs are absent";
        SCOPED_TRACE(rows);
        const SongQueue& q = v.song.queue;
        int syllables = 0;
        for (long i = 1; i <= q.MsgCount; ++i) {
            if (!isSyllable(q[i])) continue;
            v.cursor.PrintLyric(q[i].Value, q[i].Extra, q[i].Text);
            QApplication::processEvents();
            ++syllables;
            SCOPED_TRACE("syllable " + std::to_string(syllables) + " " + q[i].Text.toStdString());
            // Both as their windows hold them now, so a band not repainted shows.
            const auto a = checkView("window", onScreen(v.lyrics.get()), v.lyrics->picLyr->geometry().topLeft(),
                                     v.lyrics->render(), v.state, rows);
            const auto b = checkView("screen", onScreen(v.screen.get()), v.screen->picLyr->geometry().topLeft(),
                                     v.screen->render(), v.state, rows);
            for (int row = 1; row <= rows; ++row)
                EXPECT_NEAR(sungFraction(a[size_t(row)]), sungFraction(b[size_t(row)]), 0.06)
                    << "row " << row << ": the sung part differs";
            if (HasFailure()) return;
        }
        EXPECT_GT(syllables, 50);
    }
}

TEST(KaraokeScreen, TheFontFitsTheWidestLineOfTheSongAndTheRows)
{
    Views v(3);
    if (!v.load("twinkle.kar")) GTEST_SKIP() << "the shared test songs are absent";
    const QStringList& lines = v.song.LyricLines;
    ASSERT_EQ(v.screen->fittedLines(), lines) << "fitted to the song, not to what the rows held before";
    const LyricRender& r = v.screen->render();
    const QFontMetrics m(r.font());
    int widest = 0;
    for (const QString& l : lines) {
        EXPECT_FALSE(r.isSqueezed(l)) << l.toStdString();
        widest = std::max(widest, m.horizontalAdvance(l));
    }
    const int rowsHeight = 3 * m.height();
    const int midHeight = v.screen->height() - v.screen->height() / 10 - v.screen->height() / 8;
    EXPECT_LE(rowsHeight, midHeight);
    // Fitted, not merely small: the widest line or the rows fill the room they have.
    EXPECT_TRUE(widest > r.boxWidthPx() * 9 / 10 || rowsHeight > midHeight * 9 / 10)
        << widest << " of " << r.boxWidthPx() << ", rows " << rowsHeight << " of " << midHeight;
    EXPECT_EQ(v.settings.KaraokeFontSize, 24) << "the lyrics window's size is not the screen's";

    // The fit itself: the size found fits, one pixel more does not.
    QFont f(QString::fromStdString(v.settings.KaraokeFont));
    const QStringList sample{"short", "a rather longer line of the song", "mid length line"};
    const int p = fitPixelSize(f, sample, 1000, 2000, 2);
    f.setPixelSize(p);
    EXPECT_LE(QFontMetrics(f).horizontalAdvance(sample[1]), 1000);
    f.setPixelSize(p + 1);
    EXPECT_GT(QFontMetrics(f).horizontalAdvance(sample[1]), 1000);
    EXPECT_EQ(fitPixelSize(f, {}, 1000, 400, 4, 8), fitPixelSize(f, {"x"}, 100000, 400, 4, 8))
        << "no lines: the height decides";
    EXPECT_EQ(fitPixelSize(f, sample, 3, 3, 2, 8), 8) << "never below the smallest size";
}

TEST(KaraokeScreen, FourRowsAndATextPageStillFitTheScreenHeight)
{
    Views v(4);
    v.song.LyricLines = QStringList{"one", "two", "three", "four", "five"};
    v.song.InfoTexts = QStringList{"page line"};
    v.cursor.StartLyric(1);
    v.state.SysexShown = true;
    v.cursor.PreparaAltezza(); // as the dispatcher does when a text page first shows
    QApplication::processEvents();
    EXPECT_TRUE(v.screen->picSysex->isVisible());
    EXPECT_TRUE(v.screen->picLyr->isVisible());
    EXPECT_LE(v.screen->picSysex->geometry().bottom(), v.screen->height() - v.screen->height() / 8);
    EXPECT_GE(v.screen->picLyr->geometry().top(), v.screen->height() / 10);
    EXPECT_TRUE(v.screen->fittedLines().contains("page line"));
}

TEST(KaraokeScreen, CaptionsAndCountdownsFollowTheCursor)
{
    Views v(2);
    v.cursor.setTitleCaption("Song title");
    v.cursor.setMarkerCaption("Chorus");
    v.song.ChordList = QStringList{"%C", "%G7", "%Am"};
    v.cursor.PrintLyricA(2, 1, "%G7");
    v.state.NextLyricTime = 51.5;
    v.state.NextChordTime = 50.4;
    v.cursor.drawCountdowns(50);
    EXPECT_EQ(v.screen->lblTitolo->text(), "Song title");
    EXPECT_EQ(v.screen->lblMarker->text(), "Chorus");
    EXPECT_EQ(v.screen->lblAccordo[0]->text(), "G7");
    EXPECT_EQ(v.screen->lblAccordo[1]->text(), "Am");
    EXPECT_EQ(v.screen->picNextLyr->ms(), 1500);
    EXPECT_EQ(v.screen->picNextLyrA->ms(), 400);
    EXPECT_GT(v.screen->picNextLyr->barPixels(), v.lyrics->picNextLyr->barPixels()) << "bars scale with the screen";
    EXPECT_LE(v.screen->picNextLyr->barPixels(), v.screen->picNextLyr->width());

    // A screen opened later shows what the cursor holds already.
    frmKaraokeScreen late(v.cursor, v.settings);
    EXPECT_EQ(late.lblTitolo->text(), "Song title");
    EXPECT_EQ(late.lblAccordo[1]->text(), "Am");
    EXPECT_EQ(late.picNextLyrA->ms(), 400);
}

TEST(KaraokeScreen, EscAndF11LeaveAndAGoneScreenClosesIt)
{
    Views v(2);
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_F11)}) {
        QPointer<frmKaraokeScreen> s = new frmKaraokeScreen(v.cursor, v.settings);
        s->setAttribute(Qt::WA_DeleteOnClose);
        int closed = 0;
        QObject::connect(s, &frmKaraokeScreen::closed, [&] { ++closed; });
        s->openOn(QGuiApplication::primaryScreen());
        QApplication::processEvents();
        ASSERT_TRUE(s->isFullScreen());
        EXPECT_TRUE(s->windowFlags() & Qt::FramelessWindowHint);
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(s, &other);
        EXPECT_TRUE(s->isVisible());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(s, &press);
        EXPECT_EQ(closed, 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(s.isNull());
    }
    // A closed screen is no longer told anything.
    v.cursor.SetLyricRow(1, "still fine");

    v.screen->screenRemoved(nullptr);
    EXPECT_TRUE(v.screen->isVisible()) << "another screen went";
    v.screen->screenRemoved(v.screen->shownOn());
    EXPECT_FALSE(v.screen->isVisible());
}

TEST(KaraokeScreen, ThePointerHidesAfterTwoSecondsStillAndComesBackWhenMoved)
{
    Views v(2);
    QTimer* t = v.screen->pointerTimer();
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(t->interval(), 2000);
    EXPECT_NE(v.screen->cursor().shape(), Qt::BlankCursor);
    QMetaObject::invokeMethod(t, "timeout"); // as two still seconds end
    EXPECT_EQ(v.screen->cursor().shape(), Qt::BlankCursor);
    // The rows let the moves over them through to the window.
    const QPoint over = v.screen->picLyr->geometry().center();
    EXPECT_EQ(v.screen->childAt(over), nullptr);
    QMouseEvent move(QEvent::MouseMove, over, v.screen->mapToGlobal(over), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(v.screen.get(), &move);
    EXPECT_NE(v.screen->cursor().shape(), Qt::BlankCursor);
    EXPECT_TRUE(t->isActive());
}

TEST(KaraokeScreen, TheScreenChoiceFallsBackToAScreenThatIsThere)
{
    QScreen* primary = QGuiApplication::primaryScreen();
    EXPECT_EQ(chooseKaraokeScreen(primary->name(), primary), primary) << "the choice wins";
    // One screen, holding the main window: the screen goes there anyway.
    EXPECT_EQ(chooseKaraokeScreen("unplugged TV", primary), primary);
    EXPECT_EQ(chooseKaraokeScreen(QString(), nullptr), primary);
}

TEST(KaraokeScreen, AScreenOpenedMidSongShowsTheRowsAtOnce)
{
    Views v(2);
    if (!v.load("twinkle.kar")) GTEST_SKIP() << "the shared test songs are absent";
    v.screen.reset();
    const SongQueue& q = v.song.queue;
    for (long i = 1, n = 0; i <= q.MsgCount && n < 10; ++i)
        if (isSyllable(q[i])) {
            v.cursor.PrintLyric(q[i].Value, q[i].Extra, q[i].Text);
            ++n;
        }
    frmKaraokeScreen late(v.cursor, v.settings);
    late.openOn(QGuiApplication::primaryScreen());
    QApplication::processEvents();
    EXPECT_TRUE(late.picLyr->isVisible());
    checkView("late screen", onScreen(&late), late.picLyr->geometry().topLeft(), late.render(), v.state, 2);
}
