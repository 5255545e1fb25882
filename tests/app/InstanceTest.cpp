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
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

namespace {

/// Messages the player would show in a box.
struct Messages : NullDisplays {
    QStringList texts;
    void messageBox(const QString& t, MessageIcon) override { texts << t; }
};

/// A second copy handing songs over from beside this event loop (it blocks on its answer).
bool sendBeside(const QString& path, const QStringList& songs, qint64* ms = nullptr)
{
    std::atomic<int> sent{-1};
    QElapsedTimer t;
    t.start();
    std::thread second([&] { sent = sendToRunningCopy(path, songs) ? 1 : 0; });
    while (sent < 0 && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second.join();
    if (ms) *ms = t.elapsed();
    QCoreApplication::processEvents(); // what was queued behind the answer
    return sent == 1;
}

/// What any local program may send: the bytes, then what it hears before the running copy hangs up.
struct Exchange {
    QByteArray answer;
    bool droppedByServer = false;
};
Exchange exchangeBeside(const QString& path, const QByteArray& bytes, int waitMs = 10000)
{
    Exchange got;
    std::atomic<bool> done{false};
    std::thread peer([&] {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(5000)) {
            socket.write(bytes);
            socket.waitForBytesWritten(5000);
            while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(waitMs))
                got.answer += socket.readAll();
            got.answer += socket.readAll();
            got.droppedByServer = socket.state() != QLocalSocket::ConnectedState;
        }
        done = true;
    });
    QElapsedTimer t;
    t.start();
    while (!done && t.elapsed() < waitMs + 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    peer.join();
    return got;
}

/// The running copy: an idle player (AutoStart off) taking songs from its socket in dir.
struct RunningCopy {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    Messages messages;
    Player player{settings, controllers};
    InstanceServer server;
    QString path;

    explicit RunningCopy(const std::string& dir) : path(QString::fromStdString(dir) + "lirmus.socket")
    {
        settings.AutoStart = false;
        player.output().useTestDevice(&device);
        player.hub().attachApp(&messages);
        EXPECT_TRUE(server.listen(path)) << server.errorString().toStdString();
        server.handSongsTo(player);
    }
    ~RunningCopy() { player.transport().cmdStop_Click(); }
};

/// n real songs in dir, named song0.mid...
QStringList writeSongs(const std::string& dir, int n)
{
    test::SmfWriter smf(1, 480);
    smf.track().note(0, 0, 60, 100).noteOff(480 * 120, 0, 60).end();
    QStringList songs;
    for (int i = 0; i < n; ++i) {
        const std::string path = dir + "song" + std::to_string(i) + ".mid";
        EXPECT_TRUE(smf.save(path));
        songs << QString::fromStdString(path);
    }
    return songs;
}

} // namespace

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

    const QString dir = QString::fromStdString(tempDir());
    const QStringList songs = {dir + QString::fromUtf8("caf\xC3\xA9 song.kar"), dir + "b.mid"};
    for (const QString& song : songs) writeFile(song.toStdString(), "MThd\0\0\0\6");
    for (int round = 0; round < 2; ++round) EXPECT_TRUE(sendBeside(path, songs));
    EXPECT_EQ(received, songs + songs) << "each start's songs once, in order";
}

TEST(SecondStart, OnlyAbsolutePathsOfMidiFilesAreTakenAndTheRestToldOnce)
{
    const std::string dir = tempDir();
    RunningCopy copy(dir);
    Player& player = copy.player;
    const QString& path = copy.path;
    const QStringList& messages = copy.messages.texts;
    QStringList received;
    QObject::connect(&copy.server, &InstanceServer::songsReceived, [&](const QStringList& f) { received += f; });

    const QString d = QString::fromStdString(dir);
    ASSERT_TRUE(QFile::rename(writeSongs(dir, 1).first(), d + "smf.kar")); // the one that plays
    writeFile(dir + "riff.rmi", std::string("RIFF\x10\0\0\0RMIDdata", 16));
    writeFile(dir + "wave.mid", std::string("RIFF\x10\0\0\0WAVEfmt ", 16));
    writeFile(dir + "text.mid", "MTh");
    writeFile(dir + "empty.mid", "");
    QDir().mkpath(d + "folder.mid");
    const QStringList good = {d + "smf.kar", d + "riff.rmi"};
    const QStringList bad = {d + "wave.mid", d + "text.mid", d + "empty.mid", d + "folder.mid", d + "gone.mid",
                             "smf.kar", "../smf.kar", "/dev/null"};
    // Relative names are not taken even where they would name a song (the peer's folder is unknown).
    const QString before = QDir::currentPath();
    QDir::setCurrent(d);
    EXPECT_TRUE(sendBeside(path, {bad[0], good[0], bad[1], bad[2], bad[3], good[1], bad[4], bad[5], bad[6], bad[7]}));
    QDir::setCurrent(before);
    EXPECT_EQ(received, good);
    ASSERT_EQ(messages.size(), 1) << "one notice for the whole batch";
    for (const QString& b : bad) EXPECT_TRUE(messages[0].contains(b)) << b.toStdString();
    EXPECT_EQ(player.state().SongFile, good[0]);
    EXPECT_EQ(player.playQueue().songs(), QStringList({good[1]}));

    // Nothing usable at all: the second start hears that its songs were not taken.
    EXPECT_FALSE(sendBeside(path, {bad[0], bad[4]}));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(received, good);

    // A usual batch, timed for the log (the tests assert no time).
    const QStringList batch = writeSongs(dir, 500);
    qint64 ms = 0;
    EXPECT_TRUE(sendBeside(path, batch, &ms));
    EXPECT_EQ(received.size(), 2 + 500);
    std::printf("a batch of 500 songs handed over and answered in %lld ms\n", static_cast<long long>(ms));
}

TEST(SecondStart, AConnectionIsBoundedInSizeSongsAndTime)
{
    const std::string dir = tempDir();
    const QString path = QString::fromStdString(dir) + "lirmus.socket";
    InstanceServer server;
    server.setMessageTimeout(std::chrono::milliseconds(300));
    ASSERT_TRUE(server.listen(path)) << server.errorString().toStdString();
    int batches = 0, ignoredBatches = 0;
    QObject::connect(&server, &InstanceServer::songsReceived, [&](const QStringList&) { ++batches; });
    QObject::connect(&server, &InstanceServer::songsIgnored, [&](const QStringList&) { ++ignoredBatches; });
    const QByteArray song = writeSongs(dir, 1).first().toUtf8() + '\n';

    // Too long: more than a mebibyte before the empty line.
    Exchange big = exchangeBeside(path, song.repeated(InstanceServer::kMaxMessage / song.size() + 1) + '\n');
    EXPECT_FALSE(big.answer.isEmpty());
    EXPECT_FALSE(big.answer.startsWith("OK")) << big.answer.toStdString();
    EXPECT_TRUE(big.droppedByServer);

    // Exactly a mebibyte is taken, a byte more is not: lines of 256 bytes,
    // the song's name lengthened with slashes.
    const auto padded = [&song](int length) {
        const qsizetype slash = song.lastIndexOf('/') + 1;
        return song.left(slash) + QByteArray(length - song.size(), '/') + song.mid(slash);
    };
    const QByteArray exact = padded(256).repeated(4095) + padded(255) + '\n';
    ASSERT_EQ(exact.size(), InstanceServer::kMaxMessage);
    EXPECT_TRUE(exchangeBeside(path, exact).answer.startsWith("OK"));
    EXPECT_TRUE(exchangeBeside(path, '/' + exact).answer.startsWith("REFUSED"));

    // Too many songs, each line short.
    Exchange many = exchangeBeside(path, QByteArray("/a\n").repeated(InstanceServer::kMaxSongs + 1) + '\n');
    EXPECT_FALSE(many.answer.isEmpty());
    EXPECT_FALSE(many.answer.startsWith("OK")) << many.answer.toStdString();

    // As many as allowed is fine.
    Exchange most = exchangeBeside(path, song.repeated(InstanceServer::kMaxSongs) + '\n');
    EXPECT_TRUE(most.answer.startsWith("OK")) << most.answer.toStdString();

    // A message that never ends is dropped, unanswered.
    Exchange silent = exchangeBeside(path, song, 3000);
    EXPECT_TRUE(silent.droppedByServer);
    EXPECT_TRUE(silent.answer.isEmpty()) << silent.answer.toStdString();

    EXPECT_EQ(batches, 2) << "only the messages within bounds were taken";
    EXPECT_EQ(ignoredBatches, 0);
}

TEST(SecondStart, AStartWithoutADisplayHandsItsSongsOver)
{
    const QString runtime = QString::fromStdString(tempDir()).chopped(1);
    const QStringList songs = writeSongs(runtime.toStdString() + "/", 2);
    QLockFile lock(runtime + "/lirmus.lock");
    ASSERT_TRUE(lock.tryLock(0));
    InstanceServer server;
    ASSERT_TRUE(server.listen(runtime + "/lirmus.socket")) << server.errorString().toStdString();
    QStringList received;
    QObject::connect(&server, &InstanceServer::songsReceived, [&](const QStringList& f) { received += f; });

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_RUNTIME_DIR", runtime);
    QProcess second;
    second.setProcessEnvironment(env);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(LIRMUS_EXE, songs);
    ASSERT_TRUE(second.waitForStarted(10000));
    QElapsedTimer t;
    t.start();
    while (second.state() != QProcess::NotRunning && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const QString log = QString::fromLocal8Bit(second.readAll());
    ASSERT_EQ(second.state(), QProcess::NotRunning) << log.toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(second.exitCode(), 0) << log.toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(received, songs);
}

TEST(SecondStart, BurstsOfSongsReachAnIdlePlayerThatStaysUpAndAnswersEach)
{
    // Forty starts at once, five hundred songs each, to a copy with nothing playing:
    // more than a queue holds.
    const std::string dir = tempDir();
    const QStringList songs = writeSongs(dir, 500);
    RunningCopy copy(dir);
    Player& player = copy.player;
    const QString& path = copy.path;
    const QStringList& messages = copy.messages.texts;
    player.playQueue().setRefused([&](const QStringList& files) {
        player.hub().messageBox(QString("%1 songs were not added").arg(files.size()), MessageIcon::Exclamation);
    });
    player.openOutput();

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
    EXPECT_EQ(player.playQueue().size(), PlayQueue::kMaxSongs) << "songs wait their turn up to the bound";
    // Twenty starts fill the queue (one song plays); each of the other twenty is told once.
    EXPECT_EQ(messages.size(), kStarts / 2);
    EXPECT_EQ(messages.value(0), "499 songs were not added");
}

TEST(SecondStart, NoRunningCopyMeansTheHandOverFails)
{
    const QString path = QString::fromStdString(tempDir()) + "lirmus.socket";
    EXPECT_FALSE(sendToRunningCopy(path, {"/k/a.mid"}, 300));
}
