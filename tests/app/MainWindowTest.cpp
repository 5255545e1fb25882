#include "AppState.h"
#include "MenuTable.h"
#include "Twips.h"
#include "frmDataGrid.h"
#include "frmIndic.h"
#include "frmLyric.h"
#include "frmMain.h"
#include "frmPlay.h"
#include "ProfileFile.h"
#include "SettingsService.h"
#include "SmfWriter.h"
#include "SongDetails.h"
#include "SongTableModel.h"

#include <gtest/gtest.h>

#include <algorithm>

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
#include <QSet>
#include <QSqlQuery>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

using namespace lirmus;

namespace {

struct Fixture {
    /// Messages the player would show in a box, kept here instead (they outlive the player).
    struct Messages : NullDisplays {
        QStringList texts;
        void messageBox(const QString& t, MessageIcon) override { texts << t; }
    } messages;
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
        main.onBeep = [this] { ++beeps; };
        main.createChildWindows();
        state.player.hub().attachApp(&messages);
        main.showAll();
        QCoreApplication::processEvents();
    }

    void resizeTwips(int w, int h)
    {
        main.resize(px(w), px(h));
        QCoreApplication::processEvents();
    }
};

/// The window's action that a key sequence fires, nullptr when none does.
QAction* actionFor(const frmMain& main, const QKeySequence& keys)
{
    for (QAction* a : main.actions())
        if (a->shortcut() == keys) return a;
    return nullptr;
}

} // namespace

TEST(MainWindow, EveryItemIsInAMenuAndEveryShortcutWorksWithItsMenuClosed)
{
    Fixture f;
    QList<QMenu*> menus{f.main.mnuPopData()};
    for (QAction* top : f.main.menuBar()->actions())
        if (top->menu()) menus << top->menu();
    for (const MenuItem& item : mainMenuTable()) {
        if (item.level == 0 || QString(item.caption) == "-") continue;
        SCOPED_TRACE(std::string(item.control) + "(" + std::to_string(item.index) + ")");
        QAction* a = f.main.menuAction(item.control, item.index);
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(std::any_of(menus.begin(), menus.end(), [a](QMenu* m) { return m->actions().contains(a); }));
        // The grid's pop-up is never on the menu bar: its shortcuts fire only from the window.
        if (*item.shortcut) {
            EXPECT_EQ(actionFor(f.main, QKeySequence(QString(item.shortcut))), a);
        }
    }
    // Two actions on one key sequence make Qt fire neither.
    QList<QAction*> ours = f.main.actions();
    for (QMenu* m : menus) ours += m->actions();
    QList<QKeySequence> keys;
    for (QAction* a : QSet<QAction*>(ours.begin(), ours.end()))
        if (!a->shortcut().isEmpty()) keys << a->shortcut();
    for (const QKeySequence& k : keys) EXPECT_EQ(keys.count(k), 1) << k.toString().toStdString();
}

TEST(MainWindow, DatabaseItemsFollowTheOpenDatabase)
{
    Fixture f;
    for (int i : {8, 10, 18}) EXPECT_FALSE(f.main.menuAction("mnuDataBase", i)->isEnabled()) << "no library yet";
    emit f.main.browser()->databaseOpen(true);
    for (int i : {8, 10, 18}) EXPECT_TRUE(f.main.menuAction("mnuDataBase", i)->isEnabled());
    f.main.mnuDataBase_Click(10); // "Scan/Import..." without a library in the browser does nothing
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
    // In the player's band every control of the master panel stays whole and apart.
    frmIndic* m = f.main.monitor();
    QList<QWidget*> controls;
    for (QWidget* w : m->picMidiOut->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && w != m->findChild<QWidget*>("lblTrack")) controls << w;
    const QRect band = m->rect();
    for (QWidget* w : controls) {
        const QRect g(w->mapTo(m, QPoint(0, 0)), w->size());
        EXPECT_TRUE(band.contains(g)) << w->objectName().toStdString() << " is cut";
        for (QWidget* other : controls)
            if (other != w && w != m->picMelody && other != m->picMelody) {
                EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                    << w->objectName().toStdString() << " covers " << other->objectName().toStdString();
            }
    }
}

TEST(MainWindow, TooSmallForTheLayoutMaximizes)
{
    Fixture f;
    // Tall enough for the size rule, too short for 1500 twips of browser.
    f.resizeTwips(9000, 6300);
    EXPECT_TRUE(f.main.isMaximized());
}

TEST(MainWindow, TheFirstRunOpensMaximizedAndLaterRunsWhereTheUserLeftIt)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    QRect left;
    {
        Fixture f;
        f.state.settingsService = std::make_unique<SettingsService>(ini);
        f.main.restoreMainGeometry();
        EXPECT_TRUE(f.main.windowState() & Qt::WindowMaximized);
        f.main.showNormal();
        f.main.setGeometry(40, 30, px(12000), px(9000));
        QCoreApplication::processEvents();
        left = f.main.geometry();
        f.state.StartingUp = true; // sizes start-up goes through are not kept
        f.main.resize(px(7000), px(7000));
        f.state.StartingUp = false;
    }
    Fixture again;
    again.state.settingsService = std::make_unique<SettingsService>(ini);
    again.main.restoreMainGeometry();
    EXPECT_FALSE(again.main.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again.main.geometry(), left);
}

TEST(MainWindow, F5LoadsTheSongChosenInTheGridAndNamesThePlayer)
{
    Fixture f;
    auto* model = new QStandardItemModel(1, 5, f.main.browser());
    model->setItem(0, 3, new QStandardItem("-2"));
    model->setItem(0, 4, new QStandardItem("/songs/Volare.kar"));
    f.main.browser()->grdData->setModel(model);
    f.main.browser()->grdData->setCurrentIndex(model->index(0, 0));
    f.main.browser()->optDBFile->setChecked(true);
    QAction* f5 = actionFor(f.main, QKeySequence(Qt::Key_F5));
    ASSERT_NE(f5, nullptr);
    f5->trigger();
    EXPECT_EQ(f.state.player.state().SongFile, QString("/songs/Volare.kar"));
    EXPECT_EQ(f.state.player.state().SongTranspose, -2);
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
    f.state.player.chooseSong("/songs/before.kar", 3);
    browser->filFiles->setCurrentRow(0);
    f.main.mnuPlayer_Click(2);
    EXPECT_EQ(f.state.player.state().SongFile, songs + "/Volare.kar");
    EXPECT_EQ(f.state.player.state().SongTranspose, 0);
    EXPECT_EQ(f.main.subWindowOf(f.main.player())->windowTitle(), "Play: " + songs + "/Volare.kar");

    // One writer of the settings file: the browser's folder and an option changed later both reach it.
    ASSERT_NE(f.state.settingsService, nullptr) << "windows made on their own get a settings service";
    browser->dirFiles_Change(other);
    f.state.settingsService->setInt("OPTIONS", "KaraokeRows", 5);
    ASSERT_TRUE(f.state.settingsService->flush());
    EXPECT_EQ(ini.getString("DATABASE", "CurDir"), other.toStdString());
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 0), 5);
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

TEST(MainWindow, SaveKeyAndTempoKeepsWhatTheSongStartsWithNextTime)
{
    Fixture f;
    const QString dir = QString::fromStdString(lirmus::test::tempDir());
    const QString song = dir + "/song.mid";
    lirmus::test::SmfWriter smf(1, 480);
    smf.track().tempo(0, 500000).note(0, 0, 60, 100).noteOff(48000, 0, 60).end();
    ASSERT_TRUE(smf.save(song.toStdString()));
    const QString db = dir + "/keys.db";
    DbError e;
    ASSERT_TRUE(copyFileReplacing(QString::fromStdString(lirmus::test::buildDir()) + "/data/Database.new", db, &e));
    {
        SongLibrary lib;
        ASSERT_TRUE(lib.open(db, &e));
        ASSERT_TRUE(lib.insertSong({"Song", "", "", 0, song}, &e));
    }
    frmDataGrid* browser = f.main.browser();
    browser->CurDB = db;
    browser->CurRecordSource = kDefaultRecordSource;
    browser->CaricaDB();
    ASSERT_EQ(browser->CurDB, db);

    f.state.settings.AutoStart = true; // cued: nothing needs to sound
    f.state.settings.KeyChange = 1;
    f.state.player.playSong(song, 0);
    ASSERT_EQ(f.state.player.state().Transpose, 1);
    f.state.player.mixer().udTrans_Change(4);
    f.state.player.mixer().udTempo_Change(-10);
    f.main.saveKeyAndTempo();
    SongLibrary check;
    ASSERT_TRUE(check.open(db, &e));
    EXPECT_EQ(marksOf(check, song).tempoChange, -10);
    QSqlQuery q(check.database());
    ASSERT_TRUE(q.exec("SELECT TRANSPOSE FROM \"All Songs\"") && q.next());
    EXPECT_EQ(q.value(0).toInt(), 3) << "the options' key change is added again at the start";

    // Started from the grid again, it plays in that key and tempo.
    browser->grdData->setCurrentIndex(browser->songs()->index(0, 0));
    browser->grdData_DblClick();
    EXPECT_EQ(f.state.player.state().Transpose, 4);
    EXPECT_EQ(f.state.player.state().SongTempoChange, -10);
    f.state.player.transport().cmdStop_Click();
}
