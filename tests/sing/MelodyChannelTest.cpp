// Finding the tune's channel from the lyrics' timing, on queues made here and
// on the real karaoke songs.
#include "MelodyChannel.h"
#include "SingKit.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace lirmus;

namespace {

/// A queue being built in time order.
struct QueueBuilder {
    SongQueue q;
    QueueBuilder() { q.create(1000); }
    void syllable(int t, int line = 1, const char* text = "la")
    {
        const long i = q.add(t, 255, 5, 0);
        q[i].Value = line;
        q[i].Text = QString::fromUtf8(text);
    }
    void note(int t, int ch, int velocity = 90) { q.add(t, 0x90 + ch, 60, velocity); }
};

} // namespace

TEST(MelodyChannel, TheChannelOnTheSyllablesWinsAndDrumsNeverDo)
{
    QueueBuilder b;
    for (int i = 0; i < 10; ++i) {
        const int t = 1000 + i * 300;
        b.note(t, 9);                         // drums on every syllable
        if (i % 2 == 0) b.note(t - 10, 0);    // chords on half of them
        b.note(t + (i % 3 == 0 ? 55 : -55), 4); // the tune, a little loose
        b.syllable(t);
    }
    b.q.sortByTime(1);
    const MelodyGuess g = detectMelodyChannel(b.q, 3);
    EXPECT_EQ(g.channel, 4);
    EXPECT_TRUE(g.detected);
    EXPECT_EQ(g.hits, 10);
    EXPECT_EQ(g.syllables, 10);
}

TEST(MelodyChannel, WindowTiesAndTheFallback)
{
    {   // 60 ms either side sounds the syllable; 61 does not. Chords, not the title, count as syllables.
        QueueBuilder b;
        b.note(940, 1);
        b.syllable(1000);
        b.syllable(1000, 0, "@Title");
        b.syllable(1000, 1, "%Am");
        b.note(2061, 1);
        b.syllable(2000);
        b.note(3060, 1);
        b.syllable(3000);
        b.q.sortByTime(1);
        const MelodyGuess g = detectMelodyChannel(b.q, 7);
        EXPECT_EQ(g.syllables, 3);
        EXPECT_EQ(g.hits, 2);
        EXPECT_EQ(g.channel, 1);
    }
    {   // Equal hits: the channel with fewer notes, a chord counted once (the tune sung in
        // thirds is still the tune; the accompaniment plays between the syllables too).
        // A note-on at velocity 0 is no note.
        QueueBuilder b;
        for (int i = 0; i < 4; ++i) {
            const int t = 1000 * (i + 1);
            b.syllable(t);
            b.note(t, 2);
            b.note(t + 500, 2);
            b.note(t, 5);
            b.note(t, 5);
            b.note(t + 500, 5, 0);
        }
        b.q.sortByTime(1);
        EXPECT_EQ(detectMelodyChannel(b.q, 0).channel, 5);
        b.note(9000, 5);
        b.note(9500, 5);
        b.note(9700, 5);
        b.note(9800, 5);
        b.note(9900, 5);
        EXPECT_EQ(detectMelodyChannel(b.q, 0).channel, 2);
    }
    {   // Fewer than half of the syllables sounded: the setting.
        QueueBuilder b;
        for (int i = 0; i < 5; ++i) {
            b.syllable(1000 * (i + 1));
            if (i < 2) b.note(1000 * (i + 1), 6);
        }
        b.q.sortByTime(1);
        const MelodyGuess g = detectMelodyChannel(b.q, 3);
        EXPECT_EQ(g.channel, 3);
        EXPECT_FALSE(g.detected);
        EXPECT_EQ(g.hits, 2);
    }
    {   // Exactly half is enough.
        QueueBuilder b;
        for (int i = 0; i < 4; ++i) {
            b.syllable(1000 * (i + 1));
            if (i < 2) b.note(1000 * (i + 1), 6);
        }
        b.q.sortByTime(1);
        EXPECT_EQ(detectMelodyChannel(b.q, 3).channel, 6);
    }
    {   // No lyrics: the setting, whatever plays.
        QueueBuilder b;
        b.note(100, 2);
        EXPECT_EQ(detectMelodyChannel(b.q, 3).channel, 3);
        EXPECT_FALSE(detectMelodyChannel(b.q, 3).detected);
    }
}

TEST(MelodyChannel, AKaraokeSongMadeHere)
{
    for (int melody : {2, 11}) {
        const SongState song = test::prepared(test::twoLineSong(melody));
        ASSERT_GT(song.queue.MsgCount, 0);
        const MelodyGuess g = detectMelodyChannel(song.queue, 3);
        EXPECT_EQ(g.channel, melody);
        EXPECT_EQ(g.syllables, 14);
    }
}

// A second count, by brute force over every pair, on every real karaoke song.
TEST(MelodyChannel, EveryRealKaraokeSongAgreesWithABruteForceCount)
{
    const std::string dir = test::sharedTestData();
    if (dir.empty()) GTEST_SKIP() << "no shared test data";
    int songs = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".kar") continue;
        const SongState song = test::prepared(e.path().string());
        const SongQueue& q = song.queue;
        std::array<int, 16> hits{};
        std::array<std::set<int32_t>, 16> onsets;
        int syllables = 0;
        for (long i = 1; i <= q.MsgCount; ++i) {
            const QueueEntry& s = q[i];
            if (s.Status == 255 && s.Data1 == 5 && s.Value > 0 && !s.Text.startsWith('%')) {
                ++syllables;
                std::array<bool, 16> sounded{};
                for (long k = 1; k <= q.MsgCount; ++k) {
                    const QueueEntry& n = q[k];
                    if (n.Status >= 0x90 && n.Status <= 0x9F && n.Data2 > 0 && std::abs(n.Time - s.Time) <= 60)
                        sounded[size_t(n.Status & 15)] = true;
                }
                for (int ch = 0; ch < 16; ++ch) hits[size_t(ch)] += sounded[size_t(ch)] && ch != 9;
            }
            if (s.Status >= 0x90 && s.Status <= 0x9F && s.Data2 > 0) onsets[size_t(s.Status & 15)].insert(s.Time);
        }
        int best = -1;
        for (int ch = 0; ch < 16; ++ch) {
            if (ch == 9 || onsets[size_t(ch)].empty()) continue;
            if (best < 0 || hits[size_t(ch)] > hits[size_t(best)] ||
                (hits[size_t(ch)] == hits[size_t(best)] && onsets[size_t(ch)].size() < onsets[size_t(best)].size()))
                best = ch;
        }
        ASSERT_GE(best, 0) << e.path();
        const int expected = 2 * hits[size_t(best)] >= syllables && syllables > 0 ? best : 3;
        const MelodyGuess g = detectMelodyChannel(q, 3);
        EXPECT_EQ(g.channel, expected) << e.path();
        EXPECT_EQ(g.syllables, syllables) << e.path();
        EXPECT_TRUE(g.detected) << e.path() << ": a karaoke song whose tune was not found";
        ++songs;
    }
    EXPECT_GT(songs, 0);
}
