// Whole songs prepared as the player prepares them and pumped into the MIDI
// output: on the test device with a manual clock (every message, its time and
// its bytes), and through the built-in synthesizer into a WAV (when it sounds).
#include "Clock.h"
#include "ControllerTable.h"
#include "LoadSong.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "OutputQueue.h"
#include "PlayerState.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "SongViews.h"
#include "SynthDevice.h"
#include "TestDevice.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

using namespace lirmus;

namespace {

// The player around the pump, as far as these tests need it: the internal
// path of the output start, and a window event loop that ticks TimerOut.
class Harness : public NullSongViews {
public:
    explicit Harness(Clock* clock) : out(clock) {}

    void setWarnColor(int c) override { lamp = c; }
    void setTitleCaption(const QString&) override {}
    void setTimerOutEnabled(bool e) override { timerOut = e; }
    void enableTimer1() override {}
    void firstLyricFromStart() override {}
    double timerNow() const override { return 0; }
    void processEvents() override
    {
        // One tick of the 20 ms timer whenever window events run.
        if (timerOut) pump.TimerOut_Timer();
    }

    void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) override
    {
        long startTime = fromTime;
        if (mode >= 0) {
            out.setAction(5);
            out.setAction(3);
            state.NextToSend = fromIndex >= 1 ? fromIndex : song.queue.firstAtOrAfter(fromTime);
            startTime = song.queue[state.NextToSend].Time;
        }
        state.LastToSend = toIndex >= 1 ? toIndex : song.queue.MsgCount;
        state.SendOffset = startTime;
        flags.AbortRequested = false;
        lamp = kLampStarted;
        state.TimerOutOn = true;
        timerOut = true;
    }

    bool load(const std::string& path)
    {
        if (!OpenSongFile(reader, path, *this)) return false;
        SongLoader(reader, song, flags, settings, views()).LoadSong();
        for (int guard = 0; guard < 10000 && timerOut; ++guard) pump.TimerOut_Timer();
        return song.queue.MsgCount > 0;
    }

    Settings settings;
    Midifile reader;
    SongState song;
    PlayerFlags flags;
    PlayerState state;
    ControllerTable mixer = defaultControllerTable();
    MIDIOutput out;
    OutputPump pump{song, flags, state, mixer, out, displays()};
    int lamp = -1;
    bool timerOut = false;
};

std::string songs() { return test::sharedTestData(); }

// What the device should receive for a queue entry, or "" for entries that send nothing.
std::string expectedBytes(const QueueEntry& e, const ControllerTable& mixer, int transpose)
{
    if (e.Status == 255 || e.Status == 0) return {};
    if (e.Status == 240) return e.sysExBytes().toStdString();
    const int kind = e.Status & 0xF0, ch = e.Status & 0x0F;
    int d1 = e.Data1, d2 = e.Data2;
    if ((kind == 0x80 || kind == 0x90 || kind == 0xA0) && ch != 9) {
        d1 += transpose;
        if (d1 < 0 || d1 > 127) return {};
    }
    if (const int row = kind == 0xB0 ? mixer.rowOf(d1) : -1; row >= 0)
        d2 = ApplyMaster(d2, 0, 127, mixer.CtrlMaster[size_t(row)], mixer.CtrlMin[size_t(row)]);
    std::string b{char(e.Status), char(d1)};
    if (kind != 0xC0 && kind != 0xD0) b += char(d2);
    return b;
}

void playsEveryMessageOnTime(const std::string& file, int transpose)
{
    ManualClock clock;
    TestDevice device;
    Harness p(&clock);
    p.out.useTestDevice(&device);
    std::vector<long> tags;
    p.out.MessageSent = [&](long tag) { tags.push_back(tag); };
    p.pump.OpenOutputDevice(0, false);
    p.state.Transpose = transpose;
    ASSERT_TRUE(p.load(songs() + file));
    EXPECT_EQ(p.lamp, kLampHandedAll);
    EXPECT_EQ(p.state.NextToSend, p.song.queue.MsgCount + 1);

    clock.advance(p.song.queue.lastTime() + 1000);
    p.out.deliverPending();

    // Every entry that sends something arrives once, in queue order, at its time.
    std::vector<std::pair<std::string, long>> expected;
    for (long i = 1; i <= p.song.queue.MsgCount; ++i)
        if (std::string b = expectedBytes(p.song.queue[i], p.mixer, transpose); !b.empty())
            expected.emplace_back(b, p.song.queue[i].Time);
    const std::vector<SentMessage> sent = device.messages();
    ASSERT_EQ(sent.size(), expected.size());
    ASSERT_FALSE(sent.empty());
    // The lead-in message at time 0 anchors the clock; it sends nothing.
    const int64_t zeroUs = sent.front().dueUs - int64_t(expected.front().second) * 1000;
    for (size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(sent[i].bytes, expected[i].first) << "message " << i;
        ASSERT_EQ(sent[i].dueUs - zeroUs, int64_t(expected[i].second) * 1000) << "message " << i;
        ASSERT_EQ(sent[i].sentUs, sent[i].dueUs) << "message " << i;
    }
    // The dispatcher learns the end of the song from the last entry's tag.
    ASSERT_FALSE(tags.empty());
    EXPECT_EQ(tags.back(), p.song.queue.MsgCount);
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
}

} // namespace

TEST(Playback, SongsPlayEveryMessageOnTimeAcrossBothPassesAndTransposed)
{
    if (songs().empty()) GTEST_SKIP() << "the shared test songs are absent";
    // Longer than the first pass's 50 seconds: the second pass feeds the running output.
    for (auto [file, transpose] : std::vector<std::pair<const char*, int>>{
             {"Negra_Sombra.kar", 0}, {"haendel_hallelujah.mid", 2}, {"twinkle.kar", -3}}) {
        SCOPED_TRACE(file);
        playsEveryMessageOnTime(file, transpose);
    }
}

TEST(Playback, BuiltInSynthesizerSoundsTheFirstNoteWhenItIsDue)
{
    const auto fonts = defaultSoundFonts();
    if (std::none_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); }))
        GTEST_SKIP() << "no General MIDI SoundFont installed";

    // Three seconds of silence before the first note, which the fast start cuts to 100 ms.
    const std::string dir = test::tempDir();
    test::SmfWriter smf(1, 500); // 500 ticks per quarter at 120 bpm: one tick per ms
    smf.track().text(0, 3, "Tempo").tempo(0, 500000).end();
    smf.track().program(0, 0, 0).note(3000, 0, 60, 127).noteOff(400, 0, 60).note(100, 0, 64, 127)
        .noteOff(400, 0, 64).end();
    ASSERT_TRUE(smf.save(dir + "late.mid"));

    Harness p(nullptr);
    std::vector<std::string> errors;
    p.out.onError = [&](int, const std::string& m) { errors.push_back(m); };
    p.out.setAudioOutput(false);
    p.out.setAudioFile(dir + "late.wav");
    p.pump.OpenOutputDevice(1, false); // device 0: the built-in synthesizer
    ASSERT_EQ(p.out.State(), 1);
    ASSERT_TRUE(p.load(dir + "late.mid"));
    EXPECT_EQ(p.song.queue.TimeOffset, 2900);

    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    p.out.setAction(5);
    p.out.setAction(2);
    p.out.deliverPending();
    EXPECT_TRUE(errors.empty()) << errors.front();

    const test::Wav w = test::readWav(dir + "late.wav");
    ASSERT_TRUE(w.valid);
    const double onset = test::firstOnsetMs(w);
    RecordProperty("first_onset_ms", std::to_string(onset));
    EXPECT_GE(onset, 99.0);
    EXPECT_LE(onset, 110.0);
}
