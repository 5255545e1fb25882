// Songs joining the play queue from the main window: "Add to Queue" (Ctrl+Q)
// on the browser's file list and grid, and songs another start hands over.
#include "AppState.h"
#include "frmDataGrid.h"
#include "frmMain.h"
#include "frmPlay.h"
#include "SmfWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QCheckBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

using namespace lirmus;

namespace {

struct Fixture {
    // What the player sends to and tells outlives it.
    TestDevice device;
    struct Messages : NullDisplays {
        QStringList texts;
        void messageBox(const QString& t, MessageIcon) override { texts << t; }
    } messages;
    AppState state;
    frmMain main{state};

    Fixture()
    {
        main.onBeep = [] {};
        main.createChildWindows();
        state.player.hub().attachApp(&messages);
        main.showAll();
        QCoreApplication::processEvents();
    }
    void press(const QKeySequence& keys)
    {
        for (QAction* a : main.actions())
            if (a->shortcut() == keys) return a->trigger();
        ADD_FAILURE() << "no action for " << keys.toString().toStdString();
    }
    QStringList queued() { return state.player.playQueue().songs(); }
};

} // namespace

TEST(QueueMenu, CtrlQAddsTheChosenFileOrGridRowWithoutStoppingTheSong)
{
    QTemporaryDir tmp;
    QFile(tmp.path() + "/Volare.kar").open(QIODevice::WriteOnly);
    Fixture f;
    frmDataGrid* browser = f.main.browser();
    browser->dirFiles_Change(tmp.path());
    ASSERT_EQ(browser->filFiles->count(), 1);
    f.state.player.chooseSong("/songs/now.kar", 0);

    f.press(QKeySequence("Ctrl+Q"));
    EXPECT_TRUE(f.queued().isEmpty()) << "nothing chosen yet";
    browser->filFiles->setCurrentRow(0);
    f.press(QKeySequence("Ctrl+Q"));
    EXPECT_EQ(f.queued(), QStringList({tmp.path() + "/Volare.kar"}));

    auto* model = new QStandardItemModel(1, 5, browser);
    model->setItem(0, 4, new QStandardItem("/songs/Grid.kar"));
    browser->grdData->setModel(model);
    browser->grdData->setCurrentIndex(model->index(0, 0));
    browser->optDBFile->setChecked(true);
    f.press(QKeySequence("Ctrl+Q"));
    EXPECT_EQ(f.queued(), QStringList({tmp.path() + "/Volare.kar", "/songs/Grid.kar"}));
    EXPECT_EQ(f.state.player.state().SongFile, "/songs/now.kar") << "queueing plays nothing";
    EXPECT_EQ(f.main.player()->lstQueue->count(), 2);
}

TEST(QueueMenu, HandedOverSongsPlayAtOnceOnlyWhenNothingPlays)
{
    Fixture f;
    f.main.queueSongs({"/songs/a.kar", "/songs/b.kar"});
    EXPECT_EQ(f.state.player.state().SongFile, "/songs/a.kar") << "nothing played: the first starts";
    EXPECT_EQ(f.queued(), QStringList({"/songs/b.kar"}));

    // A song is playing.
    test::SmfWriter smf(1, 480);
    smf.track().note(0, 0, 60, 100).noteOff(48000, 0, 60).end();
    const std::string playing = test::tempDir() + "queue-menu-playing.mid";
    ASSERT_TRUE(smf.save(playing));
    f.state.settings.AutoStart = false;
    f.state.player.output().useTestDevice(&f.device);
    f.state.player.openOutput();
    f.state.player.playSong(QString::fromStdString(playing), 0);
    ASSERT_TRUE(f.state.player.songInUse());
    f.main.queueSongs({"/songs/c.kar", "/songs/d.kar"});
    EXPECT_EQ(f.state.player.state().SongFile, QString::fromStdString(playing));
    EXPECT_EQ(f.queued(), QStringList({"/songs/b.kar", "/songs/c.kar", "/songs/d.kar"}));
}
