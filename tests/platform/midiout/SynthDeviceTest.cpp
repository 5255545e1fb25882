// The built-in synthesizer, played in real time: what it writes to the audio
// file must sound exactly when it was due.
#include "MIDIOutput.h"
#include "SmfWriter.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

using namespace lirmus;
using lirmus::test::readWav;
using lirmus::test::Wav;

namespace {

struct Collected {
    std::vector<int> numbers;
    std::vector<std::string> texts;
};

void collect(MIDIOutput& out, Collected& c)
{
    out.onError = [&c](int n, const std::string& m) {
        c.numbers.push_back(n);
        c.texts.push_back(m);
    };
}

void queue(MIDIOutput& out, long ms, int status, int d1, int d2)
{
    out.setMsgTime(ms);
    out.setMsgStatus(status);
    out.setMsgData1(d1);
    out.setMsgData2(d2);
    out.setMsgTag(0);
    out.setAction(6);
}

bool haveSoundFont()
{
    for (const std::string& f : defaultSoundFonts())
        if (std::ifstream(f).good())
            return true;
    return false;
}

} // namespace

TEST(SynthDevice, AudioFileSoundsTheNoteWhenItWasDue)
{
    if (!haveSoundFont())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    const std::string wav = lirmus::test::tempDir() + "/take.wav";
    MIDIOutput out;
    Collected errors;
    collect(out, errors);
    out.setAudioOutput(false);
    out.setAudioFile(wav);
    out.setDeviceID(0);
    out.setAction(1);
    ASSERT_EQ(out.State(), 1);
    queue(out, 0, 0xC0, 0, 0);
    queue(out, 500, 0x90, 60, 127);
    queue(out, 900, 0x80, 60, 0);
    out.setAction(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    out.setAction(5);
    out.setAction(2);
    out.deliverPending();
    EXPECT_TRUE(errors.numbers.empty()) << (errors.texts.empty() ? "" : errors.texts[0]);

    const Wav w = readWav(wav);
    ASSERT_TRUE(w.valid);
    EXPECT_GE(w.samples.size() / 2, size_t(44100));
    size_t first = 0;
    while (first < w.samples.size() && std::abs(w.samples[first]) < 300)
        ++first;
    ASSERT_LT(first, w.samples.size()) << "nothing audible";
    const double onsetMs = double(first / 2) / 44.1;
    RecordProperty("onset_ms", std::to_string(onsetMs));
    EXPECT_GE(onsetMs, 499.0);
    EXPECT_LE(onsetMs, 505.0);
}

TEST(SynthDevice, MissingSoundFontIsSaidOnceAndPlayingGoesOn)
{
    MIDIOutput out;
    Collected errors;
    collect(out, errors);
    out.setAudioOutput(false);
    out.setSoundFont("/nonexistent/songs.sf2");
    out.setDeviceID(-1);
    out.setAction(1);
    EXPECT_EQ(out.State(), 1);
    out.setAction(2);
    out.setAction(1);
    out.deliverPending();
    ASSERT_EQ(errors.numbers.size(), 1u);
    EXPECT_EQ(errors.numbers[0], haveSoundFont() ? kErrorSoundFontMoved : kErrorNoSoundFont);
    EXPECT_NE(errors.texts[0].find("/nonexistent/songs.sf2"), std::string::npos);
}

TEST(SynthDevice, NoSoundCardIsSaidOnceWithoutNoise)
{
    MIDIOutput out;
    Collected errors;
    collect(out, errors);
    out.setDeviceID(0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        out.setAction(1);
        out.setAction(2);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    out.deliverPending();
    EXPECT_LE(std::count(errors.numbers.begin(), errors.numbers.end(), int(kErrorNoAudio)), 1);
}

TEST(SynthDevice, UnwritableAudioFileIsReportedAndTheSongStillPlays)
{
    MIDIOutput out;
    Collected errors;
    collect(out, errors);
    std::vector<long> tags;
    out.MessageSent = [&](long t) { tags.push_back(t); };
    out.setAudioOutput(false);
    out.setAudioFile("/nonexistent-folder/take.wav");
    out.setAction(1);
    out.setMsgTag(1);
    out.setMsgStatus(0x90);
    out.setMsgData1(60);
    out.setMsgData2(1);
    out.setAction(6);
    out.setAction(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    out.deliverPending();
    out.setAction(2);
    ASSERT_FALSE(errors.numbers.empty());
    EXPECT_EQ(errors.numbers[0], kErrorAudioFile);
    EXPECT_EQ(tags, (std::vector<long>{1}));
}
