// Song preparation: timing, the two passes, stopping, and what the entries carry.
#include "QueueSong.h"
#include "RecordingViews.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// Division 500 at the default tempo: one tick is one millisecond.
constexpr int kDiv = 500;

/// note-on/note-off pairs every `step` ms from `start` up to `end` on a channel.
SmfTrack& notes(SmfTrack& t, int channel, int start, int step, int end)
{
    int now = 0;
    for (int at = start; at + step / 2 <= end; at += step) {
        t.note(uint32_t(at - now), channel, 60, 100).noteOff(uint32_t(step / 2), channel, 60);
        now = at + step / 2;
    }
    return t;
}

LoadedSong& prepared(LoadedSong& s, const SmfWriter& w)
{
    s.load(w.bytes());
    return s;
}

} // namespace

TEST(QueueSong, TicksAreTimedThroughTheTempoMap)
{
    SmfWriter w(1, kDiv);
    w.track().tempo(0, 500000).tempo(1000, 1000000).end();
    w.track().note(999, 0, 60, 100).note(1, 0, 62, 100).note(10, 0, 64, 100).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    std::vector<int> noteTimes;
    for (long i = 1; i <= s.count(); ++i)
        if (s.entry(i).Status == 0x90) noteTimes.push_back(s.entry(i).Time);
    EXPECT_EQ(noteTimes, (std::vector<int>{999, 999, 1019}));
    auto tempos = s.metaEntries(81);
    ASSERT_EQ(tempos.size(), 2u);
    EXPECT_EQ(s.entry(tempos[0]).Value, 120);
    EXPECT_EQ(s.entry(tempos[1]).Value, 60);
    EXPECT_TRUE(s.views.log.filter("!").isEmpty()) << "a tempo at tick 0 needs no initial segment";
}

TEST(QueueSong, ATempoAfterTickZeroStartsFromTheInitialTempo)
{
    SmfWriter w(1, kDiv);
    w.track().note(0, 0, 60, 100).tempo(500, 250000).note(500, 0, 62, 100).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    EXPECT_EQ(s.views.tempoCaption, "120!");
    long last = s.count();
    EXPECT_EQ(s.entry(last).Status, 0x90);
    EXPECT_EQ(s.entry(last).Time, 499 + 250);
    EXPECT_EQ(s.entry(s.metaEntries(81)[0]).Value, 240);
}

TEST(QueueSong, AShortSongIsQueuedInTheFirstPass)
{
    SmfWriter w(1, kDiv);
    notes(w.track().tempo(0, 500000), 0, 0, 1000, 20000).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    int buildingWhenStarted = -1;
    s.views.onOutput = [&](const OutputCall&) { buildingWhenStarted = s.flags.QueueBuilding; };
    prepared(s, w);
    ASSERT_EQ(s.views.outputs.size(), 1u);
    EXPECT_EQ(s.views.outputs[0].fromIndex, 1);
    EXPECT_EQ(s.views.outputs[0].toIndex, s.count());
    EXPECT_EQ(s.views.outputs[0].fromTime, 0);
    EXPECT_EQ(s.views.outputs[0].mode, 0);
    EXPECT_EQ(buildingWhenStarted, 1);
    EXPECT_FALSE(s.flags.QueueBuilding);
    EXPECT_EQ(s.song.SongLength, 19500);
    EXPECT_EQ(s.views.songLength, "00:19");
    EXPECT_EQ(s.views.log.filter("slider").size(), 2) << "the slider is set after each pass";
    EXPECT_EQ(s.views.log.filter("slider")[0], "slider(0,100,0,10)");
}

TEST(QueueSong, TheSecondPassNeverQueuesBeforeTheFirst)
{
    // Three tracks crossing the 50 s mark at different events; a marker just
    // after the mark is moved back before it, and one track has a tempo change
    // after the mark.
    SmfWriter w(1, kDiv);
    w.track().tempo(0, 500000).tempo(60000, 250000).end();
    notes(w.track(), 0, 0, 700, 80000).end();
    notes(w.track(), 1, 350, 900, 80000).text(0, 6, "Refrain").end();
    SmfTrack& t4 = w.track();
    t4.text(50200, 6, "Verse 2");
    notes(t4, 2, 100, 1300, 30000).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    ASSERT_EQ(s.views.outputs.size(), 2u);
    const long firstPass = s.views.outputs[0].msgCount;
    for (long i = 1; i <= firstPass; ++i) EXPECT_LE(s.entry(i).Time, 50000) << i;
    int lastOfFirst = s.entry(firstPass).Time;
    for (long i = firstPass + 1; i <= s.count(); ++i) EXPECT_GE(s.entry(i).Time, lastOfFirst) << i;
    EXPECT_TRUE(s.inTimeOrder());
    // Every event is there once (end-of-track events are dropped).
    long channel = 0;
    for (long i = 1; i <= s.count(); ++i) channel += s.entry(i).Status < 240;
    long expected = 0;
    for (int step : {700, 900}) expected += 2 * ((80000 - step / 2 - (step == 900 ? 350 : 0)) / step + 1);
    expected += 2 * ((30000 - 650 - 100) / 1300 + 1);
    EXPECT_EQ(channel, expected);
    // The continuation hands the new entries over without a restart.
    const OutputCall& more = s.views.outputs[1];
    EXPECT_EQ(more.fromIndex, firstPass + 1);
    EXPECT_EQ(more.toIndex, s.count());
    EXPECT_EQ(more.mode, -1);
    auto markers = s.metaEntries(6);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(s.entry(markers[0]).Text, "Verse 2");
    EXPECT_EQ(s.entry(markers[0]).Time, lastOfFirst) << "moved 500 ms earlier, but not before what plays";
    EXPECT_EQ(s.entry(markers[1]).Text, "Refrain");
}

TEST(QueueSong, EqualTimesKeepTrackOrder)
{
    SmfWriter w(1, kDiv);
    w.track().control(100, 0, 7, 90).control(0, 0, 10, 64).end();
    w.track().control(100, 1, 7, 91).end();
    w.track().control(100, 2, 7, 92).control(0, 2, 10, 60).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    std::vector<int> statusOrder;
    for (long i = 1; i <= s.count(); ++i) statusOrder.push_back(s.entry(i).Status * 1000 + s.entry(i).Data2);
    EXPECT_EQ(statusOrder, (std::vector<int>{0xB0 * 1000 + 90, 0xB0 * 1000 + 64, 0xB1 * 1000 + 91,
                                             0xB2 * 1000 + 92, 0xB2 * 1000 + 60}));
}

TEST(QueueSong, MarkersComeHalfASecondEarly)
{
    SmfWriter w(0, kDiv);  // one track: still sorted after the move
    w.track().text(300, 6, "Intro").note(1500, 0, 60, 100).text(200, 6, "Verse").note(100, 0, 62, 100).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    auto markers = s.metaEntries(6);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(s.entry(markers[0]).Time, 300);
    EXPECT_EQ(s.entry(markers[1]).Time, 1500);
    EXPECT_EQ(s.entry(markers[1]).Text, "Verse");
    EXPECT_TRUE(s.inTimeOrder());
}

TEST(QueueSong, MelodyNotesCarryTheGapToTheNext)
{
    SmfWriter w(1, kDiv);
    // Entries of the first track that the sort moves after the melody notes.
    w.track().control(49500, 0, 7, 100).control(300, 0, 7, 90).end();
    // Channel index 3 is the default melody channel; velocity 0 is no note.
    w.track().note(0, 3, 60, 100).note(500, 3, 62, 0).note(0, 0, 40, 100).note(0, 3, 64, 90)
        .note(1000, 3, 65, 90).note(47500, 3, 60, 100).note(2000, 3, 62, 100).note(500, 3, 63, 100).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    std::vector<std::pair<int, int>> melody;  // time, Length
    for (long i = 1; i <= s.count(); ++i) {
        const QueueEntry& e = s.entry(i);
        if (e.Status == 0x93 && e.Data2 > 0) melody.emplace_back(e.Time, e.Length);
        else EXPECT_EQ(e.Length, 0) << "entry " << i << " is no melody note";
    }
    EXPECT_EQ(melody, (std::vector<std::pair<int, int>>{{0, 500}, {500, 1000}, {1500, 47500}, {49000, 2000},
                                                         {51000, 500}, {51500, 0}}));
    EXPECT_EQ(s.song.queue.MsgQueue[0].Length, 0);

    SmfWriter none(1, kDiv);
    none.track().note(0, 0, 60, 100).note(500, 0, 62, 100).end();
    LoadedSong n;
    prepared(n, none);
    for (long i = 0; i <= n.count(); ++i) EXPECT_EQ(n.entry(i).Length, 0);
}

TEST(QueueSong, KeySignatureShowsTheKey)
{
    struct Case { int sf, minor; bool italian; QString key; };
    for (const Case& c : {Case{0, 0, false, "C+"}, Case{1, 0, false, "G+"}, Case{-3, 1, false, "C-"},
                          Case{2, 1, false, "B-"}, Case{-1, 0, true, "Fa+"}, Case{1, 0, true, "Sol+"}}) {
        SmfWriter w(1, kDiv);
        w.track().keySignature(0, c.sf, c.minor).note(10, 0, 60, 100).end();
        LoadedSong s;
        s.settings.ItalianNotation = c.italian;
        prepared(s, w);
        EXPECT_EQ(s.views.keyCaption, c.key) << c.sf << " " << c.minor;
        EXPECT_EQ(s.metaEntries(89).size(), 1u);
    }
}

TEST(QueueSong, TheWordsTrackAndFilteredLyrics)
{
    auto lyricTrack = [](SmfTrack& t, const char* prefix, int lines) -> SmfTrack& {
        for (int i = 0; i < lines; ++i) t.text(100, 1, std::string("/") + prefix + std::to_string(i));
        return t;
    };
    {
        SmfWriter w(1, kDiv);
        lyricTrack(w.track(), "noise", 3).end();
        lyricTrack(w.track().text(0, 3, "words"), "sing", 3).end();
        LoadedSong s;
        prepared(s, w);
        EXPECT_EQ(s.song.LyricLines, QStringList({"sing0", "sing1", "sing2"}));
    }
    {
        // With FilterLyrics a meta-only track with enough lines becomes the
        // lyric track; a meta-only track after it does not take that away.
        SmfWriter w(1, kDiv);
        lyricTrack(w.track(), "a", 9).end();
        lyricTrack(w.track(), "b", 2).note(0, 0, 60, 100).end();
        lyricTrack(w.track(), "c", 2).end();
        lyricTrack(w.track(), "d", 2).text(60000, 1, "/late").end();
        LoadedSong s;
        s.settings.FilterLyrics = true;
        prepared(s, w);
        EXPECT_EQ(s.song.LyricLineCount(), 9);
        EXPECT_EQ(s.views.startLyricCalls, 1) << "the lyric display starts once per song";
    }
}

TEST(QueueSong, FastStartAndTheTail)
{
    SmfWriter w(1, kDiv);
    w.track().text(0, 3, "Piano").control(100, 0, 7, 100).note(2900, 0, 60, 100).noteOff(500, 0, 60)
        .control(60000, 0, 7, 90).note(1000, 0, 62, 100).noteOff(500, 0, 62).control(500, 0, 10, 64)
        .text(100, 6, "End").end();
    LoadedSong s;
    s.settings.TurboStart = true;
    prepared(s, w);
    EXPECT_EQ(s.song.queue.TimeOffset, 2900);
    EXPECT_EQ(s.views.turbo, "2900");
    EXPECT_EQ(s.entry(1).Time, 0);
    EXPECT_EQ(s.entry(2).Time, 0);  // the controller before the first note
    EXPECT_EQ(s.entry(3).Time, 100);
    EXPECT_EQ(s.entry(4).Time, 600);
    EXPECT_EQ(s.entry(s.count()).Status, 0x80) << "entries after the last note are trimmed";
    EXPECT_EQ(s.entry(s.count()).Time, 3000 + 60500 + 1500 - 2900);
    EXPECT_EQ(s.views.songLength, "01:02");
    ASSERT_EQ(s.views.outputs.size(), 2u);
    EXPECT_EQ(s.views.outputs[1].toIndex, s.count());

    LoadedSong mci;
    mci.settings.ExternalMCI = true;
    prepared(mci, w);
    ASSERT_EQ(mci.views.outputs.size(), 1u) << "the external player reads the file itself";
    EXPECT_EQ(mci.views.outputs[0].fromIndex, 0);
    EXPECT_EQ(mci.views.outputs[0].fromTime, 101);
    EXPECT_TRUE(mci.inTimeOrder());
}

TEST(QueueSong, AStopEndsThePreparationAtTheNextEvent)
{
    SmfWriter w(1, kDiv);
    notes(w.track(), 0, 0, 100, 120000).end();
    {
        LoadedSong s;
        int runs = 0;
        long countAtStop = 0;
        s.views.onEvents = [&] {
            // The first run is LoadSong's, before the preparation starts.
            EXPECT_EQ(s.flags.QueueBuilding, s.views.eventRuns > 1);
            if (!s.views.outputs.empty() && ++runs == 10) {
                s.flags.AbortRequested = true;
                countAtStop = s.count();
            }
        };
        prepared(s, w);
        EXPECT_EQ(s.count(), countAtStop);
        EXPECT_FALSE(s.flags.QueueBuilding);
        EXPECT_TRUE(s.flags.AbortRequested);
        EXPECT_EQ(s.views.outputs.size(), 1u);
        EXPECT_FALSE(s.views.warnEnabled) << "the queue is not complete";
    }
    {
        // A stop while the first pass is sorted: nothing is started.
        LoadedSong s;
        s.views.onEvents = [&] {
            if (s.flags.QueueMerging) s.flags.AbortRequested = true;
        };
        prepared(s, w);
        EXPECT_TRUE(s.views.outputs.empty());
        EXPECT_FALSE(s.flags.QueueBuilding);
        EXPECT_FALSE(s.flags.QueueMerging);
    }
}

TEST(QueueSong, LyricsAndChordsStartTheirDisplays)
{
    SmfWriter w(1, kDiv);
    w.track().text(0, 3, "Words").text(500, 1, "\\One").text(500, 1, "two").text(500, 1, "/three").end();
    w.track().sysex(400, std::string("\x43$\x00\x01" "Am7\xF7", 8)).note(0, 0, 60, 100).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    prepared(s, w);
    EXPECT_EQ(s.song.LyricLines, QStringList({"Onetwo", "three"}));
    EXPECT_EQ(s.song.ChordList, QStringList({"%Am7"}));
    EXPECT_EQ(s.views.startLyricCalls, 1);
    EXPECT_EQ(s.views.startChordCalls, 2) << "after each pass";
    // After sorting the marked entries are found again.
    EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Text, "three");
    EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Flag, 1);
    EXPECT_EQ(s.entry(s.song.LastChordEntry).Text, "%Am7");
    EXPECT_EQ(s.entry(s.song.LastChordEntry).Flag, 2);
}
