// A second start: the songs it names, the folder its settings go to, and the
// local socket that hands its songs to the running copy.
#include "InstanceChannel.h"
#include "Main.h"
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <atomic>
#include <thread>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

TEST(SecondStart, EverySongOnTheCommandLineIsKeptInOrder)
{
    const QString dir = QString::fromStdString(tempDir());
    for (const char* f : {"a.kar", "b.mid", "My Song.kar"}) writeFile((dir + f).toStdString(), "MThd");
    struct Case { QStringList args; QStringList songs; };
    for (const Case& c : std::vector<Case>{
             {{"lirmus", dir + "a.kar", dir + "b.mid"}, {dir + "a.kar", dir + "b.mid"}},
             {{"lirmus", "VediTu", dir + "b.mid", dir + "a.kar"}, {dir + "b.mid", dir + "a.kar"}},
             // One existing name with a blank, given unquoted.
             {{"lirmus", dir + "My", "Song.kar"}, {dir + "My Song.kar"}},
             // A missing song among good ones stays, to be reported when its turn comes.
             {{"lirmus", dir + "a.kar", dir + "gone.mid"}, {dir + "a.kar", dir + "gone.mid"}},
         }) {
        const CommandLine got = parseCommandLine(c.args);
        EXPECT_EQ(got.songs, c.songs) << c.args.join(' ').toStdString();
        EXPECT_EQ(got.song, c.songs.first());
    }
    EXPECT_TRUE(parseCommandLine({"lirmus", "VediTu"}).songs.isEmpty());
}

TEST(SecondStart, SettingsGoToTheUsersFolderOnlyForAnInstalledProgramWithoutALocalFile)
{
    const QString root = QString::fromStdString(tempDir());
    QDir().mkpath(root + "prefix/bin");
    QDir().mkpath(root + "prefix/share/lirmus");
    QDir().mkpath(root + "build");
    QDir().mkpath(root + "work");
    const QString home = root + "data";
    EXPECT_EQ(settingsFolder(root + "work", root + "prefix/bin", home), home + "/lirmus");
    EXPECT_EQ(settingsFolder(root + "work", root + "build", home), root + "work") << "a build-tree program";
    writeFile((root + "work/LIRMUS.INI").toStdString(), "[OPTIONS]\n");
    EXPECT_EQ(settingsFolder(root + "work", root + "prefix/bin", home), root + "work") << "a local file wins";
}

TEST(SecondStart, SongsReachTheRunningCopyPastASocketLeftByACrash)
{
    const QString path = QString::fromStdString(tempDir()) + "lirmus.socket";
    writeFile(path.toStdString(), "left behind"); // not even a socket
    InstanceServer server;
    ASSERT_TRUE(server.listen(path)) << server.errorString().toStdString();
    QStringList received;
    QObject::connect(&server, &InstanceServer::songsReceived, [&](const QStringList& f) { received += f; });

    // The second copy blocks on its answer: it runs beside this event loop.
    const QStringList songs = {QString::fromUtf8("/k/caf\xC3\xA9 song.kar"), "/k/b.mid"};
    for (int round = 0; round < 2; ++round) {
        std::atomic<int> sent{-1};
        std::thread second([&] { sent = sendToRunningCopy(path, songs) ? 1 : 0; });
        QElapsedTimer t;
        t.start();
        while (sent < 0 && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        second.join();
        EXPECT_EQ(sent, 1);
    }
    EXPECT_EQ(received, songs + songs) << "each start's songs once, in order";
}

TEST(SecondStart, BurstsOfSongsReachAnIdlePlayerThatStaysUpAndAnswersEach)
{
    // Forty starts at once, five hundred songs each, to a copy with nothing playing.
    const std::string dir = tempDir();
    test::SmfWriter smf(1, 480);
    smf.track().note(0, 0, 60, 100).noteOff(480 * 120, 0, 60).end();
    QStringList songs;
    for (int i = 0; i < 500; ++i) {
        const std::string path = dir + "song" + std::to_string(i) + ".mid";
        ASSERT_TRUE(smf.save(path));
        songs << QString::fromStdString(path);
    }
    Settings settings;
    settings.AutoStart = false;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    Player player{settings, controllers};
    player.output().useTestDevice(&device);
    player.openOutput();
    const QString path = QString::fromStdString(dir) + "lirmus.socket";
    InstanceServer server;
    ASSERT_TRUE(server.listen(path)) << server.errorString().toStdString();
    server.handSongsTo(player);

    constexpr int kStarts = 40;
    std::atomic<int> answered{0}, refused{0};
    std::vector<std::thread> starts;
    for (int i = 0; i < kStarts; ++i)
        starts.emplace_back([&] { (sendToRunningCopy(path, songs, 30000) ? answered : refused)++; });
    QElapsedTimer t;
    t.start();
    while (answered + refused < kStarts && t.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (std::thread& s : starts) s.join();
    QCoreApplication::processEvents(); // the last hand-over, queued behind its answer
    EXPECT_EQ(answered, kStarts);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(player.state().SongFile, songs.first()) << "the first song of the first start plays";
    EXPECT_TRUE(player.songInUse());
    EXPECT_EQ(player.playQueue().songs().size(), kStarts * songs.size() - 1) << "every other song waits its turn";
    player.transport().cmdStop_Click();
}

TEST(SecondStart, NoRunningCopyMeansTheHandOverFails)
{
    const QString path = QString::fromStdString(tempDir()) + "lirmus.socket";
    EXPECT_FALSE(sendToRunningCopy(path, {"/k/a.mid"}, 300));
}
