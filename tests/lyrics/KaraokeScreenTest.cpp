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

} // namespace

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

