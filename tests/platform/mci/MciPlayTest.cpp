// Songs played through FluidSynth's player in real time, with no sound card:
// the position keeps time, pause holds it, a start from a time lands there,
// and the audio file holds what was played. Wall-clock checks are generous.
#include "MciErrors.h"
#include "FluidSongPlayer.h"
#include "MciSequencer.h"
#include "OutputErrors.h"
#include "RecordingTakes.h"
#include "SmfWriter.h"
#include "SynthDevice.h"
#include "TestDevice.h"
#include "VoiceTap.h"
#include "Clock.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace lirmus;
using namespace lirmus::test;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// One note of ten seconds, written under this name.
std::string longSong(const std::string& name)
{
    SmfWriter w(0, 480);
    w.track().note(0, 0, 60, 100).noteOff(4800, 0, 60).end();
    const std::string song = tempDir() + "/" + name;
    EXPECT_TRUE(w.save(song));
    return song;
}

bool haveSoundFont()
{
    for (const std::string& f : defaultSoundFonts())
        if (std::filesystem::exists(f))
            return true;
    return false;
}

// One sequencer for the suite: the SoundFont loads once.
class MciPlay : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        takes = std::make_shared<RecordingTakes>(tempDir() + "/mci.wav");
        MciOptions o;
        o.audioDriver = "no-such-driver"; // as if there were no sound card
        o.recording = takes;
        mci = new MciSequencer(o);
        mci->onError = [](int n, const std::string& m) { errors.push_back(std::to_string(n) + " " + m); };
        mci->onNotice = [](int n, const std::string&) { notices.push_back(n); };
    }
    static void TearDownTestSuite()
    {
        delete mci;
        mci = nullptr;
    }
    void SetUp() override { errors.clear(); }

    static long position()
    {
        std::string reply;
        EXPECT_EQ(mci->sendString("Status MCIMidi Position", reply), 0);
        return std::stol(reply);
    }
    static std::string mode()
    {
        std::string reply;
        mci->sendString("Status MCIMidi Mode", reply);
        return reply;
    }
    // The player's start sequence.
    static void start(const std::string& song, long from)
    {
        ASSERT_TRUE(mci->execute("Close All"));
        ASSERT_TRUE(mci->execute("Open " + mciQuote(song) + " alias MCIMidi Type Sequencer"));
        ASSERT_TRUE(mci->execute("Set MCIMidi Port -1"));
        ASSERT_TRUE(mci->execute("Set MCIMidi Time Format milliseconds"));
        ASSERT_TRUE(mci->execute("Play MCIMidi FROM " + std::to_string(from)));
    }

    static MciSequencer* mci;
    static std::shared_ptr<RecordingTakes> takes;
    static std::vector<std::string> errors;
    static std::vector<int> notices;
};

MciSequencer* MciPlay::mci = nullptr;
std::shared_ptr<RecordingTakes> MciPlay::takes;
std::vector<std::string> MciPlay::errors;
std::vector<int> MciPlay::notices;

} // namespace

TEST_F(MciPlay, PositionKeepsTimePausesResumesAndStartsWhereAsked)
{
    const std::string song = sharedTestData() + "/haendel_hallelujah.mid";
    if (sharedTestData().empty() || !std::filesystem::exists(song))
        GTEST_SKIP() << "no shared test songs";
    // Positions are checked against the time that really passed: a busy
    // machine may sleep longer than asked, never shorter.
    using Steady = std::chrono::steady_clock;
    const auto msSince = [](Steady::time_point t) {
        return long(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - t).count());
    };
    auto t0 = Steady::now();
    start(song, 0);
    sleepMs(300);
    const long p1 = position();
    EXPECT_GE(p1, 250);
    EXPECT_LE(p1, msSince(t0) + 20);
    EXPECT_EQ(mode(), "playing");

    ASSERT_TRUE(mci->execute("Pause MCIMidi"));
    const long held = position();
    EXPECT_GE(held, p1);
    sleepMs(150);
    EXPECT_EQ(position(), held);
    EXPECT_EQ(mode(), "paused");

    t0 = Steady::now();
    ASSERT_TRUE(mci->execute("Resume MCIMidi"));
    EXPECT_GE(position(), held);
    sleepMs(300);
    const long p2 = position();
    EXPECT_GE(p2 - held, 250);
    EXPECT_LE(p2 - held, msSince(t0) + 20);

    t0 = Steady::now();
    ASSERT_TRUE(mci->execute("Play MCIMidi FROM 5000"));
    const long at = position();
    EXPECT_GE(at, 5000);
    EXPECT_LE(at, 5000 + msSince(t0) + 20);
    sleepMs(200);
    EXPECT_GE(position(), at + 150);
    EXPECT_LE(position(), 5000 + msSince(t0) + 20);

    ASSERT_TRUE(mci->execute("Close MciMidi"));
    std::string reply;
    EXPECT_EQ(mci->sendString("Status MCIMidi Position", reply), kMciErrNotOpen);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MciPlay, AudioFileHoldsTheNoteWhenItWasPlayed)
{
    if (!haveSoundFont())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    // A note at 400 ms for 300 ms; the song ends at 800 ms.
    SmfWriter w(0, 480);
    w.track().tempo(0, 500000).program(0, 0, 0).note(384, 0, 60, 120).noteOff(288, 0, 60).end(96);
    const std::string song = tempDir() + "/note.mid";
    ASSERT_TRUE(w.save(song));
    takes->endTake(); // a take of its own
    start(song, 0);
    sleepMs(900);
    EXPECT_EQ(position(), 800);
    EXPECT_EQ(mode(), "stopped");
    ASSERT_TRUE(mci->execute("Close MCIMidi"));

    const Wav wav = readWav(takes->current());
    ASSERT_TRUE(wav.valid);
    EXPECT_GE(wav.samples.size() / 2, size_t(44100 * 8 / 10));
    const double onset = firstOnsetMs(wav);
    RecordProperty("onset_ms", std::to_string(onset));
    EXPECT_GE(onset, 395);
    EXPECT_LE(onset, 480);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MciPlay, AudioFileMixesTheVoiceOnTheFramesItWasSungTo)
{
    // Silence for a second: whatever sounds in the take is the voice.
    SmfWriter w(0, 480);
    w.track().tempo(0, 500000).end(960);
    const std::string song = tempDir() + "/quiet.mid";
    ASSERT_TRUE(w.save(song));
    const auto tap = std::make_shared<VoiceTap>(44100);
    takes->setVoice(tap);
    takes->endTake();
    start(song, 0);
    const int64_t playedUs = SteadyClock::instance().nowUs(); // the song's time 0, once it plays
    sleepMs(100);
    const std::vector<float> sung(4410, 0.25f); // 100 ms, sung from 300 ms on
    tap->push(playedUs + 300'000, sung.data(), int(sung.size()), 44100);
    sleepMs(1000);
    ASSERT_TRUE(mci->execute("Close MCIMidi"));
    takes->setVoice(nullptr);

    const Wav wav = readWav(takes->current());
    ASSERT_TRUE(wav.valid);
    const auto level = [&](int fromMs, int toMs) { return meanLevel(wav, 1, fromMs, toMs); };
    EXPECT_NEAR(level(20, 280), 0.0, 0.002);
    EXPECT_NEAR(level(320, 380), 0.25, 0.01) << "the voice is not where it was sung";
    EXPECT_NEAR(level(420, 900), 0.0, 0.002);
}

TEST_F(MciPlay, SongWhoseNameHoldsQuotationMarksPlays)
{
    const std::string song = longSong("say \"\"hi\" alias x.mid");
    start(song, 1000);
    sleepMs(100);
    EXPECT_GT(position(), 1030);
    EXPECT_EQ(mode(), "playing");
    ASSERT_TRUE(mci->execute("Close All"));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MciPlay, NoSoundCardIsSaidOnceAndPlayingGoesOn)
{
    const std::string song = longSong("long.mid");
    start(song, 0);
    start(song, 1000);
    sleepMs(100);
    EXPECT_GT(position(), 1030);
    ASSERT_TRUE(mci->execute("Close All"));
    EXPECT_EQ(std::count(notices.begin(), notices.end(), int(kErrorNoAudio)), 1);
}

TEST(MciPort, PortGetsTheSongOnTimeAndSilenceOnPause)
{
    // Set-up at tick 0, a note at 500 ms (before the start) and one at 1500 ms.
    SmfWriter w(0, 480);
    w.track()
        .tempo(0, 500000)
        .sysex(0, std::string("\x7E\x7F\x09\x01\xF7", 5))
        .program(0, 0, 5)
        .control(0, 0, 7, 100)
        .note(480, 0, 60, 90)
        .noteOff(480, 0, 60)
        .note(480, 0, 62, 91)
        .noteOff(480, 0, 62)
        .end(480);
    const std::string path = tempDir() + "/port.mid";
    ASSERT_TRUE(w.save(path));
    MciSong song;
    int error = 0;
    std::string message;
    ASSERT_TRUE(song.load(path, error, message)) << message;

    TestDevice port;
    FluidSongPlayer player({}, [](int, const std::string&) {});
    ASSERT_TRUE(player.start(port.open(SteadyClock::instance()), message)) << message;
    const int64_t startUs = SteadyClock::instance().nowUs();
    player.playFrom(song.smf(), song.tickAt(1000));
    sleepMs(700);
    player.pause();
    const size_t atPause = port.count();
    sleepMs(100);
    player.stop();

    const std::vector<SentMessage> sent = port.messages();
    const auto silencing = [](const std::string& b) {
        return b.size() == 3 && (uint8_t(b[0]) & 0xF0) == 0xB0 && (b[1] == 120 || b[1] == 123);
    };
    std::vector<std::string> music;
    for (size_t i = 0; i < atPause; ++i)
        if (!silencing(sent[i].bytes))
            music.push_back(sent[i].bytes);
    // Everything but the notes before the start is chased at once.
    ASSERT_GE(music.size(), 4u);
    EXPECT_EQ(music[0], std::string("\xF0\x7E\x7F\x09\x01\xF7", 6));
    EXPECT_EQ(music[1], std::string("\xC0\x05", 2));
    EXPECT_EQ(music[2], std::string("\xB0\x07\x64", 3));
    std::vector<std::string> notes;
    for (const SentMessage& m : sent)
        if ((uint8_t(m.bytes[0]) & 0xF0) == 0x90) {
            notes.push_back(m.bytes);
            const double ms = (m.sentUs - startUs) / 1000.0;
            EXPECT_GE(ms, 450);
            EXPECT_LE(ms, 650);
        }
    EXPECT_EQ(notes, (std::vector<std::string>{std::string("\x90\x3E\x5B", 3)}));
    // Pause (and stop) silence all sixteen channels, and nothing else follows.
    ASSERT_GE(sent.size(), atPause);
    ASSERT_GE(atPause, 32u);
    for (size_t i = atPause - 32; i < sent.size(); ++i)
        EXPECT_TRUE(silencing(sent[i].bytes)) << i;
}

// The file is opened by the recorder's own thread: its failure still reaches
// the owner, once, while playing (from tick) and never twice.
TEST(MciAudioFile, AnUnwritableFileIsToldOnceAndTheSongPlaysOn)
{
    MciOptions o;
    o.audioDriver = "none";
    o.recording = std::make_shared<RecordingTakes>("/nonexistent-folder/take.wav");
    std::vector<int> notices;
    FluidSongPlayer player(o, [&](int n, const std::string&) { notices.push_back(n); });
    std::string error;
    ASSERT_TRUE(player.start(nullptr, error)) << error;
    const auto told = [&] { return std::count(notices.begin(), notices.end(), int(kErrorAudioFile)); };
    for (int wait = 0; told() == 0 && wait < 200; ++wait) {
        sleepMs(10);
        (void)player.tick();
    }
    EXPECT_EQ(told(), 1) << "told while playing";
    EXPECT_TRUE(player.started());
    player.stop();
    EXPECT_EQ(told(), 1);
}
