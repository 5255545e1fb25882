// The recorder behind the synthesizer's audio file: a take holds exactly its
// frames, whenever the audio thread hands them over.
#include "SmfWriter.h"
#include "WavFile.h"
#include "VoiceTap.h"
#include "WavRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// Offers frames [from, to) in blocks of 64; each frame's left sample tells its number.
void offerFrames(WavRecorder& rec, int64_t from, int64_t to)
{
    std::vector<float> l(64), r(64, 0.0f);
    for (int64_t f = from; f < to; f += 64) {
        const int n = int(std::min<int64_t>(64, to - f));
        for (int i = 0; i < n; ++i) l[size_t(i)] = float((f + i) % 1000) / 1000.0f;
        rec.offer(f, n, l.data(), r.data());
    }
}

int64_t frameOfSample(int16_t s) { return std::lround(s / 32767.0 * 1000.0); }

} // namespace

TEST(WavRecorder, ATakeHoldsExactlyItsFramesAndTheNextOneStartsClean)
{
    std::vector<std::string> notices;
    WavRecorder rec(44100, [&](const std::string& m) { notices.push_back(m); });
    const std::string first = tempDir() + "/first.wav", second = tempDir() + "/second.wav";
    offerFrames(rec, 0, 500); // before any take: dropped
    rec.begin(first, 100);
    offerFrames(rec, 30, 20000); // starts before the take, ends long after its end
    // The writer empties the ring while the take goes on: let it write past
    // the end before the end is known, as a busy owner's thread may.
    const auto written = [&] {
        std::error_code e;
        const auto size = std::filesystem::file_size(first, e);
        return e ? 0 : size;
    };
    for (int i = 0; i < 500 && written() < 44 + 4 * 10000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    rec.end(1500);
    offerFrames(rec, 20000, 20100); // between takes: dropped
    rec.begin(second, 20200);
    offerFrames(rec, 20100, 20300);
    rec.end(20300);
    EXPECT_TRUE(notices.empty()) << notices.front();

    const Wav a = readWav(first), b = readWav(second);
    ASSERT_TRUE(a.valid);
    ASSERT_TRUE(b.valid);
    ASSERT_EQ(a.samples.size() / 2, 1400u);
    EXPECT_EQ(frameOfSample(a.samples.front()), 100);
    EXPECT_EQ(frameOfSample(a.samples[a.samples.size() - 2]), 499); // frame 1499
    ASSERT_EQ(b.samples.size() / 2, 100u);
    EXPECT_EQ(frameOfSample(b.samples.front()), 200); // frame 20200
}

TEST(WavRecorder, AFileThatCannotBeWrittenIsSaid)
{
    std::vector<std::string> notices;
    WavRecorder rec(44100, [&](const std::string& m) { notices.push_back(m); });
    rec.begin("/nonexistent-folder/take.wav", 0);
    offerFrames(rec, 0, 1000);
    rec.end(1000);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("/nonexistent-folder/take.wav"), std::string::npos);
}

TEST(WavRecorder, AContinuedTakeAppendsWhatFollows)
{
    std::vector<std::string> notices;
    WavRecorder rec(44100, [&](const std::string& m) { notices.push_back(m); });
    const std::string path = tempDir() + "/continued.wav";
    rec.begin(path, 0);
    offerFrames(rec, 0, 300);
    rec.end(300);
    rec.begin(path, 5000, true); // after a seek: other frame numbers, the same file
    offerFrames(rec, 5000, 5200);
    rec.end(5200);
    rec.begin("", 0); // no free name left
    rec.end(0);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("No free file name"), std::string::npos);

    const Wav w = readWav(path);
    ASSERT_TRUE(w.valid);
    ASSERT_EQ(w.samples.size() / 2, 500u);
    EXPECT_EQ(frameOfSample(w.samples[2 * 299]), 299);
    EXPECT_EQ(frameOfSample(w.samples[2 * 300]), 0); // frame 5000
}

TEST(WavRecorder, TheVoiceIsMixedOnTheFramesItWasSungTo)
{
    std::vector<std::string> notices;
    WavRecorder rec(44100, [&](const std::string& m) { notices.push_back(m); });
    auto tap = std::make_shared<VoiceTap>(44100);
    // Output frame 0 is heard at 1 s on the steady clock.
    rec.setVoice(tap, [](int64_t us) { return (us - 1'000'000) * 44100 / 1'000'000; });
    const std::vector<float> sung(4800, 0.5f), before(1000, 0.9f);
    tap->push(900'000, before.data(), 1000, 44100); // sung before the take: not in it
    const std::string path = tempDir() + "/voice.wav";
    rec.begin(path, 0);
    for (int i = 0; i < 200 && !tap->wanted(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(tap->wanted());
    std::vector<float> l(441, 0.1f), r(441, 0.0f);
    for (int64_t f = 0; f < 44100; f += 441) rec.offer(f, 441, l.data(), r.data());
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the backing is written ahead of the voice
    tap->push(1'500'000, sung.data(), 4800, 48000);               // 0.1 s from 0.5 s on, at the card's rate
    rec.end(44100);
    EXPECT_FALSE(tap->wanted());
    EXPECT_TRUE(notices.empty()) << notices.front();

    const Wav w = readWav(path);
    ASSERT_TRUE(w.valid);
    ASSERT_EQ(w.samples.size() / 2, 44100u);
    const auto at = [&](size_t frame, int ch) { return w.samples[2 * frame + size_t(ch)] / 32767.0; };
    EXPECT_NEAR(at(100, 0), 0.1, 0.001);
    EXPECT_NEAR(at(100, 1), 0.0, 0.001);
    EXPECT_NEAR(at(22049, 1), 0.0, 0.001);
    EXPECT_NEAR(at(22050, 0), 0.6, 0.001);
    EXPECT_NEAR(at(22050, 1), 0.5, 0.001);
    EXPECT_NEAR(at(26458, 1), 0.5, 0.001);
    EXPECT_NEAR(at(26461, 1), 0.0, 0.001);
    EXPECT_NEAR(at(30000, 0), 0.1, 0.001);
}
