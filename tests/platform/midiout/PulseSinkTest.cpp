// The built-in synthesizer heard through a real PulseAudio server: a server of
// our own on a null sink, its monitor recorded with parec while a song plays.
// Skipped where PulseAudio is not installed.
#include "MciSequencer.h"
#include "OutputErrors.h"
#include "OutputTestSupport.h"
#include "PulseServer.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace lirmus;
using namespace lirmus::test;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;

int64_t steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now().time_since_epoch()).count();
}

/// parec on the sink's monitor; each read is stamped so the recording's
/// frames can be placed on the steady clock.
struct MonitorRecording {
    std::vector<int16_t> samples; // interleaved stereo, the reader's until stop()
    std::atomic<int64_t> framesRead{0};
    int64_t frame0Us = INT64_MAX; // steady time of frame 0 (an upper bound: reads come after capture)
    pid_t pid = -1;
    int fd = -1;
    std::thread reader;

    bool start(const std::string& log)
    {
        int p[2];
        if (pipe(p) != 0)
            return false;
        pid = spawn({"parec", "--device=lirmus.monitor", "--format=s16le", "--rate=44100", "--channels=2",
                     "--raw", "--latency-msec=5"},
                    log, p[1]);
        close(p[1]);
        fd = p[0];
        reader = std::thread([this] {
            char buf[4096];
            std::string pending;
            for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
                const int64_t now = steadyUs();
                pending.append(buf, size_t(n));
                const size_t whole = pending.size() / 2 * 2;
                for (size_t i = 0; i < whole; i += 2)
                    samples.push_back(int16_t(uint16_t(uint8_t(pending[i])) | uint16_t(uint8_t(pending[i + 1])) << 8));
                pending.erase(0, whole);
                const int64_t frames = int64_t(samples.size() / 2);
                framesRead = frames;
                frame0Us = std::min(frame0Us, now - frames * 1'000'000 / kRate);
            }
        });
        return pid > 0;
    }

    void stop()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (reader.joinable())
            reader.join();
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    ~MonitorRecording() { stop(); }

    /// Waits until the sink's audio comes in (parec takes a while to connect on a busy machine).
    bool waitForAudio()
    {
        for (int i = 0; i < 1000 && framesRead.load() < kRate / 5; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return framesRead.load() >= kRate / 5;
    }

    /// Steady times (µs) of the sounds that start after at least gapMs of quiet.
    std::vector<int64_t> onsetsUs(int threshold = 500, int gapMs = 120) const
    {
        std::vector<int64_t> out;
        const size_t frames = samples.size() / 2;
        size_t quiet = size_t(gapMs) * kRate / 1000;
        for (size_t f = 0; f < frames; ++f) {
            const int a = std::max(std::abs(int(samples[2 * f])), std::abs(int(samples[2 * f + 1])));
            if (a >= threshold) {
                if (quiet >= size_t(gapMs) * kRate / 1000)
                    out.push_back(frame0Us + int64_t(f) * 1'000'000 / kRate);
                quiet = 0;
            } else if (a < threshold / 4) {
                ++quiet;
            }
        }
        return out;
    }
};

bool haveSoundFont()
{
    const auto fonts = defaultSoundFonts();
    return std::any_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); });
}

bool havePulse()
{
    return onPath("pulseaudio") && onPath("parec") && onPath("pactl") && haveSoundFont();
}

/// The synthesizer on the steady clock, open on the default device with no driver asked for.
struct Synth {
    MIDIOutput out;
    std::vector<int> errors;
    std::vector<std::string> texts;
    std::vector<long> tags;
    Synth()
    {
        out.onError = [this](int n, const std::string& m) { errors.push_back(n), texts.push_back(m); };
        out.MessageSent = [this](long tag) { tags.push_back(tag); };
        out.setAudioDriver("");
        out.setDeviceID(-1);
        out.setAction(1);
    }
    /// Delivers events for ms milliseconds.
    void pump(int ms)
    {
        const auto end = Steady::now() + std::chrono::milliseconds(ms);
        while (Steady::now() < end) {
            out.deliverPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        out.deliverPending();
    }
};

// A short, sharp drum note every 600 ms: each one is one clear onset in the recording.
constexpr int kNotes = 6;
constexpr long kFirstMs = 400, kEveryMs = 600;

void queueClicks(MIDIOutput& out, int notes, long everyMs)
{
    for (int i = 0; i < notes; ++i) {
        const long at = kFirstMs + i * everyMs;
        prepare(out, at, 0x99, 76, 127, i + 1);
        prepare(out, at + 60, 0x89, 76, 0);
    }
}

// Each test has a server of its own.
class PulseSink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!havePulse()) GTEST_SKIP() << "PulseAudio (pulseaudio, pulseaudio-utils) or a SoundFont is not installed";
        ASSERT_TRUE(server.start()) << server.logText();
    }
    PulseServer server;
};

} // namespace

TEST_F(PulseSink, TheSongSoundsOnTheSinkWhereItsNotesWereDue)
{
    Synth s;
    ASSERT_EQ(s.out.State(), 1);
    EXPECT_NE(s.out.DeviceName().find("pulseaudio"), std::string::npos) << s.out.DeviceName();

    MonitorRecording rec;
    ASSERT_TRUE(rec.start(server.dir + "/parec.log"));
    ASSERT_TRUE(rec.waitForAudio()) << "parec records nothing";
    queueClicks(s.out, kNotes, kEveryMs);
    const int64_t startUs = steadyUs();
    s.out.setAction(4);
    s.pump(int(kFirstMs + kNotes * kEveryMs + 400));
    rec.stop();
    EXPECT_TRUE(s.errors.empty()) << (s.texts.empty() ? "" : s.texts[0]);
    ASSERT_EQ(s.tags.size(), size_t(kNotes));

    const std::vector<int64_t> onsets = rec.onsetsUs();
    ASSERT_EQ(onsets.size(), size_t(kNotes)) << "recorded " << rec.samples.size() / 2 << " frames";
    std::vector<double> latencyMs;
    for (int i = 0; i < kNotes; ++i)
        latencyMs.push_back(double(onsets[size_t(i)] - (startUs + (kFirstMs + i * kEveryMs) * 1000)) / 1000.0);
    const auto [lo, hi] = std::minmax_element(latencyMs.begin(), latencyMs.end());
    std::string all;
    for (double l : latencyMs)
        all += std::to_string(int(std::lround(l))) + " ";
    RecordProperty("latency_ms", all);
    std::printf("send-to-sound latency through PulseAudio (ms): %s\n", all.c_str());
    // Every note keeps its place in the song: no drift that grows from note to
    // note (the fault this guards against left notes 750 ms and more behind).
    // The bounds are generous on purpose: a busy machine moves single notes by
    // tens of ms; the figures themselves are printed above.
    EXPECT_LE(*hi - *lo, 250.0) << all;
    EXPECT_GE(*lo, 0.0) << all;
    EXPECT_LE(*hi, 1000.0) << all;
}

TEST_F(PulseSink, AServerThatVanishesIsToldOnceAndTheSongPlaysOnSilent)
{
    Synth s;
    ASSERT_EQ(s.out.State(), 1);
    constexpr int kMany = 24;
    queueClicks(s.out, kMany, 250); // about six seconds
    s.out.setAction(4);
    s.pump(1000);
    EXPECT_TRUE(s.errors.empty()) << (s.texts.empty() ? "" : s.texts[0]);
    server.kill();
    s.pump(int(kFirstMs + kMany * 250 + 300) - 1000);

    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_EQ(s.errors[0], kErrorNoAudio);
    EXPECT_NE(s.texts[0].find("without sound"), std::string::npos) << s.texts[0];
    EXPECT_NE(s.out.DeviceName().find("no sound"), std::string::npos) << s.out.DeviceName();
    // The song went on to its end, every report in order.
    ASSERT_EQ(s.tags.size(), size_t(kMany));
    EXPECT_TRUE(std::is_sorted(s.tags.begin(), s.tags.end()));
    // And the synthesizer still takes messages, for the next song.
    EXPECT_EQ(s.out.sendNow(MidiBytes(std::string_view("\x90\x3c\x40", 3))).number, 0);
    s.out.setAction(2);
    EXPECT_EQ(s.errors.size(), 1u);
}

TEST_F(PulseSink, ANamedDriverIsTheOnlyOneTried)
{
    MIDIOutput out;
    std::vector<std::string> texts;
    out.onError = [&](int, const std::string& m) { texts.push_back(m); };
    out.setAudioDriver("no-such-driver"); // though PulseAudio would answer
    out.setDeviceID(0);
    out.setAction(1);
    out.deliverPending();
    EXPECT_EQ(out.State(), 1);
    EXPECT_NE(out.DeviceName().find("no sound"), std::string::npos) << out.DeviceName();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("without sound"), std::string::npos) << texts[0];
}

TEST_F(PulseSink, TheExternalPlayerPlaysOnSilentWhenTheServerVanishes)
{
    // A song of 4.75 s: a note every half second.
    SmfWriter w(0, 480);
    SmfTrack& t = w.track();
    t.tempo(0, 500000).program(0, 0, 0);
    for (int i = 0; i < 10; ++i) t.note(i ? 240 : 0, 0, 60 + i, 100).noteOff(240, 0, 60 + i);
    t.end(0);
    const std::string song = server.dir + "/song.mid";
    ASSERT_TRUE(w.save(song));
    MciSequencer mci(MciOptions{}); // the usual drivers: PulseAudio answers
    std::vector<int> notices;
    mci.onNotice = [&](int n, const std::string&) { notices.push_back(n); };
    std::string reply;
    ASSERT_TRUE(mci.execute("Open \"" + song + "\" alias MCIMidi Type Sequencer"));
    ASSERT_TRUE(mci.execute("Set MCIMidi Time Format milliseconds"));
    ASSERT_TRUE(mci.execute("Play MCIMidi FROM 0"));
    auto position = [&] {
        reply.clear();
        mci.sendString("Status MCIMidi Position", reply);
        return std::stol(reply.empty() ? "0" : reply);
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_TRUE(notices.empty());
    server.kill();
    // The position keeps going to the end, and the loss is told once.
    long last = 0;
    for (int i = 0; i < 140 && position() < 4750; ++i) {
        last = position();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(position(), 4750) << "stuck at " << last;
    EXPECT_EQ(std::count(notices.begin(), notices.end(), kErrorNoAudio), 1);
    mci.execute("Close All");
}

TEST(AudioDrivers, TheDesktopsOrderUnlessOneIsNamed)
{
    EXPECT_EQ(audioDriverOrder(""), (std::vector<std::string>{"pulseaudio", "alsa", "jack"}));
    EXPECT_NE(std::getenv("JACK_NO_START_SERVER"), nullptr) << "trying JACK must not start a JACK server";
    EXPECT_EQ(audioDriverOrder("pipewire"), std::vector<std::string>{"pipewire"});
}
