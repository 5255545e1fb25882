// A performance as it happens: the guide's bars move with the key, the trace
// follows the singer into the notes' octave, lines end once with their rating.
#include "LiveSinging.h"

#include <gtest/gtest.h>

using namespace lirmus;

namespace {

SingSong threeNotes()
{
    SingSong s;
    s.notes = {{1000, 2000, 60, 0}, {2000, 3000, 64, 0}, {5000, 6000, 55, 1}, {9000, 9500, 90, -1}};
    s.lines = {{1, 900, 3000, "one"}, {2, 4900, 6000, "two"}};
    return s;
}

} // namespace

TEST(LiveSinging, TheGuideShowsTheNotesAroundTheCueMovedByTheKey)
{
    LiveSinging live;
    EXPECT_TRUE(live.guide(0).bars.empty()) << "no song, nothing to show";
    live.setSong(threeNotes());
    GuideView v = live.guide(2500);
    // Two seconds behind the cue, four ahead: the notes from 1000 to 6000; never the unsung one.
    ASSERT_EQ(v.bars.size(), 3u);
    EXPECT_EQ(v.bars[0].pitch, 60);
    EXPECT_EQ(v.bars[2].pitch, 55);
    EXPECT_EQ(v.nowMs, 2500);
    EXPECT_LE(v.low, 55);
    EXPECT_GE(v.high, 64);
    EXPECT_GE(v.high - v.low, 18) << "an octave and a half at least";
    const int low = v.low, high = v.high;
    EXPECT_EQ(live.guide(200).bars.size(), 2u) << "the third note is more than four seconds ahead";
    EXPECT_EQ(live.guide(8500).bars.size(), 0u) << "every note more than two seconds behind";

    live.setKey(-3);
    v = live.guide(2500);
    EXPECT_EQ(v.bars[0].pitch, 57);
    EXPECT_EQ(v.bars[1].pitch, 61);
    EXPECT_EQ(v.low, low - 3) << "the lane moves with the bars";
    EXPECT_EQ(v.high, high - 3);

    // Where the bars are drawn: lower keys lower, later notes further right, the cue a third in.
    const QRect r(0, 0, 600, 240);
    EXPECT_GT(guideY(r, v, v.bars[0].pitch), guideY(r, v, v.bars[1].pitch));
    EXPECT_DOUBLE_EQ(guideX(r, v, v.nowMs), 200);
    EXPECT_DOUBLE_EQ(guideX(r, v, v.nowMs + v.aheadMs), 600);
    EXPECT_NEAR(guideY(r, v, v.low), r.bottom() - 0.5 * 240 / (v.high - v.low + 1), 1e-9);
}

TEST(LiveSinging, TheTraceFollowsTheSingerIntoTheNotesOctave)
{
    LiveSinging live;
    live.setSong(threeNotes());
    live.setKey(2);
    live.addFrame(1000, 500, 50.3f);  // an octave under the note as played (62)
    live.addFrame(1500, 500, 0.0f);   // a breath
    live.addFrame(2000, 500, 78.0f);  // an octave over the next (66)
    live.addFrame(3000, 100, 70.0f);  // not shown before the cue reaches it
    GuideView v = live.guide(2500);
    ASSERT_EQ(v.trace.size(), 3u) << "nothing past the cue";
    EXPECT_FLOAT_EQ(v.trace[0].pitch, 62.3f);
    EXPECT_FLOAT_EQ(v.trace[1].pitch, 0.0f);
    EXPECT_FLOAT_EQ(v.trace[2].pitch, 66.0f);
    live.addFrame(4200, 100, 70.0f);  // between notes: folded next to the nearest, the one at 5000 (57)
    const GuideView later = live.guide(4300);
    ASSERT_EQ(later.trace.size(), 2u) << "two seconds behind the cue";
    EXPECT_FLOAT_EQ(later.trace[0].pitch, 70.0f) << "next to the note ending at 3000 (66)";
    EXPECT_FLOAT_EQ(later.trace[1].pitch, 58.0f);
    EXPECT_FLOAT_EQ(v.bars[0].hit, 0.5f) << "the first half of the first note was sung";
    EXPECT_FLOAT_EQ(v.bars[1].hit, 0.5f);

    // The trace keeps three seconds; a seek back starts it afresh.
    live.addFrame(6600, 100, 60.0f);
    EXPECT_EQ(live.guide(6600).trace.size(), 1u);
    live.addFrame(1000, 100, 62.0f);
    v = live.guide(1000);
    ASSERT_EQ(v.trace.size(), 1u);
    EXPECT_EQ(v.trace[0].ms, 1000);
}

TEST(LiveSinging, LinesEndOnceWithTheirRatingAndASeekBackSingsThemAgain)
{
    LiveSinging live;
    EXPECT_TRUE(live.linesEndedBy(1e9).empty());
    live.setSong(threeNotes());
    live.addFrame(1000, 2000, 60.0f); // the first note whole, the second not
    EXPECT_TRUE(live.linesEndedBy(2999).empty());
    std::vector<LineResult> ended = live.linesEndedBy(3000);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].line, 0u);
    EXPECT_EQ(ended[0].score, 50);
    EXPECT_EQ(ended[0].rating, "Fair");
    EXPECT_EQ(live.guide(3000).rating, "Fair");
    EXPECT_TRUE(live.linesEndedBy(3500).empty()) << "told once";
    live.addFrame(5000, 1000, 67.0f);
    ended = live.linesEndedBy(7000);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].score, 100);
    EXPECT_EQ(live.total(), 67);
    ended = live.linesEndedBy(2000);
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(live.linesEndedBy(3100).size(), 1u) << "the seek back: the first line ends again";

    live.setSong(threeNotes());
    EXPECT_EQ(live.total(), 0) << "a new song starts from nothing";
    EXPECT_EQ(live.guide(3000).rating, "");
    live.clear();
    EXPECT_FALSE(live.hasSong());
}
