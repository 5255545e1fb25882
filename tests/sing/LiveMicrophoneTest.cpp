// The live path end to end: a voice played into a PulseAudio null sink whose
// monitor is the default microphone, heard through Qt Multimedia while the
// real player plays the song, scored as lirmus-score scores the same voice.
#include "ControllerTable.h"
#include "Player.h"
#include "PulseServer.h"
#include "SingController.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <sys/wait.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// The real player on the recording test device, in real time, and the singing beside it.
struct Stage {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    NullDisplays displays;
    std::unique_ptr<Player> player;
    std::unique_ptr<SingController> sing;

    Stage()
    {
        settings.TurboStart = false; // the song starts at time 0 of its file, as the voice does
        settings.AutoStart = false;
        player = std::make_unique<Player>(settings, controllers);
        player->output().useTestDevice(&device);
        player->hub().attachPlayer(&displays);
        player->hub().attachMonitor(&displays);
        player->hub().attachApp(&displays);
        player->openOutput();
        sing = std::make_unique<SingController>(*player, settings);
    }
    ~Stage()
    {
        sing.reset();
        player.reset();
    }

    /// Lets the event loop run until done() or ms pass; false on time out.
    template <class F>
    bool runUntil(F done, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(2); // leave the machine to the players of the voice
        }
        return true;
    }
};

int lirmusScore(const std::string& song, const std::string& wav)
{
    QProcess p;
    p.start(QString::fromStdString(buildDir() + "lirmus-score"), {QString::fromStdString(song), QString::fromStdString(wav)});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
    return out.section("score: ", 1).trimmed().toInt();
}

} // namespace

TEST(LiveMicrophone, AVoiceIntoTheMicrophoneScoresAsLirmusScoreDoes)
{
    if (!onPath("pulseaudio") || !onPath("pacat") || !onPath("pactl")) GTEST_SKIP() << "no PulseAudio";
    PulseServer server;
    ASSERT_TRUE(server.start()) << server.logText();
    Stage s;
    const std::string song = twoLineSong(2, 3000000, 1); // notes of 1.5 s after a beat of 3 s
    const std::string voice = tempDir() + "voice.wav", played = tempDir() + "played.wav";
    const SingSong melody = singSongOf(prepared(song, s.settings), 3);
    const std::vector<float> sung = singMelody(melody, -12);
    ASSERT_TRUE(writeMonoWav(voice, sung));
    // The voice goes into the sink from a little before the first note: long silence ahead of it
    // would make the null sink run a second late.
    const double cutMs = melody.notes.front().start - 300;
    ASSERT_TRUE(writeMonoWav(played, std::vector<float>(sung.begin() + long(cutMs * 44.1), sung.end())));

    s.sing->setActive(true);
    ASSERT_TRUE(s.sing->microphone().running()) << s.sing->microphone().error().toStdString();
    s.player->playSong(QString::fromStdString(song), 0);
    ASSERT_TRUE(s.runUntil([&] { return s.player->lyrics().songPositionMs() >= cutMs; }, 10000));
    const double startedAt = s.player->lyrics().songPositionMs() - cutMs;
    const pid_t pacat = spawn({"pacat", "--device=lirmus", "--file-format=wav", "--latency-msec=20", played},
                              server.dir + "/pacat.log");
    ASSERT_GT(pacat, 0);

    // When the voice was heard to begin, in song time: the player of the voice takes a moment to
    // start on a busy machine, and the score is compared on the voice as it was heard.
    double heardFrom = 1e9;
    ASSERT_TRUE(s.runUntil(
        [&] {
            if (const auto g = s.sing->guide())
                for (const GuidePoint& p : g->trace)
                    if (p.pitch > 0) heardFrom = std::min(heardFrom, p.ms);
            return s.player->lyrics().songPositionMs() > melody.notes.front().start + 1000;
        },
        20000));
    const double lateMs = heardFrom - melody.notes.front().start;
    EXPECT_GT(lateMs, -60) << "the voice cannot be heard before it was played";
    EXPECT_LT(lateMs, 150) << "heard late: the voice's frames are placed in the song as they were captured";

    // Halfway the guide shows the trace the voice draws.
    size_t traced = 0;
    ASSERT_TRUE(s.runUntil([&] { return s.player->lyrics().songPositionMs() > 6000; }, 20000));
    if (const auto g = s.sing->guide()) {
        for (const GuidePoint& p : g->trace) traced += p.pitch > 0;
        EXPECT_FALSE(g->bars.empty());
        EXPECT_GT(g->capturedMs, 0);
    }
    ASSERT_TRUE(s.runUntil([&] { return s.sing->lastScore() >= 0; }, 30000)) << "the song never ended sung";
    waitpid(pacat, nullptr, 0);
    const int live = s.sing->lastScore();
    const int offline = lirmusScore(song, voice);
    // The same voice as the microphone heard it: as late as it began.
    const std::string heard = tempDir() + "heard.wav";
    std::vector<float> late(size_t(std::max(0.0, lateMs) * 44.1), 0.0f);
    late.insert(late.end(), sung.begin(), sung.end());
    ASSERT_TRUE(writeMonoWav(heard, late));
    const int offlineHeard = lirmusScore(song, heard);
    std::printf("[ live     ] voice started %.0f ms late, heard %.0f ms late; live %d, lirmus-score %d (as heard %d), "
                "%zu trace points at the half\n",
                startedAt, lateMs, live, offline, offlineHeard, traced);
    EXPECT_GT(traced, 20u);
    EXPECT_GE(offline, 85);
    EXPECT_NEAR(live, offlineHeard, 5);

    // The card: the song just sung with its score once nothing plays; the next song's card carries it.
    ASSERT_TRUE(s.runUntil([&] { return !s.player->songInUse(); }, 10000));
    const std::optional<TitleCard> ended = s.sing->card({});
    ASSERT_TRUE(ended.has_value());
    EXPECT_TRUE(ended->ended);
    EXPECT_EQ(ended->score, live);
    TitleCard next;
    next.place = 1;
    const std::optional<TitleCard> withNext = s.sing->card(next);
    ASSERT_TRUE(withNext.has_value());
    EXPECT_FALSE(withNext->ended);
    EXPECT_EQ(withNext->score, live);
}

TEST(LiveMicrophone, NoMicrophoneIsSaidOnceAndTheSongPlaysOn)
{
    // A server address where nothing listens: no input at all.
    const std::string dir = tempDir();
    setenv("PULSE_SERVER", ("unix:" + dir + "/nothing").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", dir.c_str(), 1);
    Stage s;
    s.sing->setActive(true);
    EXPECT_FALSE(s.sing->microphone().running());
    EXPECT_FALSE(s.sing->microphone().error().isEmpty());
    const std::string song = twoLineSong(2, 250000);
    s.player->playSong(QString::fromStdString(song), 0);
    ASSERT_TRUE(s.runUntil([&] { return s.player->lyrics().songPositionMs() > 1000; }, 10000));
    const auto g = s.sing->guide();
    ASSERT_TRUE(g.has_value()) << "the guide still shows the melody";
    EXPECT_FALSE(g->bars.empty());
    EXPECT_EQ(g->message, s.sing->microphone().error());
    s.sing->setActive(false);
    s.sing->setActive(true); // the screen opened again: not said again
    EXPECT_EQ(s.sing->guide()->message, s.sing->microphone().error()) << "still the same song";
    ASSERT_TRUE(s.runUntil([&] { return !s.player->songInUse(); }, 15000));
    s.player->playSong(QString::fromStdString(twoLineSong(3, 250000)), 0);
    ASSERT_TRUE(s.runUntil([&] { return s.player->lyrics().songPositionMs() > 500; }, 10000));
    ASSERT_TRUE(s.sing->guide().has_value());
    EXPECT_EQ(s.sing->guide()->message, "") << "told once";
    EXPECT_EQ(s.sing->lastScore(), -1) << "nothing heard, nothing scored";
}
