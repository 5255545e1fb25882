// Where recordings go: one take per song, continued across restarts of the
// output, and never written over a file that is already there.
#include "RecordingTakes.h"
#include "SmfWriter.h"
#include "WavFile.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

using namespace lirmus;
using namespace lirmus::test;

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void spit(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// n frames whose left sample counts up from first.
bool writeFrames(WavWriter& w, int first, int n)
{
    std::vector<float> l(static_cast<size_t>(n)), r(static_cast<size_t>(n), 0.0f);
    for (int i = 0; i < n; ++i) l[size_t(i)] = float(first + i) / 32767.0f;
    return w.write(l.data(), r.data(), n);
}

std::string freshDir(const std::string& name)
{
    const std::string dir = tempDir() + "/" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace

TEST(RecordingTakes, NumberedNamesKeepTheFilesExtensionOnly)
{
    EXPECT_EQ(numberedName("/a/take.wav", 1), "/a/take.wav");
    EXPECT_EQ(numberedName("/a/take.wav", 2), "/a/take-2.wav");
    EXPECT_EQ(numberedName("/a/take.b.wav", 12), "/a/take.b-12.wav");
    EXPECT_EQ(numberedName("/a.b/take", 3), "/a.b/take-3");    // the folder's dot is not an extension
    EXPECT_EQ(numberedName("/a/.take", 2), "/a/.take-2");      // nor a hidden file's leading dot
    const std::set<std::string> taken{"x.wav", "x-2.wav", "x-4.wav"};
    EXPECT_EQ(firstFreeName("x.wav", [&](const std::string& n) { return taken.count(n) > 0; }), "x-3.wav");
    EXPECT_EQ(firstFreeName("y.wav", [&](const std::string& n) { return taken.count(n) > 0; }), "y.wav");
    EXPECT_EQ(firstFreeName("z.wav", [](const std::string&) { return true; }), "");
}

TEST(RecordingTakes, ATakeContinuesUntilItEndsAndTheNextOneFindsAFreeName)
{
    const std::string dir = freshDir("takes");
    spit(dir + "/song.wav", "yesterday's take");
    spit(dir + "/song-3.wav", "another one");
    RecordingTakes takes(dir + "/song.wav");
    EXPECT_EQ(takes.current(), "");

    RecordingTakes::Take t = takes.next();
    EXPECT_EQ(t.path, dir + "/song-2.wav");
    EXPECT_FALSE(t.continues);
    spit(t.path, "first take");
    t = takes.next(); // a seek restarts the output
    EXPECT_EQ(t.path, dir + "/song-2.wav");
    EXPECT_TRUE(t.continues);

    takes.endTake();
    takes.endTake(); // twice is once
    t = takes.next();
    EXPECT_EQ(t.path, dir + "/song-4.wav");
    EXPECT_FALSE(t.continues);
    EXPECT_EQ(takes.current(), dir + "/song-4.wav");
    EXPECT_EQ(slurp(dir + "/song.wav"), "yesterday's take");
}

TEST(WavWriter, ANewFileNeverGoesOverOneThatExists)
{
    const std::string dir = freshDir("writer-new"), path = dir + "/there.wav";
    spit(path, "keep me");
    WavWriter w;
    EXPECT_FALSE(w.open(path, 44100, WavWriter::Mode::New));
    EXPECT_NE(w.error().find(path), std::string::npos);
    EXPECT_EQ(slurp(path), "keep me");
}

TEST(WavWriter, ContinuingAppendsToItsOwnFileAndCreatesAMissingOne)
{
    const std::string dir = freshDir("writer-continue"), path = dir + "/take.wav";
    WavWriter w;
    ASSERT_TRUE(w.open(path, 44100, WavWriter::Mode::Continue)) << w.error(); // not there yet
    ASSERT_TRUE(writeFrames(w, 0, 300));
    ASSERT_TRUE(w.close());
    ASSERT_TRUE(w.open(path, 44100, WavWriter::Mode::Continue)) << w.error();
    EXPECT_EQ(w.frames(), 0);
    ASSERT_TRUE(writeFrames(w, 300, 200));
    EXPECT_EQ(w.frames(), 200);
    ASSERT_TRUE(w.close());

    const Wav wav = readWav(path);
    ASSERT_TRUE(wav.valid);
    ASSERT_EQ(wav.samples.size(), 2u * 500);
    for (size_t f = 0; f < 500; ++f) ASSERT_EQ(wav.samples[2 * f], int16_t(f)) << "frame " << f;
}

TEST(WavWriter, AFileWrittenByAKilledProgramIsContinuedFromItsLastWholeFrame)
{
    const std::string dir = freshDir("writer-killed"), path = dir + "/take.wav";
    WavWriter w;
    ASSERT_TRUE(w.open(path, 44100));
    ASSERT_TRUE(writeFrames(w, 0, 100));
    ASSERT_TRUE(w.close());
    // As a kill leaves it: 50 frames and half of one more past what the header says.
    std::string bytes = slurp(path);
    for (int i = 0; i < 50; ++i) bytes += std::string("\x64\x00\x00\x00", 4);
    bytes += "\x01\x02";
    spit(path, bytes);

    ASSERT_TRUE(w.open(path, 44100, WavWriter::Mode::Continue)) << w.error();
    ASSERT_TRUE(writeFrames(w, 7, 1));
    ASSERT_TRUE(w.close());
    const Wav wav = readWav(path);
    ASSERT_TRUE(wav.valid);
    ASSERT_EQ(wav.samples.size(), 2u * 151);
    EXPECT_EQ(wav.samples[2 * 149], 100);
    EXPECT_EQ(wav.samples[2 * 150], 7);
}

TEST(WavWriter, AFileOfAnotherKindOrRateIsLeftByteForByte)
{
    const std::string dir = freshDir("writer-foreign");
    WavWriter w;
    ASSERT_TRUE(w.open(dir + "/48k.wav", 48000));
    ASSERT_TRUE(writeFrames(w, 0, 10));
    ASSERT_TRUE(w.close());
    for (const std::string& name : {dir + "/48k.wav", dir + "/notes.txt", dir + "/short.wav"}) {
        if (name.ends_with("notes.txt")) spit(name, std::string(200, 'x'));
        if (name.ends_with("short.wav")) spit(name, "RIFF");
        const std::string before = slurp(name);
        EXPECT_FALSE(w.open(name, 44100, WavWriter::Mode::Continue)) << name;
        EXPECT_NE(w.error().find("left as it is"), std::string::npos) << w.error();
        EXPECT_FALSE(w.isOpen());
        EXPECT_EQ(slurp(name), before) << name;
    }
}

TEST(WavWriter, KeepFirstCutsTheFramesWrittenAfterThem)
{
    const std::string dir = freshDir("writer-cut"), path = dir + "/take.wav";
    WavWriter w;
    ASSERT_TRUE(w.open(path, 44100));
    ASSERT_TRUE(writeFrames(w, 0, 400));
    ASSERT_TRUE(w.close());
    ASSERT_TRUE(w.open(path, 44100, WavWriter::Mode::Continue));
    ASSERT_TRUE(writeFrames(w, 400, 300));
    ASSERT_TRUE(w.keepFirst(120)); // of this opening: the 400 before stay
    ASSERT_TRUE(w.keepFirst(500)); // more than there are: nothing changes
    EXPECT_EQ(w.frames(), 120);
    ASSERT_TRUE(writeFrames(w, 9000, 1));
    ASSERT_TRUE(w.close());
    const Wav wav = readWav(path);
    ASSERT_TRUE(wav.valid);
    ASSERT_EQ(wav.samples.size(), 2u * 521);
    EXPECT_EQ(wav.samples[2 * 519], 519);
    EXPECT_EQ(wav.samples[2 * 520], 9000);
}
