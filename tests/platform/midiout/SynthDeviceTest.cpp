// The built-in synthesizer, played in real time: what it writes to the audio
// file must sound exactly when it was due.
#include "OutputTestSupport.h"
#include "SmfWriter.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// A MIDIOutput on the steady clock that keeps its errors.
struct Synth {
    MIDIOutput out;
    std::vector<int> errors;
    std::vector<std::string> texts;
    Synth() { out.onError = [this](int n, const std::string& m) { errors.push_back(n), texts.push_back(m); }; }
};

bool haveSoundFont()
{
    const auto fonts = defaultSoundFonts();
    return std::any_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); });
}

// Plays a note due at 500 ms for about a second and returns the recording's onset in ms (-1 when unusable).
double recordedOnsetMs(const std::string& driver, const std::string& wav)
{
    Synth s;
    s.out.setAudioOutput(!driver.empty());
    s.out.setAudioDriver(driver);
    s.out.setAudioFile(wav);
    s.out.setDeviceID(0);
    s.out.setAction(1);
    EXPECT_EQ(s.out.State(), 1);
    prepare(s.out, 0, 0xC0, 0, 0);
    prepare(s.out, 500, 0x90, 60, 127);
    prepare(s.out, 900, 0x80, 60, 0);
    s.out.setAction(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    s.out.setAction(2); // the file is complete when the device has closed
    s.out.deliverPending();
    EXPECT_TRUE(s.errors.empty()) << (s.texts.empty() ? "" : s.texts[0]);

    const Wav w = readWav(wav);
    EXPECT_TRUE(w.valid);
    EXPECT_GE(w.samples.size() / 2, size_t(44100)) << "the recording stops short";
    return w.valid ? firstOnsetMs(w) : -1;
}

} // namespace

TEST(SynthDevice, AudioFileSoundsTheNoteWhenItWasDue)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    const double onsetMs = recordedOnsetMs("", tempDir() + "/take.wav"); // rendered on our clock
    RecordProperty("onset_ms", std::to_string(onsetMs));
    EXPECT_GE(onsetMs, 499.0);
    EXPECT_LE(onsetMs, 505.0);
}

TEST(SynthDevice, ThroughTheAudioCallbackTheNoteLandsOnItsFrameAndTheTakeIsComplete)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    // The timer card calls the audio callback period by period, reading ahead
    // by its whole buffer as a sound card does: only a right latency offset
    // puts the note on its frame. FluidSynth's default period is 64 frames.
    const double periodMs = 64 * 1000.0 / 44100;
    const double onsetMs = recordedOnsetMs(kTimerAudioDriver, tempDir() + "/card.wav");
    RecordProperty("onset_ms", std::to_string(onsetMs));
    EXPECT_GE(onsetMs, 500.0 - periodMs);
    EXPECT_LE(onsetMs, 505.0 + periodMs);
}

TEST(SynthDevice, MissingSoundFontIsSaidOnceAndPlayingGoesOn)
{
    Synth s;
    s.out.setAudioOutput(false);
    s.out.setSoundFont("/nonexistent/songs.sf2");
    s.out.setDeviceID(-1);
    s.out.setAction(1);
    EXPECT_EQ(s.out.State(), 1);
    s.out.setAction(2);
    s.out.setAction(1);
    s.out.deliverPending();
    EXPECT_EQ(s.errors, (std::vector<int>{haveSoundFont() ? kErrorSoundFontMoved : kErrorNoSoundFont}));
    EXPECT_NE(s.texts[0].find("/nonexistent/songs.sf2"), std::string::npos);
}

TEST(SynthDevice, NoSoundCardIsSaidOnceWithoutNoise)
{
    Synth s;
    s.out.setDeviceID(0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) s.out.setAction(1), s.out.setAction(2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    s.out.deliverPending();
    EXPECT_LE(std::count(s.errors.begin(), s.errors.end(), int(kErrorNoAudio)), 1);
}

TEST(SynthDevice, UnwritableAudioFileIsReportedAndTheSongStillPlays)
{
    Synth s;
    std::vector<long> tags;
    s.out.MessageSent = [&](long t) { tags.push_back(t); };
    s.out.setAudioOutput(false);
    s.out.setAudioFile("/nonexistent-folder/take.wav");
    s.out.setAction(1);
    prepare(s.out, 0, 0x90, 60, 1, 1);
    s.out.setAction(4);
    for (int i = 0; i < 500 && (tags.empty() || s.errors.empty()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        s.out.deliverPending();
    }
    s.out.setAction(2);
    ASSERT_FALSE(s.errors.empty());
    EXPECT_EQ(s.errors[0], kErrorAudioFile);
    EXPECT_EQ(tags, (std::vector<long>{1}));
}

// A flood of messages fills the ring to the renderer (which lags 150 ms behind
// the clock): the note-offs right behind it must wait their turn, not be lost.
TEST(SynthDevice, AFullRingToTheRendererLosesNoNoteOff)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    const std::string wav = tempDir() + "/flood.wav";
    Synth s;
    s.out.setAudioOutput(false);
    s.out.setAudioFile(wav);
    s.out.setDeviceID(0);
    s.out.setAction(OutputAction::Open);
    for (int ch = 0; ch < 8; ++ch) {
        prepare(s.out, 0, 0xC0 | ch, 19, 0); // a church organ sounds until its note-off
        prepare(s.out, 0, 0x90 | ch, 48 + ch * 3, 110);
    }
    for (int i = 0; i < 12'000; ++i) prepare(s.out, 5, 0xB0 | (i % 8), 7, 100); // more than the ring holds
    for (int ch = 0; ch < 8; ++ch) prepare(s.out, 10, 0x80 | ch, 48 + ch * 3, 0);
    s.out.setAction(OutputAction::Start);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    s.out.setAction(OutputAction::Close);
    s.out.deliverPending();
    EXPECT_TRUE(s.errors.empty()) << (s.texts.empty() ? "" : s.texts[0]);

    const Wav w = readWav(wav);
    ASSERT_TRUE(w.valid);
    ASSERT_GE(w.samples.size(), size_t(2 * 44100));
    EXPECT_GE(firstOnsetMs(w), 0.0) << "the chord sounds";
    // The organ has no decay of its own: after the release only a faint tail is left.
    int peak = 0;
    for (size_t i = w.samples.size() - 2 * 44100 / 4; i < w.samples.size(); ++i)
        peak = std::max(peak, std::abs(int(w.samples[i])));
    EXPECT_LT(peak, 1000) << "a note still sounds: its note-off was lost";
}

namespace {

// A fresh synthesizer records a dry organ note, with or without a stream of
// controller messages that change nothing (volume 100 is where it stands).
Wav organTake(const std::string& wav, bool withControllers)
{
    Synth s;
    s.out.setAudioOutput(false);
    s.out.setAudioFile(wav);
    s.out.setDeviceID(0);
    s.out.setAction(OutputAction::Open);
    prepare(s.out, 0, 0xC0, 19, 0);
    prepare(s.out, 0, 0xB0, 91, 0); // no reverb and no chorus: their state differs between engines
    prepare(s.out, 0, 0xB0, 93, 0);
    prepare(s.out, 0, 0x90, 60, 110);
    if (withControllers)
        for (long ms = 100; ms < 500; ms += 3) prepare(s.out, ms, 0xB0, 7, 100);
    prepare(s.out, 550, 0x80, 60, 0);
    s.out.setAction(OutputAction::Start);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    s.out.setAction(OutputAction::Close);
    return readWav(wav);
}

} // namespace

// Messages land inside audio blocks: the sound around each one is rendered
// in full, so messages that change nothing leave the take as it was.
TEST(SynthDevice, MessagesInsideABlockLeaveTheSoundAroundThemWhole)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    const Wav plain = organTake(tempDir() + "/organ-plain.wav", false);
    const Wav busy = organTake(tempDir() + "/organ-busy.wav", true);
    ASSERT_TRUE(plain.valid && busy.valid);
    ASSERT_GE(std::min(plain.samples.size(), busy.samples.size()), size_t(2 * 44100 * 6 / 10));
    // FluidSynth starts a note on its own 64-frame grid, which lies differently
    // in each take: compare the held note at the best of those shifts.
    int best = INT32_MAX;
    for (int shift = -64; shift <= 64; ++shift) {
        int worst = 0;
        for (size_t f = 44100 / 10; f < 44100 / 2; ++f)
            worst = std::max(worst, std::abs(plain.samples[2 * f] - busy.samples[2 * size_t(long(f) + shift)]));
        best = std::min(best, worst);
    }
    EXPECT_LE(best, 2) << "the takes differ";
}
