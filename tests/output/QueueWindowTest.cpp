// The play queue in the player window: the list follows the queue, and the
// move and remove buttons act on the chosen row. Set LIRMUS_SHOTS to a folder
// to keep pictures of the window at two sizes.
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "frmPlay.h"

#include "SmfWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

using namespace lirmus;

namespace {

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

} // namespace

TEST(QueueWindow, TheListFollowsTheQueueAndItsButtonsMoveAndRemove)
{
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    Player player{settings, controllers};
    frmPlay w{player};
    PlayQueue& q = player.playQueue();
    q.add({"/k/One.kar", "/k/Two.mid", "/k/Three.kar"});
    EXPECT_EQ(listed(w.lstQueue), QStringList({"One", "Two", "Three"}));
    EXPECT_EQ(w.lstQueue->item(1)->toolTip(), "/k/Two.mid");
    EXPECT_FALSE(w.cmdQueueRemove->isEnabled()) << "no row chosen";

    w.lstQueue->setCurrentRow(2);
    EXPECT_TRUE(w.cmdQueueUp->isEnabled());
    EXPECT_FALSE(w.cmdQueueDown->isEnabled()) << "the last row cannot go down";
    w.cmdQueueUp->click();
    EXPECT_EQ(q.songs(), QStringList({"/k/One.kar", "/k/Three.kar", "/k/Two.mid"}));
    EXPECT_EQ(w.lstQueue->currentRow(), 1) << "the chosen song stays chosen";
    w.cmdQueueUp->click();
    EXPECT_FALSE(w.cmdQueueUp->isEnabled());
    w.cmdQueueDown->click();
    w.cmdQueueDown->click();
    EXPECT_EQ(listed(w.lstQueue), QStringList({"One", "Two", "Three"}));

    w.lstQueue->setCurrentRow(0);
    w.cmdQueueRemove->click();
    EXPECT_EQ(listed(w.lstQueue), QStringList({"Two", "Three"}));
    EXPECT_EQ(q.takeFirst(), "/k/Two.mid") << "a song that started leaves the list";
    EXPECT_EQ(listed(w.lstQueue), QStringList({"Three"}));
    // A song asked for by name shows whose turn it is, first; the same file twice is two rows.
    q.insert(0, "/k/Three.kar", "Bob");
    EXPECT_EQ(listed(w.lstQueue), QStringList({"Bob: Three", "Three"}));

    if (const QByteArray dir = qgetenv("LIRMUS_SHOTS"); !dir.isEmpty()) {
        q.add({"/k/A rather long song name for the list.kar", "/k/Five.mid", "/k/Six.mid", "/k/Seven.kar"});
        // The player window as laid out on 1366 and 1920 pixel wide screens.
        for (const QSize size : {QSize(810, 145), QSize(1260, 160)}) {
            w.resize(size);
            w.show();
            w.grab().save(QString("%1/queue-%2x%3.png").arg(QString(dir)).arg(size.width()).arg(size.height()));
        }
    }
}

TEST(QueueWindow, SeveralSongsDroppedAtOncePlayTheFirstAndQueueTheRest)
{
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device; // outlives the player that sends to it
    Player player{settings, controllers};
    frmPlay w{player};
    struct Beeps : NullDisplays {
        int count = 0;
        void beep() override { ++count; }
    } app;
    player.hub().attachApp(&app);

    auto drop = [&w](const QStringList& files) { w.dropSongs(files); };
    drop({"/k/a.mid", "/k/notes.txt", "/k/c.KAR"});
    EXPECT_EQ(player.state().SongFile, "/k/a.mid") << "nothing played: the first starts";
    EXPECT_EQ(player.playQueue().songs(), QStringList({"/k/c.KAR"}));
    EXPECT_EQ(app.count, 2) << "one beep for what is no song, one with the missing song's message";

    // Now a song plays.
    test::SmfWriter smf(1, 480);
    smf.track().note(0, 0, 60, 100).noteOff(48000, 0, 60).end();
    const std::string playing = test::tempDir() + "playing.mid";
    ASSERT_TRUE(smf.save(playing));
    settings.AutoStart = false;
    player.output().useTestDevice(&device);
    player.openOutput();
    player.playSong(QString::fromStdString(playing), 0);
    ASSERT_TRUE(player.state().buttons.Pause);
    drop({"/k/d.mid", "/k/e.mid"});
    EXPECT_EQ(player.state().SongFile, QString::fromStdString(playing));
    EXPECT_EQ(player.playQueue().songs(), QStringList({"/k/c.KAR", "/k/d.mid", "/k/e.mid"}));

    // One song dropped is the song to play now, whatever plays.
    drop({QString::fromStdString(playing)});
    EXPECT_EQ(player.state().SongFile, QString::fromStdString(playing));
    drop({"/k/f.mid"});
    EXPECT_EQ(player.state().SongFile, "/k/f.mid");
    EXPECT_EQ(player.playQueue().songs().size(), 3) << "nothing more waits";
    player.hub().attachApp(nullptr);
}
