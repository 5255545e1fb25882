// The karaoke screen offscreen beside the lyrics window, both views of one
// cursor driven through a real karaoke song: what each shows is read back as
// pixels, the font fit, the keys that leave and the pointer that hides.
#include "ControllerTable.h"
#include "LoadSong.h"
#include "LyricCursor.h"
#include "LyricWidgets.h"
#include "LyricRig.h"
#include "Palette.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "SyllableTimeline.h"
#include "TestDevice.h"
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
#include <fstream>
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

/// The screen on its own, at a size, with the output playing on the rig's manual clock.
struct Playing : LyricRig {
    TestDevice device;
    std::unique_ptr<frmKaraokeScreen> screen;

    Playing(int rows, QSize size)
    {
        settings.KaraokeRows = rows;
        out.useTestDevice(&device);
        EXPECT_FALSE(out.open(0));
        screen = std::make_unique<frmKaraokeScreen>(cursor, settings);
        screen->resize(size);
        screen->show();
        QApplication::processEvents();
    }
    bool load(const char* file)
    {
        const std::string path = sharedTestData() + "/" + file;
        if (!std::filesystem::exists(path)) return false;
        playerState.SongFile = QString::fromStdString(path);
        EXPECT_TRUE(LyricRig::load(path));
        EXPECT_FALSE(out.start()); // the song clock runs from 0
        screen->frame();
        return true;
    }
    /// The music stands at ms; the screen draws its frame.
    void at(double ms)
    {
        clock.advanceUs(int64_t(std::llround(ms * 1000)) - int64_t(std::llround(out.PositionMs() * 1000)));
        screen->frame();
    }
    int width(const QString& text) const { return screen->render().textWidth(text); }
};

bool isSyllable(const QueueEntry& e)
{
    return e.Status == 255 && e.Data1 == 5 && e.Value > 0 && !e.Text.startsWith('%');
}

} // namespace

TEST(KaraokeScreen, TheSungColourReachesEachSyllablesEndExactlyWhenTheNextFallsDue)
{
    Playing v(4, QSize(1280, 720));
    if (!v.load("twinkle.kar")) GTEST_SKIP() << "the shared test songs are absent";
    const SongQueue& q = v.song.queue;
    std::vector<long> syllables;
    for (long i = 1; i <= q.MsgCount; ++i)
        if (isSyllable(q[i])) syllables.push_back(i);
    ASSERT_GT(syllables.size(), 50u);
    int checked = 0;
    for (size_t k = 0; k + 1 < syllables.size(); ++k) {
        const QueueEntry& e = q[syllables[k]];
        const long next = q[syllables[k + 1]].Time;
        if (next <= e.Time) continue; // two at once: the second follows at once
        v.at(e.Time);
        v.cursor.PrintLyric(e.Value, e.Extra, e.Text);
        v.screen->frame();
        const int row = v.state.LastSungRow;
        const QString text = v.state.LyricRowText[size_t(row)];
        const int before = v.width(text.left(e.Extra - 1)), after = v.width(text.left(e.Extra - 1 + e.Text.size()));
        SCOPED_TRACE("syllable " + std::to_string(k) + " \"" + e.Text.toStdString() + "\" of " + text.toStdString());
        EXPECT_EQ(v.screen->sungPx(row), before) << "it starts where the last one ended";
        const long wipe = std::min(next - e.Time, SyllableTimeline::kLongestWipeMs);
        v.at(e.Time + wipe / 2.0);
        EXPECT_NEAR(v.screen->sungPx(row), (before + after) / 2.0, 1.0) << "half way at half its time";
        v.at(e.Time + wipe * 0.9);
        if (after - before >= 10) {
            EXPECT_LT(v.screen->sungPx(row), after) << "not there before its time";
        }
        v.at(e.Time + wipe);
        EXPECT_EQ(v.screen->sungPx(row), after) << "at its end when the next one falls due";
        ++checked;
        if (HasFailure()) return;
    }
    EXPECT_GT(checked, 50);
}

TEST(KaraokeScreen, RowsFillHalfTheHeightAndEveryLineOfAPageFitsAtOneSize)
{
    for (const QSize size : {QSize(1280, 720), QSize(1920, 1080), QSize(3840, 2160)}) {
        Playing v(4, size);
        if (!v.load("Negra_Sombra.kar")) GTEST_SKIP() << "the shared test songs are absent";
        SCOPED_TRACE(std::to_string(size.width()));
        const ScreenRender& r = v.screen->render();
        const QRect rowsArea = r.geometry().rows;
        EXPECT_GE(4 * QFontMetrics([&] { QFont f = r.rowFont(); f.setPixelSize(v.screen->songPixels()); return f; }()).height(),
                  size.height() / 2) << "four rows take half the height";
        const SongQueue& q = v.song.queue;
        int pages = 0;
        for (long i = 1; i <= q.MsgCount; ++i) {
            if (!isSyllable(q[i])) continue;
            v.cursor.PrintLyric(q[i].Value, q[i].Extra, q[i].Text);
            if (q[i].Extra != 1) continue;
            ++pages;
            // Every row shown fits the width at the page's one size, and the page is centred.
            for (int row = 1; row <= 4; ++row)
                EXPECT_LE(v.width(v.state.LyricRowText[size_t(row)]), rowsArea.width()) << "row " << row;
            EXPECT_LE(r.rowFont().pixelSize(), v.screen->songPixels());
            const QRect first = r.rowBand(1, 4), last = r.rowBand(4, 4);
            EXPECT_LE(std::abs((first.top() - rowsArea.top()) - (rowsArea.bottom() - last.bottom())), 2);
            if (HasFailure()) return;
        }
        EXPECT_GT(pages, 10);
    }
}

TEST(KaraokeScreen, ALineTooWideShrinksItsWholePageAndTheNextPageComesBack)
{
    Playing v(2, QSize(1280, 720));
    v.song.LyricLines = QStringList{"short line", "another", QString("a very long line ").repeated(6), "end"};
    v.cursor.StartLyric(1);
    v.screen->refit();
    const int song = v.screen->songPixels();
    EXPECT_EQ(v.screen->render().rowFont().pixelSize(), song);
    v.cursor.PrintLyric(2, 1, "another"); // the row after it takes the long line
    const int shrunk = v.screen->render().rowFont().pixelSize();
    EXPECT_LT(shrunk, song);
    EXPECT_LE(v.width(v.song.LyricLines[2]), v.screen->render().geometry().rows.width());
    v.cursor.PrintLyric(4, 1, "end"); // the long line has gone
    EXPECT_EQ(v.screen->render().rowFont().pixelSize(), song);
}

TEST(KaraokeScreen, CountInDotsComeOnlyBeforeTheFirstLineAndAfterLongGaps)
{
    Playing v(2, QSize(1280, 720));
    v.settings.AutoStart = false;
    // Four syllables: at 1.6 s, 2 s, after a 3 s gap, after a 6 s gap; 120 beats a minute.
    SmfWriter w(0, 480);
    SmfTrack& t = w.track().tempo(0, 500000).program(0, 0, 0);
    t.text(1536, 5, "One ").text(384, 5, "two\r").text(2880, 5, "Three\r").text(5760, 5, "Four").end(960);
    const std::string path = tempDir() + "/gaps.kar";
    ASSERT_TRUE(w.save(path));
    v.playerState.SongFile = QString::fromStdString(path);
    ASSERT_TRUE(v.LyricRig::load(path));
    ASSERT_FALSE(v.out.start());
    const std::vector<SyllableTimeline::CountIn>& ins = v.screen->timeline().countIns();
    v.screen->frame();
    ASSERT_EQ(v.screen->timeline().countIns().size(), 2u) << "the first line and the one after six seconds";
    EXPECT_EQ(ins[0].firstMs, 1600);
    EXPECT_EQ(ins[1].firstMs, 11000);
    EXPECT_EQ(ins[1].beatMs, 500);
    std::vector<std::pair<long, int>> seen; // when the dots changed, and how many
    for (long ms = 0; ms <= 12000; ms += 50) {
        v.at(ms);
        for (long i = 1; i <= v.song.queue.MsgCount; ++i) {
            const QueueEntry& e = v.song.queue[i];
            if (isSyllable(e) && e.Time > ms - 50 && e.Time <= ms) v.cursor.PrintLyric(e.Value, e.Extra, e.Text);
        }
        v.screen->frame();
        if (seen.empty() || seen.back().second != v.screen->countInBeats()) seen.push_back({ms, v.screen->countInBeats()});
        if (v.screen->countInBeats() > 0) {
            EXPECT_EQ(v.cursor.rowLine(v.screen->countInRow()), ms < 5000 ? 1 : 3) << ms;
        }
    }
    // Three beats of 500 ms before 1.6 s and before 11 s, each dot going on its beat.
    const std::vector<std::pair<long, int>> want{{0, 0},    {100, 3},  {600, 2},  {1100, 1},
                                                 {1600, 0}, {9500, 3}, {10000, 2}, {10500, 1}, {11000, 0}};
    EXPECT_EQ(seen, want);
}

TEST(KaraokeScreen, TheCardCoversTheRowsAndNamesTheSongAndItsSinger)
{
    Playing v(2, QSize(1280, 720));
    TitleCard card;
    card.credits = {"Next Song Title", "The Artist"};
    card.singer = "Anna";
    card.place = 1;
    card.count = 3;
    v.screen->setCard(card);
    QApplication::processEvents();
    EXPECT_FALSE(v.screen->lbNLyr->isVisible());
    const QImage shot = v.screen->grab().toImage();
    // Ink of the title's colour in the middle of the screen, where the rows would be.
    int ink = 0;
    for (int y = 720 * 30 / 100; y < 720 * 45 / 100; ++y)
        for (int x = 0; x < 1280; ++x) ink += shot.pixelColor(x, y) == v.screen->render().textColor();
    EXPECT_GT(ink, 1000);
    v.screen->setCard({});
    EXPECT_TRUE(v.screen->lbNLyr->isVisible());
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
    EXPECT_EQ(v.screen->lblMarker->text(), "Chorus");
    EXPECT_EQ(v.screen->lblAccordo[0]->text(), "G7");
    EXPECT_EQ(v.screen->lblAccordo[1]->text(), "Am");
    EXPECT_EQ(v.screen->picNextLyr->ms(), 1500);
    EXPECT_EQ(v.screen->picNextLyrA->ms(), 400);
    EXPECT_GT(v.screen->picNextLyr->barPixels(), v.lyrics->picNextLyr->barPixels()) << "bars scale with the screen";
    EXPECT_LE(v.screen->picNextLyr->barPixels(), v.screen->picNextLyr->width());

    // A screen opened later shows what the cursor holds already.
    frmKaraokeScreen late(v.cursor, v.settings);
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
    const QPoint over = v.screen->rect().center();
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


TEST(KaraokeScreen, EachSongFindsItsOwnPictureDimmedBehindTheWords)
{
    const std::string dir = tempDir() + "/pictures";
    std::filesystem::create_directories(dir);
    for (const char* name : {"a.png", "b.JPG", "c.png"}) {
        QImage img(64, 36, QImage::Format_RGB32);
        img.fill(QColor(200, 40, 40));
        ASSERT_TRUE(img.save(QString::fromStdString(dir + "/" + name), name[2] == 'J' ? "JPG" : "PNG"));
    }
    { std::ofstream(dir + "/notes.txt") << "not a picture"; }
    const QString folder = QString::fromStdString(dir);
    const QString first = pictureForSong(folder, "/songs/one.kar");
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(pictureForSong(folder, "/songs/one.kar"), first) << "the same song, the same picture";
    EXPECT_FALSE(first.endsWith(".txt"));
    EXPECT_EQ(pictureForSong(QString::fromStdString(tempDir() + "/none"), "/songs/one.kar"), "");
    EXPECT_EQ(pictureForSong(folder, ""), "");

    Settings s;
    s.ScreenBackground = Settings::ScreenBack::Pictures;
    ScreenRender r(s);
    r.setSize(QSize(320, 180));
    r.setPicture(first);
    const QColor c = r.background().pixelColor(160, 90);
    EXPECT_GT(c.red(), c.green() + 20) << "the picture shows";
    EXPECT_LT(c.red(), 200) << "dimmed, for the words to stand out";
    r.setPicture(QString::fromStdString(dir + "/notes.txt")); // unreadable: the gradient instead
    const QColor g = r.background().pixelColor(160, 2);
    EXPECT_GT(g.blue(), g.red() + 30) << "the gradient's dark blue top";
}
