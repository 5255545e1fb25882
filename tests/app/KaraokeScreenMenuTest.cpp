// The karaoke screen from the main window: F11 and the Setup menu open and
// close it, the screen choice is kept in the settings file, and the main
// window and its children stay exactly as they were while it shows.
#include "AppState.h"
#include "SampleLyrics.h"
#include "SmfWriter.h"
#include "frmDataGrid.h"
#include "frmIndic.h"
#include "frmKaraokeScreen.h"
#include "frmLyric.h"
#include "frmMain.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QScreen>

using namespace lirmus;

namespace {

struct Main {
    AppState state;
    frmMain main{state};

    Main()
    {
        state.settings.AppPath = makeAppPath(test::tempDir());
        state.settingsService = std::make_unique<SettingsService>(state.settings.iniPath());
        main.onBeep = [] {};
        main.createChildWindows();
        main.showAll();
        QCoreApplication::processEvents();
    }
    /// What a user could see change on the main window.
    QList<QRect> looks() const
    {
        QList<QRect> r{main.geometry()};
        for (QWidget* w : {static_cast<QWidget*>(main.player()), static_cast<QWidget*>(main.lyrics()),
                           static_cast<QWidget*>(main.monitor()), static_cast<QWidget*>(main.browser())})
            r << main.subWindowOf(w)->geometry();
        return r;
    }
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST(KaraokeScreenMenu, F11OpensAndClosesTheScreenAndTheMainWindowStaysAsItWas)
{
    Main m;
    QAction* item = m.main.menuAction("mnuOptions", 20);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&Karaoke Screen");
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F11));
    // A song cued (AutoStart on) before the screen opens.
    const std::string path = test::tempDir() + "screen-menu.kar";
    test::writeFile(path, test::karaokeSong({"first line of the song", "second"}, "UTF-8", "A song"));
    m.state.settings.AutoStart = true;
    m.state.player.playSong(QString::fromStdString(path), 0);
    m.settle();
    const QList<QRect> before = m.looks();
    const int fontSize = m.state.settings.KaraokeFontSize;

    item->trigger();
    m.settle();
    frmKaraokeScreen* screen = m.main.karaokeScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(screen->isFullScreen());
    EXPECT_EQ(screen->shownOn(), QGuiApplication::primaryScreen()) << "one screen: it goes there";
    screen->frame();
    ASSERT_TRUE(screen->card().has_value()) << "a cued song shows its card";
    EXPECT_EQ(screen->card()->credits.title, "A song");
    m.state.player.lyrics().PrintLyric(1, 1, "fir");
    m.settle();
    EXPECT_EQ(m.looks(), before);
    EXPECT_EQ(m.state.settings.KaraokeFontSize, fontSize);
    EXPECT_TRUE(m.main.isVisible());

    item->trigger();
    m.settle();
    EXPECT_EQ(m.main.karaokeScreen(), nullptr);
    EXPECT_EQ(m.looks(), before);

    // Open again, leave with the screen's own F11 (the main window's shortcut
    // does not reach a window of its own), and open once more.
    item->trigger();
    m.settle();
    ASSERT_NE(m.main.karaokeScreen(), nullptr);
    QKeyEvent f11(QEvent::KeyPress, Qt::Key_F11, Qt::NoModifier);
    QCoreApplication::sendEvent(m.main.karaokeScreen(), &f11);
    m.settle();
    EXPECT_EQ(m.main.karaokeScreen(), nullptr);
    m.state.player.lyrics().PrintLyric(1, 6, " line"); // no view left behind
    item->trigger();
    m.settle();
    EXPECT_NE(m.main.karaokeScreen(), nullptr);
    m.main.close(); // closing the program closes the screen
    m.settle();
    EXPECT_EQ(m.main.karaokeScreen(), nullptr);
}

TEST(KaraokeScreenMenu, TheScreenChoiceIsKeptInTheSettingsFile)
{
    Main m;
    EXPECT_EQ(m.main.karaokeScreenName(), "");
    ASSERT_NE(m.main.menuAction("mnuOptions", 21), nullptr);
    m.main.toggleKaraokeScreen();
    m.settle();
    const QString name = QGuiApplication::primaryScreen()->name();
    m.main.setKaraokeScreen(name);
    EXPECT_EQ(m.state.settingsService->getString("OPTIONS", "KaraokeScreen"), name.toStdString());
    EXPECT_EQ(m.main.karaokeScreen()->shownOn(), QGuiApplication::primaryScreen());
    m.state.settingsService->flush();
    SettingsService reread(m.state.settings.iniPath());
    EXPECT_EQ(reread.getString("OPTIONS", "KaraokeScreen"), name.toStdString());
    // A screen that is gone: the one there is.
    m.main.setKaraokeScreen("HDMI-unplugged");
    EXPECT_TRUE(m.main.karaokeScreen()->isVisible());
    EXPECT_EQ(m.main.karaokeScreen()->shownOn(), QGuiApplication::primaryScreen());
}

TEST(KaraokeScreenMenu, BoxesWaitWhileTheScreenCoversTheMainWindow)
{
    Main m;
    const auto boxes = [] {
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == "held notice") ++shown;
        return shown;
    };
    m.main.openKaraokeScreen();
    m.settle();
    ASSERT_NE(m.main.karaokeScreen(), nullptr);
    m.state.player.hub().showNotice("held notice"); // one screen: the karaoke screen covers the main window
    m.settle();
    EXPECT_EQ(boxes(), 0) << "singers are not shown the host's messages";
    m.main.karaokeScreen()->close();
    m.settle();
    EXPECT_EQ(boxes(), 1) << "it comes once the screen has closed";
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
}
