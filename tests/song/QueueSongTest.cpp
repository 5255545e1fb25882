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

/// A song loaded without the fast start, so times are those of the file.
struct Slow : LoadedSong {
    explicit Slow(const SmfWriter& w) { settings.TurboStart = false, load(w.bytes()); }
};

std::vector<int> times(const LoadedSong& s, int status)
{
    std::vector<int> out;
    for (long i = 1; i <= s.count(); ++i)
        if (s.entry(i).Status == status) out.push_back(s.entry(i).Time);
    return out;
}

/// The markers as "text@time", in queue order.
QStringList markers(const LoadedSong& s)
{
    QStringList out;
    for (long i : s.metaEntries(6)) out << QString("%1@%2").arg(s.entry(i).Text).arg(s.entry(i).Time);
    return out;
}

} // namespace

TEST(QueueSong, TicksAreTimedThroughTheTempoMapFromTheInitialTempo)
{
    SmfWriter w(1, kDiv);
    w.track().tempo(0, 500000).tempo(1000, 1000000).end();
    w.track().note(999, 0, 60, 100).note(1, 0, 62, 100).note(10, 0, 64, 100).end();
    Slow s(w);
    EXPECT_EQ(times(s, 0x90), (std::vector<int>{999, 999, 1019}));
    auto tempos = s.metaEntries(81);
    ASSERT_EQ(tempos.size(), 2u);
    EXPECT_EQ(s.entry(tempos[1]).Value, 60);
    EXPECT_TRUE(s.views.log.filter("!").isEmpty()) << "a tempo at tick 0 needs no initial segment";
    // A first tempo after tick 0: the initial tempo times what comes before it.
    SmfWriter late(1, kDiv);
    late.track().note(0, 0, 60, 100).tempo(500, 250000).note(500, 0, 62, 100).end();
    Slow l(late);
    EXPECT_EQ(l.views.tempoCaption, "120!");
    EXPECT_EQ(times(l, 0x90), (std::vector<int>{0, 499 + 250}));
    EXPECT_EQ(l.entry(l.metaEntries(81)[0]).Value, 240);
}

TEST(QueueSong, AShortSongIsQueuedInTheFirstPass)
{
    SmfWriter w(1, kDiv);
    notes(w.track().tempo(0, 500000), 0, 0, 1000, 20000).end();
    LoadedSong s;
    s.settings.TurboStart = false;
    int buildingWhenStarted = -1;
    s.views.onOutput = [&](const OutputCall&) { buildingWhenStarted = s.flags.QueueBuilding; };
    s.load(w.bytes());
    ASSERT_EQ(s.views.outputs.size(), 1u);
    const OutputCall& o = s.views.outputs[0];
    EXPECT_EQ(std::vector<long>({o.fromIndex, o.toIndex, o.fromTime, o.mode}), std::vector<long>({1, s.count(), 0, 0}));
    EXPECT_EQ(buildingWhenStarted, 1);
    EXPECT_FALSE(s.flags.QueueBuilding);
    EXPECT_EQ(s.song.SongLength, 19500);
    EXPECT_EQ(s.views.songLength, "00:19");
    EXPECT_EQ(s.views.log.filter("slider"), QStringList({"slider(0,100,0,10)", "slider(0,100,0,10)"}))
        << "the slider is set after each pass";
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
    notes(w.track().text(50200, 6, "Verse 2"), 2, 100, 1300, 30000).end();
    Slow s(w);
    ASSERT_EQ(s.views.outputs.size(), 2u);
    const long firstPass = s.views.outputs[0].msgCount;
    for (long i = 1; i <= firstPass; ++i) EXPECT_LE(s.entry(i).Time, 50000) << i;
    const int lastOfFirst = s.entry(firstPass).Time;
    for (long i = firstPass + 1; i <= s.count(); ++i) EXPECT_GE(s.entry(i).Time, lastOfFirst) << i;
    EXPECT_TRUE(s.inTimeOrder());
    // Every event is there once (end-of-track events are dropped).
    long channel = 0;
    for (long i = 1; i <= s.count(); ++i) channel += s.entry(i).Status < 240;
    EXPECT_EQ(channel, 2 * (114 + 89 + 23));
    // The continuation hands the new entries over without a restart.
    const OutputCall& more = s.views.outputs[1];
    EXPECT_EQ(std::vector<long>({more.fromIndex, more.toIndex, more.mode}), std::vector<long>({firstPass + 1, s.count(), -1}));
    // Markers come half a second early, but never before what is already queued.
    EXPECT_EQ(markers(s), QStringList({QString("Verse 2@%1").arg(lastOfFirst), "Refrain@69499"}));
}

TEST(QueueSong, MarkersComeHalfASecondEarlyEvenInASingleTrack)
{
    SmfWriter w(0, kDiv);  // one track: still sorted after the move
    w.track().text(300, 6, "Intro").note(1500, 0, 60, 100).text(200, 6, "Verse").note(100, 0, 62, 100).end();
    Slow s(w);
    EXPECT_EQ(markers(s), QStringList({"Intro@300", "Verse@1500"}));
    EXPECT_TRUE(s.inTimeOrder());
}

TEST(QueueSong, EqualTimesKeepTrackOrder)
{
    SmfWriter w(1, kDiv);
    w.track().control(100, 0, 7, 90).control(0, 0, 10, 64).end();
    w.track().control(100, 1, 7, 91).end();
    w.track().control(100, 2, 7, 92).control(0, 2, 10, 60).end();
    Slow s(w);
    std::vector<std::pair<int, int>> order;
    for (long i = 1; i <= s.count(); ++i) order.emplace_back(s.entry(i).Status, s.entry(i).Data2);
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{0xB0, 90}, {0xB0, 64}, {0xB1, 91}, {0xB2, 92}, {0xB2, 60}}));
}

TEST(QueueSong, MelodyNotesCarryTheGapToTheNext)
{
    SmfWriter w(1, kDiv);
    // Entries of the first track that the sort moves after the melody notes.
    w.track().control(49500, 0, 7, 100).control(300, 0, 7, 90).end();
    // Channel index 3 is the default melody channel; velocity 0 is no note.
    w.track().note(0, 3, 60, 100).note(500, 3, 62, 0).note(0, 0, 40, 100).note(0, 3, 64, 90)
        .note(1000, 3, 65, 90).note(47500, 3, 60, 100).note(2000, 3, 62, 100).note(500, 3, 63, 100).end();
    Slow s(w);
    std::vector<std::pair<int, int>> melody;  // time, Length
    for (long i = 1; i <= s.count(); ++i) {
        const QueueEntry& e = s.entry(i);
        if (e.Status == 0x93 && e.Data2 > 0) melody.emplace_back(e.Time, e.Length);
        else EXPECT_EQ(e.Length, 0) << "entry " << i << " is no melody note";
    }
    EXPECT_EQ(melody, (std::vector<std::pair<int, int>>{{0, 500}, {500, 1000}, {1500, 47500}, {49000, 2000},
                                                         {51000, 500}, {51500, 0}}));
    EXPECT_EQ(s.song.queue.MsgQueue[0].Length, 0);
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
        s.load(w.bytes());
        EXPECT_EQ(s.views.keyCaption, c.key) << c.sf << " " << c.minor;
        EXPECT_EQ(s.metaEntries(89).size(), 1u);
    }
}

TEST(QueueSong, LyricsAndChordsStartTheirDisplaysFromTheWordsTrackOrTheFilteredTrack)
{
    auto lyricTrack = [](SmfTrack& t, const char* prefix, int lines) -> SmfTrack& {
        for (int i = 0; i < lines; ++i) t.text(100, 1, std::string("/") + prefix + std::to_string(i));
        return t;
    };
    SmfWriter w(1, kDiv);
    lyricTrack(w.track(), "noise", 3).end();
    w.track().text(0, 3, "Words").text(500, 1, "\\One").text(500, 1, "two").text(500, 1, "/three").end();
    w.track().sysex(400, std::string("\x43$\x00\x01" "Am7\xF7", 8)).note(0, 0, 60, 100).end();
    Slow s(w);
    EXPECT_EQ(s.song.LyricLines, QStringList({"Onetwo", "three"}));
    EXPECT_EQ(s.song.ChordList, QStringList({"%Am7"}));
    EXPECT_EQ(s.views.startLyricCalls, 1);
    EXPECT_EQ(s.views.startChordCalls, 2) << "after each pass";
    // After sorting the marked entries are found again.
    EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Text, "three");
    EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Flag, 1);
    EXPECT_EQ(s.entry(s.song.LastChordEntry).Text, "%Am7");
    EXPECT_EQ(s.entry(s.song.LastChordEntry).Flag, 2);

    // With FilterLyrics a meta-only track with enough lines becomes the
    // lyric track; a meta-only track after it does not take that away.
    SmfWriter filtered(1, kDiv);
    lyricTrack(filtered.track(), "a", 9).end();
    lyricTrack(filtered.track(), "b", 2).note(0, 0, 60, 100).end();
    lyricTrack(filtered.track(), "c", 2).end();
    lyricTrack(filtered.track(), "d", 2).text(60000, 1, "/late").end();
    LoadedSong f;
    f.settings.FilterLyrics = true;
    f.load(filtered.bytes());
    EXPECT_EQ(f.song.LyricLineCount(), 9);
    EXPECT_EQ(f.views.startLyricCalls, 1) << "the lyric display starts once per song";
}

TEST(QueueSong, FastStartAndTheTail)
{
    SmfWriter w(1, kDiv);
    w.track().text(0, 3, "Piano").control(100, 0, 7, 100).note(2900, 0, 60, 100).noteOff(500, 0, 60)
        .control(60000, 0, 7, 90).note(1000, 0, 62, 100).noteOff(500, 0, 62).control(500, 0, 10, 64)
        .text(100, 6, "End").end();
    LoadedSong s;
    s.load(w.bytes());
    EXPECT_EQ(s.song.queue.TimeOffset, 2900);
    EXPECT_EQ(s.views.turbo, "2900");
    // The controller before the first note is held at 0.
    EXPECT_EQ((std::vector<int>{s.entry(1).Time, s.entry(2).Time, s.entry(3).Time, s.entry(4).Time}),
              (std::vector<int>{0, 0, 100, 600}));
    EXPECT_EQ(s.entry(s.count()).Status, 0x80) << "entries after the last note are trimmed";
    EXPECT_EQ(s.entry(s.count()).Time, 3000 + 60500 + 1500 - 2900);
    EXPECT_EQ(s.views.songLength, "01:02");
    ASSERT_EQ(s.views.outputs.size(), 2u);
    EXPECT_EQ(s.views.outputs[1].toIndex, s.count());

    LoadedSong mci;
    mci.settings.ExternalMCI = true;
    mci.load(w.bytes());
    ASSERT_EQ(mci.views.outputs.size(), 1u) << "the external player reads the file itself";
    EXPECT_EQ(mci.views.outputs[0].fromIndex, 0);
    EXPECT_EQ(mci.views.outputs[0].fromTime, 101);
    EXPECT_TRUE(mci.inTimeOrder());
}

TEST(QueueSong, AnOutputThatCannotStartEndsThePreparation)
{
    // The external player refusing the file stops the song and raises AbortRequested from inside OutputSong.
    SmfWriter w(1, kDiv);
    notes(w.track(), 0, 0, 100, 120000).end();
    LoadedSong s;
    long countAtStart = 0;
    s.views.onOutput = [&](const OutputCall&) {
        s.flags.AbortRequested = true;
        countAtStart = s.count();
    };
    s.load(w.bytes());
    EXPECT_EQ(s.count(), countAtStart) << "the second pass never ran";
    EXPECT_LT(s.song.queue.lastTime(), 60000);
    EXPECT_FALSE(s.flags.QueueBuilding);
    EXPECT_EQ(s.views.outputs.size(), 1u);
    EXPECT_FALSE(s.views.warnEnabled) << "the queue is not complete";
    EXPECT_EQ(s.views.log.filter("queueComplete").size(), 0);
}

TEST(QueueSong, ALateTempoAtTickZeroNeverMakesTimesNegative)
{
    // Track 2's tempo at tick 0 arrives after track 1's tempo at tick 2000:
    // the walk over the segments then subtracts 2000 ticks of 8 ms.
    SmfWriter w(1, kDiv);
    w.track().note(0, 0, 60, 100).tempo(2000, 4000000).noteOff(100, 0, 60).end();
    w.track().tempo(0, 500000).noteOff(2900, 1, 62).note(100, 1, 62, 100).noteOff(500, 1, 62).end();
    for (bool turbo : {false, true}) {
        LoadedSong s;
        s.settings.TurboStart = turbo;
        s.load(w.bytes());
        for (long i = 1; i <= s.count(); ++i) EXPECT_GE(s.entry(i).Time, 0) << i;
        EXPECT_TRUE(s.inTimeOrder()) << turbo;
    }
}
