// Song timing as the sequencer answers it, and every command it refuses,
// checked without making a sound.
#include "MciErrors.h"
#include "MciSequencer.h"
#include "MciSong.h"
#include "Midifile.h"
#include "SmfWriter.h"
#include "TempoMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// 120 bpm for two beats (1000 ms), then twice as fast, set from a second track.
std::string tempoSong()
{
    SmfWriter w(1, 480);
    w.track().tempo(0, 500000).end(1920);
    w.track().tempo(960, 250000).program(0, 0, 0).note(0, 0, 60, 100).noteOff(480, 0, 60).end(480);
    const std::string path = tempDir() + "/tempo.mid";
    EXPECT_TRUE(w.save(path));
    return path;
}

// The song's length as the song module times it: our reader and its tempo map.
// Its segments each leave out their last tick, so allow one tick per tempo change.
double songModuleLengthMs(const std::string& path, double& tolerance)
{
    Midifile f;
    f.setFileName(path);
    f.setAction(1);
    std::vector<std::pair<int64_t, long>> tempos;
    int64_t last = 0;
    for (int t = 1; t <= f.TrackCount(); ++t) {
        f.setTrack(t);
        int64_t tick = 0;
        for (long e = 1; e <= f.EventCount(); ++e) {
            f.setEventIndex(e);
            tick += f.EventTime();
            if (f.Status() == 255 && f.Data1() == 0x51)
                tempos.emplace_back(tick, f.Tempo());
        }
        last = std::max(last, tick);
    }
    std::stable_sort(tempos.begin(), tempos.end(), [](auto& a, auto& b) { return a.first < b.first; });
    TempoMap map;
    map.TempoAggiungi(0, 500000, f.Division());
    tolerance = 1.0;
    for (const auto& [tick, tempo] : tempos) {
        map.TempoAggiungi(tick, tempo, f.Division());
        tolerance += tempo / 1000.0 / f.Division();
    }
    return map.msAt(last);
}

struct Failures {
    MciSequencer mci;
    std::vector<int> numbers;
    std::vector<std::string> messages;
    Failures()
    {
        mci.onError = [this](int n, const std::string& m) { numbers.push_back(n), messages.push_back(m); };
    }
};

} // namespace

TEST(MciSong, TimesTicksThroughTempoChangesOfEveryTrack)
{
    MciSong song;
    int error = 0;
    std::string message;
    ASSERT_TRUE(song.load(tempoSong(), error, message)) << message;
    EXPECT_EQ(song.lastTick(), 1920);
    EXPECT_EQ(song.lengthMs(), 1500);
    EXPECT_DOUBLE_EQ(song.msAt(960), 1000.0);
    EXPECT_EQ(song.tickAt(1000), 960);
    EXPECT_EQ(song.tickAt(1250), 1440);
    EXPECT_EQ(song.tickAt(999.9), 959);
    // What FluidSynth reads is a clean file our own reader reads back alike.
    const std::string again = tempDir() + "/again.mid";
    ASSERT_TRUE(writeFile(again, song.smf()));
    MciSong back;
    ASSERT_TRUE(back.load(again, error, message)) << message;
    EXPECT_EQ(back.smf(), song.smf());
}

TEST(MciSong, TheFileForTheSynthesizerHoldsEveryChannelMessageOfTheSong)
{
    // Program change and channel pressure carry one data byte, the others two.
    SmfWriter w(1, 480);
    w.track().runningStatus().program(0, 0, 5).message(0, 0xD0, 40).note(0, 0, 60, 100).message(10, 0xD0, 90)
        .message(10, 0xE0, 0, 80).message(10, 0xA0, 60, 30).control(10, 0, 7, 99).noteOff(100, 0, 60).end();
    const std::string path = tempDir() + "/kinds.mid";
    ASSERT_TRUE(w.save(path));
    MciSong song;
    int error = 0;
    std::string message;
    ASSERT_TRUE(song.load(path, error, message)) << message;
    const std::string again = tempDir() + "/kinds-again.mid";
    ASSERT_TRUE(writeFile(again, song.smf()));
    auto channelMessages = [](const std::string& file) {
        Midifile f;
        f.setFileName(file);
        f.setAction(1);
        f.setTrack(1);
        std::vector<std::array<long, 4>> out;
        for (long e = 1; e <= f.EventCount(); ++e) {
            f.setEventIndex(e);
            if (f.Status() < 0xF0) out.push_back({f.EventTime(), f.Status(), f.Data1(), f.Data2()});
        }
        return out;
    };
    const auto before = channelMessages(path);
    EXPECT_EQ(before.size(), 8u);
    EXPECT_EQ(channelMessages(again), before);
}

TEST(MciSong, LengthMatchesTheSongModuleOnRealSongs)
{
    const std::string dir = sharedTestData();
    if (dir.empty())
        GTEST_SKIP() << "no shared test songs";
    int checked = 0;
    for (const char* name : {"haendel_hallelujah.mid", "twinkle.kar", "Negra_Sombra.kar"}) {
        const std::string path = dir + "/" + name;
        if (!std::filesystem::exists(path))
            continue;
        MciSequencer mci;
        std::string reply;
        ASSERT_EQ(mci.sendString("Open \"" + path + "\" alias MCIMidi Type Sequencer", reply), 0) << mci.lastError();
        ASSERT_EQ(mci.sendString("Status MCIMidi Length", reply), 0);
        double tolerance = 0;
        const double expected = songModuleLengthMs(path, tolerance);
        EXPECT_NEAR(std::stod(reply), expected, tolerance) << name;
        EXPECT_GT(std::stod(reply), 10000) << name;
        ++checked;
    }
    if (checked == 0)
        GTEST_SKIP() << "the shared songs are missing";
}

TEST(MciSequencer, EachFailureIsOneClearMessage)
{
    Failures f;
    const std::string missing = tempDir() + "/missing.mid";
    const std::string text = tempDir() + "/notes.mid";
    ASSERT_TRUE(writeFile(text, "These are not the notes you are looking for.\n"));

    EXPECT_FALSE(f.mci.execute("Rewind MCIMidi"));
    EXPECT_FALSE(f.mci.execute("Open \"" + missing + "\" alias MCIMidi Type Sequencer"));
    EXPECT_FALSE(f.mci.execute("Open \"" + text + "\" alias MCIMidi Type Sequencer"));
    EXPECT_FALSE(f.mci.execute("Status MCIMidi Position"));
    EXPECT_FALSE(f.mci.execute("Play MCIMidi FROM 0"));
    EXPECT_TRUE(f.mci.execute("Close All")); // nothing open is no failure
    EXPECT_EQ(f.numbers, (std::vector<int>{kMciErrBadCommand, kMciErrFileNotFound, kMciErrBadFile,
                                           kMciErrNotOpen, kMciErrNotOpen}));
    ASSERT_EQ(f.messages.size(), 5u);
    EXPECT_NE(f.messages[1].find(missing), std::string::npos) << f.messages[1];
    EXPECT_NE(f.messages[2].find(text), std::string::npos) << f.messages[2];
    for (const std::string& m : f.messages)
        EXPECT_FALSE(m.empty());

    std::string reply = "old";
    EXPECT_EQ(f.mci.sendString("Status MCIMidi Length", reply), kMciErrNotOpen);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(f.numbers.size(), 5u) << "the string function shows nothing";
}

TEST(MciSequencer, AliasMatchesWithoutCaseUntilClosed)
{
    Failures f;
    const std::string song = tempoSong();
    ASSERT_TRUE(f.mci.execute("Open \"" + song + "\" alias MCIMidi Type Sequencer"));
    EXPECT_FALSE(f.mci.execute("Open \"" + song + "\" alias MCIMidi Type Sequencer"));
    std::string reply;
    EXPECT_EQ(f.mci.sendString("status mcimidi length", reply), 0);
    EXPECT_EQ(reply, "1500");
    EXPECT_EQ(f.mci.sendString("Status MCIMidi Position", reply), 0);
    EXPECT_EQ(reply, "0");
    EXPECT_TRUE(f.mci.execute("Set MCIMidi Time Format milliseconds"));
    EXPECT_TRUE(f.mci.execute("Set MCIMidi Port 0"));
    // No MIDI ports on a machine without them: the next number is not listed.
    EXPECT_FALSE(f.mci.execute("Set MCIMidi Port 999"));
    EXPECT_FALSE(f.mci.execute("Play MCIMidi FROM 1501"));
    EXPECT_FALSE(f.mci.execute("Status Other Length"));
    EXPECT_TRUE(f.mci.execute("Close MciMidi"));
    EXPECT_EQ(f.mci.sendString("Status MCIMidi Length", reply), kMciErrNotOpen);
    EXPECT_EQ(f.numbers, (std::vector<int>{kMciErrAliasInUse, kMciErrOutOfRange, kMciErrOutOfRange,
                                           kMciErrNotOpen}));
}
