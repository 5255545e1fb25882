#include "AppState.h"
#include "Twips.h"
#include "frmDataGrid.h"
#include "frmIndic.h"
#include "frmLyric.h"
#include "frmMain.h"
#include "frmPlay.h"
#include "ProfileFile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

using namespace lirmus;

namespace {

struct Fixture {
    AppState state;
    frmMain main{state};
    int beeps = 0;

    Fixture(int rows = 4, const QString& appPath = {})
    {
        if (!appPath.isEmpty()) state.settings.AppPath = makeAppPath(appPath.toStdString());
        while (state.controllers.rows() < rows) {
            state.controllers.CtrlNumber.push_back(20 + state.controllers.rows());
            state.controllers.CtrlName.push_back("Extra");
            state.controllers.CtrlMin.push_back(-100);
            state.controllers.CtrlMax.push_back(100);
            state.controllers.CtrlMaster.push_back(0);
            state.controllers.CtrlValue.push_back({});
        }
        fillNoteNames(state.settings);
        main.beep = [this] { ++beeps; };
        main.createChildWindows();
        main.showAll();
        QCoreApplication::processEvents();
    }

    void resizeTwips(int w, int h)
    {
        main.resize(px(w), px(h));
        QCoreApplication::processEvents();
    }
};

struct Expected {
    const char* control;
    int index;
    const char* caption;
    const char* shortcut;
    bool visible, enabled;
};

} // namespace

TEST(MainWindow, CaptionAndMenuTree)
{
    Fixture f;
    EXPECT_EQ(f.main.windowTitle(), QString("Lirmus   BETA Version 0.1"));
    const Expected items[] = {
        {"mnuTop", 0, "&File", "", true, true},
        {"mnuStampa", 10, "Print preview...", "", false, true},
        {"mnuVuoto", -1, "", "", false, true},
        {"mnuExit", -1, "E&xit", "", true, true},
        {"mnuTop", 2, "&Player", "", true, true},
        {"mnuPlayer", 2, "&Load current song", "F5", true, true},
        {"mnuPlayer", 4, "&Play", "", true, true},
        {"mnuPlayer", 6, "Pau&se", "", true, true},
        {"mnuPlayer", 8, "&Stop", "", true, true},
        {"mnuPlayer", 92, "&Info on Midi File...", "F6", true, true},
        {"mnuTop", 4, "&Database", "", true, true},
        {"mnuDataBase", 4, "&New...", "", true, true},
        {"mnuDataBase", 6, "&Open...", "", true, true},
        {"mnuDataBase", 8, "&Select...", "", true, false},
        {"mnuDataBase", 10, "Scan/&Import...", "", true, false},
        {"mnuDataBase", 18, "&Close", "", true, false},
        {"mnuDataBase", 20, "", "", false, true},
        {"mnuDataBase", 30, "&Info...", "", false, true},
        {"mnuDataBase", 38, "", "", true, true},
        {"mnuDataBase", 40, "Repair  and Compact Database...", "", true, true},
        {"mnuTop", 7, "&Setup", "", true, true},
        {"mnuOptions", 9, "Options...", "", true, true},
        {"mnuTop", 9, "&?", "", true, true},
        {"mnuHelp", 90, "&About...", "", true, true},
        {"mnuPData", 0, "Load Song", "", true, true},
        {"mnuPData", 2, "Find...", "Ctrl+F", true, true},
        {"mnuPData", 4, "Find next", "F3", true, true},
        {"mnuPData", 10, "Copy Midi/Kar to...", "", true, true},
    };
    for (const Expected& e : items) {
        SCOPED_TRACE(std::string(e.control) + "(" + std::to_string(e.index) + ")");
        QAction* a = f.main.menuAction(e.control, e.index);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString(e.caption));
        EXPECT_EQ(a->shortcut(), QKeySequence(QString(e.shortcut)));
        EXPECT_EQ(a->isVisible(), e.visible);
        if (e.visible) {
            EXPECT_EQ(a->isEnabled(), e.enabled);
        }
    }
    // The menu bar shows five menus in order; the browser's pop-up is not among them.
    QStringList bar;
    for (QAction* a : f.main.menuBar()->actions())
        if (a->isVisible()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Player", "&Database", "&Setup", "&?"}));
    ASSERT_NE(f.main.mnuPopData(), nullptr);
    EXPECT_EQ(f.main.mnuPopData()->title(), QString("PopDataGrid"));
    EXPECT_EQ(f.main.mnuPopData()->actions().size(), 6);
}

TEST(MainWindow, DatabaseItemsFollowTheOpenDatabase)
{
    Fixture f;
    emit f.main.browser()->databaseOpen(true);
    for (int i : {8, 10, 18}) EXPECT_TRUE(f.main.menuAction("mnuDataBase", i)->isEnabled());
    f.main.mnuDataBase_Click(10); // "Scan/Import..." does nothing from the menu bar
    emit f.main.browser()->databaseOpen(false);
    for (int i : {8, 10, 18}) EXPECT_FALSE(f.main.menuAction("mnuDataBase", i)->isEnabled());
}

TEST(MainWindow, MinimumSizeRuleBeepsAndRestores)
{
    Fixture f;
    f.state.StartingUp = true; // the size rule alone, without the layout's maximize
    const int frameW = f.main.frameGeometry().width() - f.main.width();
    const int frameH = f.main.frameGeometry().height() - f.main.height();
    f.resizeTwips(5000, 8000);
    EXPECT_EQ(f.beeps, 1);
    EXPECT_EQ(f.main.frameGeometry().width(), px(6300));
    EXPECT_EQ(f.main.frameGeometry().height(), px(8000) + frameH);

    f.resizeTwips(9000, 4000);
    EXPECT_EQ(f.beeps, 2);
    EXPECT_EQ(f.main.frameGeometry().height(), px(6300));
    EXPECT_EQ(f.main.frameGeometry().width(), px(9000) + frameW);

    f.resizeTwips(3000, 3000); // both too small: one beep, both restored
    EXPECT_EQ(f.beeps, 3);
    EXPECT_EQ(f.main.frameGeometry().size(), QSize(px(6300), px(6300)));
}

TEST(MainWindow, LayoutPlacesTheFourWindows)
{
    Fixture f(8);
    f.resizeTwips(15000, 12000);
    ASSERT_FALSE(f.main.LayoutWindows());
    const QRect client = f.main.mdiArea()->viewport()->rect();
    auto geometry = [&](QWidget* w) { return f.main.subWindowOf(w)->geometry(); };
    const QRect play = geometry(f.main.player()), lyr = geometry(f.main.lyrics()), mon = geometry(f.main.monitor());
    EXPECT_EQ(play.bottom(), client.bottom());
    EXPECT_EQ(play.width(), px(static_cast<int>(twips(f.main.frameGeometry().width()) * 0.66)));
    EXPECT_EQ(lyr.bottom() + 1, play.top());
    EXPECT_EQ(geometry(f.main.browser()).top(), 0);
    EXPECT_EQ(geometry(f.main.browser()).bottom() + 1, lyr.top());
    EXPECT_EQ(mon.left(), play.width());
    EXPECT_EQ(mon.right(), client.right());
    EXPECT_EQ(mon.height(), client.height());
    // Eight controller rows: master sliders 6 and 7 show in the normal arrangement,
    // and hide when the lyrics window is enlarged.
    auto shown = [&](int i) { return !f.main.monitor()->sliMC[size_t(i)]->isHidden(); };
    EXPECT_TRUE(shown(6) && shown(7));
    f.state.settings.KaraokeEnlarged = true;
    f.main.LayoutWindows();
    EXPECT_FALSE(shown(6) || shown(7));
    EXPECT_EQ(geometry(f.main.lyrics()).width(), client.width());
    EXPECT_EQ(geometry(f.main.monitor()).top(), geometry(f.main.player()).top());
}

TEST(MainWindow, TooSmallForTheLayoutMaximizes)
{
    Fixture f;
    // Tall enough for the size rule, too short for 1500 twips of browser.
    f.resizeTwips(9000, 6300);
    EXPECT_TRUE(f.main.isMaximized());
}

TEST(MainWindow, LoadSongFromTheGridNamesThePlayer)
{
    Fixture f;
    auto* model = new QStandardItemModel(1, 5, f.main.browser());
    model->setItem(0, 3, new QStandardItem("-2"));
    model->setItem(0, 4, new QStandardItem("/songs/Volare.kar"));
    f.main.browser()->grdData->setModel(model);
    f.main.browser()->grdData->setCurrentIndex(model->index(0, 0));
    f.main.browser()->optDBFile->setChecked(true);
    f.main.mnuPlayer_Click(2);
    EXPECT_EQ(f.state.player.state.SongFile, QString("/songs/Volare.kar"));
    EXPECT_EQ(f.state.player.state.SongTranspose, -2);
    EXPECT_EQ(f.main.subWindowOf(f.main.player())->windowTitle(), QString("Play: /songs/Volare.kar"));
}

TEST(MainWindow, BrowserFilesStartInTheSavedFolderAndPlay)
{
    QTemporaryDir tmp;
    const QString songs = tmp.path() + "/songs", other = tmp.path() + "/other";
    ASSERT_TRUE(QDir().mkpath(songs) && QDir().mkpath(other));
    QFile(songs + "/Volare.kar").open(QIODevice::WriteOnly);
    ProfileFile ini((tmp.path() + "/LIRMUS.INI").toStdString());
    ini.writeString("DATABASE", "CurDir", songs.toStdString());
    Fixture f(4, tmp.path());
    frmDataGrid* browser = f.main.browser();
    ASSERT_EQ(browser->filesPath(), songs);
    ASSERT_EQ(browser->filFiles->count(), 1);

    // The Player menu's F5 plays the file picked in the browser, with no transposition.
    f.state.player.state.SongTranspose = 3;
    browser->filFiles->setCurrentRow(0);
    f.main.mnuPlayer_Click(2);
    EXPECT_EQ(f.state.player.state.SongFile, songs + "/Volare.kar");
    EXPECT_EQ(f.state.player.state.SongTranspose, 0);
    EXPECT_EQ(f.main.subWindowOf(f.main.player())->windowTitle(), "Play: " + songs + "/Volare.kar");

    browser->dirFiles_Change(other);
    EXPECT_EQ(ini.getString("DATABASE", "CurDir"), other.toStdString());
}

TEST(MainWindow, ChildWindowsHaveTheirCaptionsAndCannotBeClosedAlone)
{
    Fixture f;
    QStringList titles;
    for (QWidget* w : std::initializer_list<QWidget*>{f.main.player(), f.main.lyrics(), f.main.monitor(), f.main.browser()})
        titles << f.main.subWindowOf(w)->windowTitle();
    EXPECT_EQ(titles, QStringList({"Play", "Lyric", "Midi Out", "Files"}));
    QMdiSubWindow* sub = f.main.subWindowOf(f.main.monitor());
    EXPECT_FALSE(sub->windowFlags() & Qt::WindowCloseButtonHint);
    sub->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.main.mdiArea()->subWindowList().size(), 4);
}
