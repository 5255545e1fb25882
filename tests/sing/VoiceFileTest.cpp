// Recordings read from WAV files, and lirmus-score run on them.
#include "ScoreEngine.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "VoiceFile.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdio>
#include <cstring>
#include <sys/wait.h>

using namespace lirmus;

namespace {

std::string header(int format, int channels, unsigned rate, int bits, uint32_t dataBytes)
{
    std::string h = "RIFF";
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) h += char((v >> (8 * i)) & 0xFF); };
    auto u16 = [&](uint16_t v) { h += char(v & 0xFF); h += char(v >> 8); };
    u32(36 + dataBytes + 10);
    h += "WAVE";
    h += "LIST";      // a chunk to step over
    u32(2);
    h += "ab";
    h += "fmt ";
    u32(16);
    u16(uint16_t(format)); u16(uint16_t(channels)); u32(rate);
    u32(rate * unsigned(channels * bits / 8)); u16(uint16_t(channels * bits / 8)); u16(uint16_t(bits));
    h += "data";
    u32(dataBytes);
    return h;
}

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun run(const std::string& args)
{
    ToolRun r;
    FILE* p = popen((test::buildDir() + "/lirmus-score " + args + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace

TEST(VoiceFile, ReadsPcmAndFloatMixedToMono)
{
    const std::string dir = test::tempDir();
    {   // 16-bit stereo: the channels averaged.
        std::string b = header(1, 2, 22050, 16, 8);
        for (int16_t v : {int16_t(16384), int16_t(0), int16_t(-32768), int16_t(-32768)}) {
            b += char(v & 0xFF);
            b += char((v >> 8) & 0xFF);
        }
        test::writeFile(dir + "s16.wav", b);
        const VoiceAudio a = readVoiceWav(dir + "s16.wav");
        ASSERT_EQ(a.error, "");
        EXPECT_EQ(a.rate, 22050u);
        ASSERT_EQ(a.samples.size(), 2u);
        EXPECT_FLOAT_EQ(a.samples[0], 0.25f);
        EXPECT_FLOAT_EQ(a.samples[1], -1.0f);
    }
    {   // 32-bit float mono, and 24-bit with a negative sample.
        std::string b = header(3, 1, 48000, 32, 4);
        const float f = -0.5f;
        b.append(reinterpret_cast<const char*>(&f), 4);
        test::writeFile(dir + "f32.wav", b);
        EXPECT_FLOAT_EQ(readVoiceWav(dir + "f32.wav").samples.at(0), -0.5f);
        std::string c = header(1, 1, 48000, 24, 3) + std::string("\x00\x00\xC0", 3);
        test::writeFile(dir + "s24.wav", c);
        EXPECT_FLOAT_EQ(readVoiceWav(dir + "s24.wav").samples.at(0), -0.5f);
    }
    {   // A data chunk cut short keeps what is there.
        std::string b = header(1, 1, 8000, 16, 1000) + std::string("\x00\x40\x00\x40", 4);
        test::writeFile(dir + "short.wav", b);
        EXPECT_EQ(readVoiceWav(dir + "short.wav").samples.size(), 2u);
    }
    // What cannot be read says so.
    EXPECT_NE(readVoiceWav(dir + "missing.wav").error, "");
    test::writeFile(dir + "text.wav", "not a wav file at all");
    EXPECT_NE(readVoiceWav(dir + "text.wav").error, "");
    test::writeFile(dir + "alaw.wav", header(6, 1, 8000, 8, 1) + "x");
    EXPECT_NE(readVoiceWav(dir + "alaw.wav").error, "");
    EXPECT_EQ(readVoiceWav(dir + "alaw.wav").rate, 0u);
}

TEST(VoiceFile, LirmusScorePrintsTheChannelEveryLineAndTheScore)
{
    const std::string song = test::twoLineSong(5), dir = test::tempDir();
    const SingSong sing = singSongOf(test::prepared(song), 3);
    ASSERT_TRUE(test::writeMonoWav(dir + "up2.wav", test::singMelody(sing, 2, 0.8)));

    // Sung two semitones up, 20 % faster: scored as played.
    const ToolRun played = run(song + " " + dir + "up2.wav --key +2 --tempo 20");
    ASSERT_EQ(played.status, 0) << played.out;
    const QStringList lines = QString::fromStdString(played.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << played.out;
    EXPECT_EQ(lines[0], "melody channel: 6");
    EXPECT_TRUE(QRegularExpression("^(9\\d|100)\tPerfect\tTwinkle twinkle little star$").match(lines[1]).hasMatch())
        << played.out;
    EXPECT_TRUE(lines[2].contains("\tHow I won")) << played.out;
    EXPECT_TRUE(lines[3].startsWith("score: ")) << played.out;
    EXPECT_GE(lines[3].mid(7).toInt(), 90) << played.out;

    // The same voice heard as if written: a whole tone off and out of time.
    const ToolRun asWritten = run(song + " " + dir + "up2.wav");
    ASSERT_EQ(asWritten.status, 0);
    EXPECT_LE(QString::fromStdString(asWritten.out).section("score: ", 1).toInt(), 30) << asWritten.out;

    EXPECT_EQ(run(song).status, 2);
    EXPECT_EQ(run(song + " " + dir + "up2.wav --key").status, 2);
    EXPECT_EQ(run(song + " " + dir + "up2.wav --key 2x").status, 2);
    EXPECT_EQ(run(song + " " + dir + "up2.wav --tempo 101").status, 2);
    const ToolRun noVoice = run(song + " " + dir + "none.wav");
    EXPECT_EQ(noVoice.status, 1);
    EXPECT_NE(noVoice.out.find("none.wav"), std::string::npos);
    EXPECT_EQ(run(dir + "none.mid " + dir + "up2.wav").status, 1);
}
