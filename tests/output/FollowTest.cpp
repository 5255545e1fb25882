// Queue searches by time and the external-player follower.
#include "DispatcherFixture.h"
#include "Follow.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::Fixture;

namespace {

/// A queue of note-ons at the given times.
SongQueue queueAt(std::initializer_list<long> times)
{
    Fixture f;
    for (long t : times) f.add(t, 0x90, 60, 100);
    return f.song.queue;
}

/// The dispatcher's fixture with a follower polling a settable sequencer position.
struct Follow : Fixture {
    double sequencerMs = 0;
    std::vector<long> shown; ///< CurrentIndex each time an entry was shown
    MciFollower follower{song, flags, player, d};

    Follow()
    {
        follower.setPositionSource([this] { return sequencerMs; });
        views.onShown = [this] { shown.push_back(player.CurrentIndex); };
        player.MciOpen = true;
    }
    std::vector<long> poll(double ms)
    {
        sequencerMs = ms;
        shown.clear();
        follower.FollowMciPosition();
        return shown;
    }
};

} // namespace

// The queue's own searches are tested with the queue; here the arguments' order and the empty queue.
TEST(QueueSearch, FindIndexAtAndLastIndexAt)
{
    EXPECT_EQ(FindIndexAt(queueAt({}), 0), 0);
    EXPECT_EQ(LastIndexAt(queueAt({}), 1, 100), 0);
    const SongQueue q = queueAt({0, 100, 100, 200, 300});
    EXPECT_EQ(FindIndexAt(q, 100), 2) << "the first of equal times";
    EXPECT_EQ(FindIndexAt(q, 301), 0) << "after the last entry";
    EXPECT_EQ(LastIndexAt(q, 1, 301), 5) << "after the last entry: the last";
    EXPECT_EQ(LastIndexAt(q, 1, 100), 2) << "an exact time gives the first entry at it";
    EXPECT_EQ(LastIndexAt(q, 3, 150), 3);
    EXPECT_EQ(LastIndexAt(q, 4, 150), 0) << "the start is already later";
}

TEST(MciFollower, ShowsEntriesUpToTheSequencerPositionLessTheOffsetButNoNoteOffs)
{
    Follow f;
    f.meta(0, 6, "Intro");                   // 1
    f.add(1000, 0x90, 60, 100);              // 2
    f.add(1500, 0x80, 60, 0);                // 3 note-off: never shown
    f.add(2000, 0xE0, 0, 64);                // 4 pitch bend: never shown
    f.add(2500, 0xC0, 5);                    // 5
    f.control(3000, 0, 7, 100);              // 6
    f.add(3500, 0x90, 62, 100);              // 7
    f.finish(9000);                          // 8
    f.song.queue.TimeOffset = 2000;

    EXPECT_EQ(f.poll(5000), (std::vector<long>{1, 2, 5, 6}));
    EXPECT_EQ(f.views.marker, "Intro");
    EXPECT_EQ(f.player.MciFollowLast, 6);
    EXPECT_EQ(f.player.MciFollowIndex, 7);

    // Nothing new is due: the follower keeps its place instead of starting over.
    EXPECT_TRUE(f.poll(5000).empty());
    EXPECT_EQ(f.player.MciFollowIndex, 7);
    EXPECT_TRUE(f.poll(5400).empty());
    EXPECT_EQ(f.player.MciFollowIndex, 7);

    EXPECT_EQ(f.poll(5600), std::vector<long>{7});
    EXPECT_EQ(f.player.MciFollowIndex, 8);
    EXPECT_EQ(f.stops.calls, 0);

    // The last entry is a note-off, never shown: the song ends once the
    // sequencer passes the song's length.
    EXPECT_TRUE(f.poll(11000).empty());
    EXPECT_EQ(f.stops.calls, 0);
    f.poll(11001);
    EXPECT_EQ(f.stops.calls, 1);
}

TEST(MciFollower, AStopWhileABurstIsShownEndsItAndKeepsThePlace)
{
    Follow f;
    for (int i = 0; i < 5; ++i) f.add(100 * i, 0x90, 60 + i, 100);
    f.finish(9000);
    f.views.onShown = [&f] {
        f.shown.push_back(f.player.CurrentIndex);
        if (f.shown.size() == 2) f.flags.AbortRequested = true;
    };
    EXPECT_EQ(f.poll(1000), (std::vector<long>{1, 2}));
    EXPECT_EQ(f.player.MciFollowIndex, 1);

    f.flags.AbortRequested = false;
    f.player.MciOpen = false;
    EXPECT_TRUE(f.poll(1000).empty()) << "nothing is followed while the sequencer is closed";
}
