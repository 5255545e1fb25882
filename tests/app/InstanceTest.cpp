// A second start: the songs it names, the folder its settings go to, and the
// local socket that hands its songs to the running copy.
#include "InstanceChannel.h"
#include "Main.h"
#include "SmfWriter.h"

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

TEST(SecondStart, NoRunningCopyMeansTheHandOverFails)
{
    const QString path = QString::fromStdString(tempDir()) + "lirmus.socket";
    EXPECT_FALSE(sendToRunningCopy(path, {"/k/a.mid"}, 300));
}
