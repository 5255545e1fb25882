// Tempo map, time text and the queue operations.
#include "SongQueue.h"
#include "TempoMap.h"
#include "TimeText.h"

#include <gtest/gtest.h>

using namespace lirmus;

TEST(TempoMap, SegmentsEndWhereTheNextOneStarts)
{
    TempoMap m;
    EXPECT_EQ(m.msAt(1000), 0.0);
    m.TempoAggiungi(0, 500000, 500);      // 1 ms per tick
    m.TempoAggiungi(1000, 1000000, 500);  // 2 ms per tick
    ASSERT_EQ(m.TempoLast(), 1);
    EXPECT_EQ(m.segments()[0].EndTick, 999);
    // A tick at a tempo change counts 999 ticks of the first tempo and 0 of the second.
    EXPECT_DOUBLE_EQ(m.msAt(1000), 999.0);
    EXPECT_DOUBLE_EQ(m.msAt(1010), 1019.0);
    // Past every segment: the sum of them all.
    EXPECT_DOUBLE_EQ(m.msAt(TempoMap::kOpenEnd + 5), 999.0 + (TempoMap::kOpenEnd - 1000) * 2.0);
    // Division 0 cannot divide by zero.
    TempoMap z;
    z.TempoAggiungi(0, 500000, 0);
    EXPECT_DOUBLE_EQ(z.msAt(2), 1000.0);
}

TEST(TempoMap, SegmentsAtTickZeroAndOutOfOrderSegmentsFollowTheWalk)
{
    TempoMap m;
    m.TempoAggiungi(0, 500000, 500);
    m.TempoAggiungi(0, 250000, 500);  // a second tempo at tick 0: the first ends at 0
    EXPECT_DOUBLE_EQ(m.msAt(100), 50.0);
    // A later track adding an earlier tempo: the walk takes the first segment
    // whose end is not before the tick, as added.
    TempoMap w;
    w.TempoAggiungi(0, 500000, 500);     // [0..1999] 1 ms
    w.TempoAggiungi(2000, 1000000, 500); // [2000..499] 2 ms once the next is added
    w.TempoAggiungi(500, 250000, 500);   // [500..] 0.5 ms
    EXPECT_DOUBLE_EQ(w.msAt(100), 100.0);
    EXPECT_DOUBLE_EQ(w.msAt(3000), 1999.0 + (499.0 - 2000.0) * 2.0 + (3000.0 - 500.0) * 0.5);
}

TEST(TimeText, MinutesSecondsMilliseconds)
{
    for (auto [seconds, text] : std::vector<std::pair<double, QString>>{
             {0, "00:00:000"}, {187.25, "03:07:250"}, {59.9996, "01:00:000"} /* never "1000" ms */,
             {6000, "100:00:000"}, {-3, "00:00:000"}})
        EXPECT_EQ(TimeText(seconds), text) << seconds;
}

namespace {

SongQueue queueOf(std::initializer_list<int> times)
{
    SongQueue q;
    q.create(long(times.size()));
    for (int t : times) q.add(t, 0x90, 60, 100);
    return q;
}

} // namespace

TEST(SongQueue, AddRoundsHalvesToEvenAfterTheOffsetAndHoldsAbsurdTimes)
{
    SongQueue q;
    q.create(8);
    EXPECT_EQ(q.add(0.5, 0x90, 1, 2), 1);
    for (double t : {1.5, 2.5, 2.51}) q.add(t, 0x90, 1, 2);
    q.TimeOffset = 100;
    q.add(1100.5, 0xB0, 7, 100);
    std::vector<int> times;
    for (long i = 1; i <= q.MsgCount; ++i) times.push_back(q[i].Time);
    EXPECT_EQ(times, (std::vector<int>{0, 2, 2, 3, 1000}));
    EXPECT_EQ(q.lastTime(), 1000);
    // A slot reused after a drop starts clean.
    q[5].Text = "x";
    q[5].Flag = 2;
    q.dropLast();
    q.add(7, 0xFF, 1, 0);
    EXPECT_TRUE(q[5].Text.isEmpty());
    EXPECT_EQ(q[5].Flag, 0);
    q.add(1e300, 0x90, 1, 1);
    q.add(std::nan(""), 0x90, 1, 1);
    q.add(50, 0x90, 1, 1);  // before the offset: nothing comes before the start
    EXPECT_EQ(q[6].Time, 1000000000);
    EXPECT_EQ(q[7].Time, 0);
    EXPECT_EQ(q[8].Time, 0);
}

TEST(SongQueue, Searches)
{
    SongQueue q = queueOf({0, 100, 100, 250, 400});
    EXPECT_EQ(q.firstAtOrAfter(100), 2);
    EXPECT_EQ(q.firstAtOrAfter(101), 4);
    EXPECT_EQ(q.firstAtOrAfter(401), 0);
    EXPECT_EQ(SongQueue().firstAtOrAfter(0), 0);

    EXPECT_EQ(q.positionOf(500, 1), 5);  // after the last entry
    EXPECT_EQ(q.positionOf(100, 1), 2);  // first at exactly t
    EXPECT_EQ(q.positionOf(200, 1), 3);  // before the first later one
    EXPECT_EQ(q.positionOf(50, 2), 0);   // entry 2 is already later
    EXPECT_EQ(q.positionOf(300, 9), 0);  // past MsgCount

    for (auto [i, line] : std::vector<std::pair<int, int>>{{2, 4}, {4, 8}, {5, 4}}) q[i].Status = 255, q[i].Data1 = 10, q[i].Data2 = uint8_t(line);
    EXPECT_EQ(q.NextSysexPage(0), 2);
    EXPECT_EQ(q.NextSysexPage(2), 5);
    EXPECT_EQ(q.NextSysexPage(5), 0);

    q[3].Status = 255, q[3].Data1 = 5, q[3].Value = 7, q[3].Extra = 12;
    EXPECT_EQ(q.lyricPositionAt(0), 712);
    EXPECT_EQ(q.lyricPositionAt(101), 0);
}

TEST(SongQueue, TrimTailKeepsTheLastNote)
{
    SongQueue q = queueOf({0, 10, 20, 30});
    q[2].Status = 0x80, q[3].Status = 0xB0, q[4].Status = 255;
    q.trimTail();
    EXPECT_EQ(q.MsgCount, 2); // a note-off ends it
    q[1].Status = 0xA5, q[2].Status = 0xC0;
    q.trimTail();
    EXPECT_EQ(q.MsgCount, 1); // so does key pressure
    q[1].Status = 255;
    q.trimTail();
    EXPECT_EQ(q.MsgCount, 1); // a queue without notes keeps what it has
}

TEST(SongQueue, SortIsStableAndCarriesIndexesAlong)
{
    // Long enough that an unstable sort would mix up equal times.
    SongQueue q;
    q.create(300);
    for (int i = 1; i <= 300; ++i) q.add(i == 1 ? 5000 : (i * 7919) % 13, 0x90, 60, 100), q[i].Value = i;
    long special = 40, outside = 1, none = 0;
    const int specialValue = q[special].Value;
    q.sortByTime(2, {&special, &outside, &none});
    EXPECT_EQ(q[1].Time, 5000) << "entries before the start stay";
    for (long i = 3; i <= q.MsgCount; ++i) {
        ASSERT_LE(q[i - 1].Time, q[i].Time) << i;
        if (q[i - 1].Time == q[i].Time) {
            ASSERT_LT(q[i - 1].Value, q[i].Value) << i;
        }
    }
    EXPECT_EQ(q[special].Value, specialValue);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(none, 0);
}

TEST(SongQueue, FastStartFromTheFirstNoteOn)
{
    for (auto [firstNote, offset, lead] : std::vector<std::tuple<int, int, int>>{{50, 0, 4000}, {3000, 2900, 4000}, {3000, 2900, 1000}}) {
        SongQueue q;
        q.create(4);
        q.add(0, 255, 3, 0);
        q.add(20, 0xB0, 7, 100);
        q.add(firstNote, 0x90, 60, 100);
        q.MsgQueue[0].Length = lead;
        EXPECT_EQ(q.fastStart(), offset);
        EXPECT_EQ(q[2].Time, 0);
        EXPECT_EQ(q[3].Time, firstNote - offset);
        // The gap before the first syllable shrinks with it, unless it is shorter.
        EXPECT_EQ(q.MsgQueue[0].Length, lead > offset ? lead - offset : lead);
    }
    SongQueue silent = queueOf({500});
    silent[1].Status = 0xB0;
    EXPECT_EQ(silent.fastStart(), 0);
    EXPECT_EQ(silent[1].Time, 500);
}
