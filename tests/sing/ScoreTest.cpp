// The score: which pitches count as the note, how notes weigh, and whole
// performances sung by voices made here from the song's own melody.
#include "MIDIOutput.h"
#include "ScoreEngine.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "VoiceFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lirmus;

namespace {

/// A song of two lines: line 0 holds a 1000 ms and a 250 ms note, line 1 one 500 ms note;
/// a note before the lyrics belongs to no line.
SingSong smallSong()
{
    SingSong s;
    s.notes = {{0, 400, 50, -1}, {1000, 2000, 60, 0}, {2000, 2250, 62, 0}, {3000, 3500, 64, 1}};
    s.lines = {{1, 900, 2250, "one"}, {2, 2900, 3500, "two"}};
    return s;
}

int scoreOf(const SingSong& song, const std::vector<float>& voice, int key = 0, double factor = 1.0)
{
    ScoreEngine engine(song);
    engine.setKey(key);
    scoreRecording(engine, VoiceAudio{voice, 44100, {}}, factor);
    return engine.total();
}

} // namespace

TEST(Score, OnPitchIsAnyOctaveWithinASemitone)
{
    EXPECT_TRUE(ScoreEngine::onPitch(60.0f, 60));
    EXPECT_TRUE(ScoreEngine::onPitch(48.0f, 60));   // an octave down
    EXPECT_TRUE(ScoreEngine::onPitch(84.4f, 60));   // two up, a little sharp
    EXPECT_TRUE(ScoreEngine::onPitch(59.1f, 60));
    EXPECT_TRUE(ScoreEngine::onPitch(71.2f, 60));   // flat, across the octave's edge
    EXPECT_FALSE(ScoreEngine::onPitch(61.0f, 60));  // a semitone off is the next note
    EXPECT_FALSE(ScoreEngine::onPitch(63.0f, 60));  // a minor third
    EXPECT_FALSE(ScoreEngine::onPitch(54.0f, 60));  // a tritone
    EXPECT_FALSE(ScoreEngine::onPitch(0.0f, 60));   // no pitch
}

TEST(Score, NotesWeighByLengthLinesApartAndOnlyLyricNotesCount)
{
    const SingSong song = smallSong();
    ScoreEngine e(song);
    EXPECT_EQ(e.total(), 0);
    e.addFrame(0, 400, 50);          // the intro note: not scored
    EXPECT_EQ(e.noteFraction(0), 0.0);
    e.addFrame(950, 1100, 72);       // the long note, an octave up, overlapping its ends
    EXPECT_EQ(e.lineScore(0), 80);   // 1000 of 1250 ms
    EXPECT_EQ(e.lineScore(1), 0);
    EXPECT_EQ(e.total(), 57);        // 1000 of 1750 ms
    EXPECT_DOUBLE_EQ(e.noteFraction(1), 1.0);
    e.addFrame(1500, 100, 60);       // sung twice does not count twice
    EXPECT_DOUBLE_EQ(e.noteFraction(1), 1.0);
    e.addFrame(2000, 125, 62);       // half the short note
    e.addFrame(2125, 125, 60);       // then the wrong one
    EXPECT_NEAR(e.noteFraction(2), 0.5, 1e-9);
    e.reset();
    e.addFrame(950, 1100, 72);
    e.addFrame(3000, 250, 63.5f);    // half the last note, a little flat
    e.addFrame(3250, 250, 66.0f);    // the other half a whole tone sharp
    EXPECT_EQ(e.lineScore(1), 50);
    EXPECT_EQ(e.total(), 71);
    e.reset();
    EXPECT_EQ(e.total(), 0);

    // The key moves the notes the singer follows.
    e.setKey(3);
    e.addFrame(3000, 500, 67);
    EXPECT_EQ(e.lineScore(1), 100);
    e.setKey(0);
    e.reset();
    e.addFrame(3000, 500, 67);
    EXPECT_EQ(e.lineScore(1), 0);

    SingSong empty;
    empty.lines = {{1, 0, 100, "nothing"}};
    EXPECT_EQ(ScoreEngine(empty).lineScore(0), -1);
    EXPECT_EQ(ScoreEngine(empty).total(), 0);
}

TEST(Score, RatingsByScore)
{
    EXPECT_EQ(ScoreEngine::rating(100), "Perfect");
    EXPECT_EQ(ScoreEngine::rating(90), "Perfect");
    EXPECT_EQ(ScoreEngine::rating(89), "Great");
    EXPECT_EQ(ScoreEngine::rating(75), "Great");
    EXPECT_EQ(ScoreEngine::rating(74), "Good");
    EXPECT_EQ(ScoreEngine::rating(55), "Good");
    EXPECT_EQ(ScoreEngine::rating(54), "Fair");
    EXPECT_EQ(ScoreEngine::rating(30), "Fair");
    EXPECT_EQ(ScoreEngine::rating(29), "Miss");
    EXPECT_EQ(ScoreEngine::rating(-1), "-");
}

TEST(Score, LinesOfAPreparedSong)
{
    const SongState prepared = test::prepared(test::twoLineSong());
    const SingSong song = singSongOf(prepared, 3);
    EXPECT_EQ(song.channel, 2);
    ASSERT_EQ(song.lines.size(), 2u);
    EXPECT_EQ(song.lines[0].number, 1);
    EXPECT_EQ(song.lines[1].number, 2);
    ASSERT_EQ(song.notes.size(), 14u);
    for (size_t n = 0; n < song.notes.size(); ++n) EXPECT_EQ(song.notes[n].line, n < 7 ? 0 : 1) << n;
    // Each note lasts until its note-off: a half beat less 20 ticks at 120 a minute.
    EXPECT_NEAR(song.notes[0].end - song.notes[0].start, 229, 2);
    EXPECT_EQ(song.notes[2].pitch, 67);
    // The last note and the one a sixth under it: one note on the top key, as long as both.
    EXPECT_EQ(song.notes[13].pitch, 60);
    EXPECT_NEAR(song.notes[13].end - song.notes[13].start, 250, 2);
    // The fast start took the bar of count-in off, less 100 ms.
    EXPECT_EQ(song.timeOffset + long(song.notes[0].start), 2000);
}

// Voices made from the melody: in tune and an octave down score high, a minor third off
// low, noise and silence near zero; a song played slower or in another key scored as played.
TEST(Score, VoicesFromTheMelody)
{
    std::vector<std::string> songs = {test::twoLineSong()};
    const std::string dir = test::sharedTestData();
    if (!dir.empty())
        for (const char* name : {"twinkle.kar", "Negra_Sombra.kar"})
            if (std::filesystem::exists(dir + "/" + name)) songs.push_back(dir + "/" + name);
    for (const std::string& path : songs) {
        const SingSong song = singSongOf(test::prepared(path), 3);
        ASSERT_FALSE(song.notes.empty()) << path;
        const int inTune = scoreOf(song, test::singMelody(song, 0));
        const int octaveDown = scoreOf(song, test::singMelody(song, -12));
        const int third = scoreOf(song, test::singMelody(song, 3));
        const std::vector<float> voice = test::singMelody(song, 0);
        const int noise = scoreOf(song, test::noise(double(voice.size()) / 44.1));
        const int silence = scoreOf(song, std::vector<float>(voice.size(), 0.0f));
        const int slower = scoreOf(song, test::singMelody(song, 0, tempoFactor(-25)), 0, tempoFactor(-25));
        const int slowerHeardAsWritten = scoreOf(song, test::singMelody(song, 0, tempoFactor(-25)));
        const int keyUp = scoreOf(song, test::singMelody(song, 2), 2);
        std::printf("[ voices   ] %s: in tune %d, octave down %d, minor third %d, noise %d, silence %d, "
                    "25%% slower %d (heard at the written tempo %d), two up %d\n",
                    std::filesystem::path(path).filename().c_str(), inTune, octaveDown, third, noise, silence, slower,
                    slowerHeardAsWritten, keyUp);
        EXPECT_GE(inTune, 85) << path;
        EXPECT_GE(octaveDown, 85) << path;
        EXPECT_LE(third, 15) << path;
        EXPECT_LE(noise, 5) << path;
        EXPECT_EQ(silence, 0) << path;
        EXPECT_GE(slower, 85) << path;
        EXPECT_LT(slowerHeardAsWritten, slower - 20) << path;
        EXPECT_GE(keyUp, 85) << path;
    }
}
