#include "SystemInfo.h"
#include "TimerTest.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lirmus;

TEST(TimerTest, ScoreColourThresholdsAndRounding)
{
    for (auto [score, colour] : std::vector<std::pair<double, ScoreColour>>{
             {69, ScoreColour::Unchanged}, {69.5, ScoreColour::LightGreen}, {39.9, ScoreColour::LightRed}, {40, ScoreColour::Unchanged}})
        EXPECT_EQ(scoreColour(score), colour) << score;
    EXPECT_EQ(roundedScore(69.5), 70);
    EXPECT_EQ(roundedScore(7.2), 7);
}

TEST(TimerTest, CountsReadsUntilTheClockMovesAndAFrozenClockDoesNotHang)
{
    // A clock that moves every 126th read: 125 extra reads, 125 x 100 / 125 = 100 per sample.
    long long reads = 0;
    EXPECT_NEAR(Test_Timers([&] { return reads++ / 126; }), 100.0, 1.0);
    EXPECT_GT(Test_Timers([] { return 5LL; }), 1000.0);
}

TEST(SystemInfo, FirstWellKnownProgramOnThePath)
{
    std::string a = test::tempDir(), b = test::tempDir();
    EXPECT_EQ(findSystemInfoProgram(a + ":" + b), "");
    test::writeFile(b + "kinfocenter", "#!/bin/sh\n");
    ::chmod((b + "kinfocenter").c_str(), 0755);
    test::writeFile(a + "hardinfo", "not executable\n");
    EXPECT_EQ(findSystemInfoProgram(a + "::" + b), b + "kinfocenter");
    ::chmod((a + "hardinfo").c_str(), 0755);
    EXPECT_EQ(findSystemInfoProgram(a + ":" + b), a + "hardinfo");
}
