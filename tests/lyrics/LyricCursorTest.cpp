// The lyric cursor on its own: rows rolling through real and made-up lyric
// sequences, seeks, countdown times, and what the views are told.
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "PlayerState.h"
#include "RecordingViews.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "SongState.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// A view that records what it was told.
class RecordingSurface : public LyricsDisplay {
public:
    QStringList log;
    int restoredSize = 0;
    void lyricRowChanged(int row) override { log << QString("row%1").arg(row); }
    void sysexRowChanged(int row) override { log << QString("sysex%1").arg(row); }
    void captionChanged(LyricCaption which, const QString& t) override { log << QString("cap%1=%2").arg(int(which)).arg(t); }
    void countdownsChanged(int l, int c) override { log << QString("bars(%1,%2)").arg(l).arg(c); }
    void PreparaAltezza() override { log << "PreparaAltezza"; }
    void PreparaPicLyric() override { log << "PreparaPicLyric"; }
    void restoreFontSize(int points) override { restoredSize = points; log << QString("restore(%1)").arg(points); }
};

struct Cursor {
    Settings settings;
    SongState song;
    PlayerState player;
    LyricDisplayState state;
    MIDIOutput out;
    double now = 100; ///< the song clock, seconds
    RecordingSurface surface;
    LyricCursor cursor{state, song, player, settings, out, [this] { return now; }};

    explicit Cursor(int rows = 2)
    {
        settings.KaraokeRows = rows;
        state.CurLyricRow = rows;
        cursor.attachSurface(&surface);
    }
    QString row(int r) const { return state.LyricRowText[size_t(r)]; }
    /// Line i of the song.
    QString line(int i) const { return song.LyricLines[i - 1]; }
    /// Adds a syllable entry as preparation makes it.
    void syllable(long time, int line, int column, const QString& text, int length = 500)
    {
        SongQueue& q = song.queue;
        const long i = q.add(time, 255, 5, 0);
        q[i].Value = line;
        q[i].Extra = column;
        q[i].Text = text;
        q[i].Length = length;
    }
    /// Lines of words made of one syllable each, "L1 ", "L2 ", ...; blank where asked.
    void lines(int count, std::initializer_list<int> blank = {})
    {
        song.queue.create(count + 8);
        for (int i = 1; i <= count; ++i) {
            const bool isBlank = std::find(blank.begin(), blank.end(), i) != blank.end();
            song.LyricLines << (isBlank ? QString("   ") : QString("L%1 ").arg(i));
            syllable(i * 1000, i, 1, song.LyricLines.last());
        }
    }
    /// Sings line i as the dispatcher does (a blank syllable is never printed).
    void sing(int i)
    {
        if (!line(i).trimmed().isEmpty()) cursor.PrintLyric(i, 1, line(i));
    }
};

/// Feeds every syllable of a prepared song as the dispatcher does and checks
/// after each one that the row being sung shows its line, and after each new
/// line that the rows below it, in reading order, show the next lines with words.
void rollsThrough(const SongState& prepared, int rows)
{
    Cursor c(rows);
    c.song = prepared;
    c.cursor.StartLyric(1);
    const SongQueue& q = c.song.queue;
    std::vector<int> worded; // the lines with words, in order
    for (int i = 1; i <= c.song.LyricLineCount(); ++i)
        if (!c.line(i).trimmed().isEmpty()) worded.push_back(i);
    int lines = 0;
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        if (e.Status != 255 || e.Data1 != 5 || e.Length < 1 || e.Text.startsWith('%') || e.Text.trimmed().isEmpty())
            continue;
        c.cursor.PrintLyric(e.Value, e.Extra, e.Text);
        const int cur = c.state.CurLyricRow;
        ASSERT_EQ(c.row(cur), c.line(e.Value)) << "entry " << i << " rows " << rows;
        ASSERT_EQ(c.state.LastSungRow, cur);
        if (e.Extra != 1) continue;
        ++lines;
        const auto at = std::find(worded.begin(), worded.end(), e.Value);
        for (int k = 1; k < rows && at + k < worded.end(); ++k)
            ASSERT_EQ(c.row((cur - 1 + k) % rows + 1), c.line(*(at + k))) << "line " << e.Value << " +" << k;
    }
    EXPECT_GT(lines, 8);
}

} // namespace

TEST(LyricCursor, RowsRollThroughRealSongsWithTwoThreeAndFourRows)
{
    for (const char* file : {"twinkle.kar", "Negra_Sombra.kar", "mozart_konigdernacht.mid"}) {
        const std::string path = sharedTestData() + "/" + file;
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "the shared test songs are absent";
        LoadedSong s;
        s.loadFile(path);
        ASSERT_GT(s.song.LyricLineCount(), 8) << file;
        for (int rows = 2; rows <= 4; ++rows) {
            SCOPED_TRACE(file);
            rollsThrough(s.song, rows);
        }
    }
}

TEST(LyricCursor, TwoRowsAlternateAndThreeRowsKeepTheLastLineOnceNothingFollows)
{
    Cursor two(2);
    two.lines(5);
    two.cursor.StartLyric(1);
    EXPECT_EQ(two.row(1), "L1 ");
    EXPECT_EQ(two.row(2), "L2 ");
    two.sing(1);
    two.sing(2);
    EXPECT_EQ(two.row(1), "L3 ") << "row 1 takes line 3 when line 2 starts";
    two.sing(3);
    EXPECT_EQ(two.row(2), "L4 ");
    EXPECT_EQ(two.state.CurLyricRow, 1);

    Cursor three(3);
    three.lines(5);
    three.cursor.StartLyric(1);
    for (int i = 1; i <= 4; ++i) three.sing(i);
    EXPECT_EQ(three.state.CurLyricRow, 1);
    EXPECT_EQ(three.row(1), "L4 ");
    EXPECT_EQ(three.row(2), "L5 ");
    EXPECT_EQ(three.row(3), "L3 ") << "no line 6: the row keeps what it shows";
}

TEST(LyricCursor, BlankLinesAreSkippedAndNeverPutTheSungLineInTheWrongRow)
{
    // A blank line is never sung; with three rows the rows used to fall out of
    // step with the song, painting line 5 over line 4's text.
    Cursor c(3);
    c.lines(8, {3, 6});
    c.cursor.StartLyric(1);
    EXPECT_EQ(c.row(1), "L1 ");
    EXPECT_EQ(c.row(2), "L2 ");
    EXPECT_EQ(c.row(3), "L4 ") << "the start skips the blank line too";
    for (int i : {1, 2, 4, 5, 7, 8}) {
        c.sing(i);
        ASSERT_EQ(c.row(c.state.CurLyricRow), c.line(i)) << "line " << i;
    }
    Cursor one(2);
    one.lines(1);
    one.cursor.SetLyricRow(1, "credits");
    one.cursor.PrintLyric(1, 1, "L1 ");
    EXPECT_EQ(one.row(one.state.CurLyricRow), "L1 ") << "a song of one line shows it instead of painting the credits";
}

TEST(LyricCursor, SeeksRefillTheRowsFromTheLineUnderWay)
{
    Cursor c(3);
    c.lines(12);
    // Line 7 has a second syllable at column 4, 300 ms after its first.
    c.song.LyricLines[6] = "L7 la ";
    c.syllable(7300, 7, 4, "la ");
    c.song.queue.sortByTime(1);
    c.cursor.StartLyric(1);

    c.cursor.RiposizionaKaraoke(7100);
    EXPECT_EQ(c.row(1), "L7 la ");
    EXPECT_EQ(c.row(2), "L8 ");
    EXPECT_EQ(c.row(3), "L9 ");
    EXPECT_EQ(c.state.CurLyricRow, 1) << "the line is under way in row 1";
    EXPECT_EQ(c.state.LastSungRow, 0) << "the sung part is forgotten";
    c.cursor.PrintLyric(7, 4, "la ");
    EXPECT_EQ(c.state.LastSungRow, 1);

    c.cursor.RiposizionaKaraoke(7000);
    EXPECT_EQ(c.state.CurLyricRow, 3) << "on the first syllable the next one opens row 1";
    c.sing(7);
    EXPECT_EQ(c.state.CurLyricRow, 1);
    EXPECT_EQ(c.row(1), "L7 la ");
    EXPECT_EQ(c.row(3), "L9 ");

    const int before = c.state.CurLyricRow;
    c.cursor.RiposizionaKaraoke(60000);
    for (int r = 1; r <= 4; ++r) EXPECT_TRUE(c.row(r).isEmpty()) << "a seek past the last lyric empties the rows";
    EXPECT_EQ(c.state.CurLyricRow, before);
}

TEST(LyricCursor, PositionCodesBeyondWhatSixteenBitsHeldAndChordsOnTheWay)
{
    Cursor c(2);
    c.song.queue.create(8);
    for (int i = 1; i <= 500; ++i) c.song.LyricLines << QString("line %1").arg(i);
    c.syllable(1000, 400, 150, "far");
    LyricPosition p = FindLyricAt(c.song.queue, 0);
    EXPECT_EQ(p.line, 400);
    EXPECT_EQ(p.column, 150);

    // A chord numbers chords, not lines: it must not decide the rows.
    const long chord = c.song.queue.add(500, 255, 5, 0);
    c.song.queue[chord].Text = "%Am";
    c.song.queue[chord].Value = 3;
    c.song.queue[chord].Extra = 1;
    c.song.queue.sortByTime(1);
    c.cursor.RiposizionaKaraoke(0);
    EXPECT_EQ(c.row(1), "line 400");
    EXPECT_EQ(c.row(2), "line 401");
    EXPECT_EQ(c.state.CurLyricRow, 1);
    EXPECT_FALSE(FindLyricAt(c.song.queue, 1001));
}

TEST(LyricCursor, DueTimesFollowTheOutputsTempoFactorIncludingTheClampedOnes)
{
    Cursor c;
    for (int percent : {0, 10, -10, -50, 75, 80, 100, -100}) {
        c.out.setTempoPercent(percent);
        const double due = c.cursor.CalcolaProssimaLyr(2000);
        EXPECT_DOUBLE_EQ(due, 100 + 2.0 * tempoFactor(c.out.TempoPercent())) << percent;
    }
    c.out.setTempoPercent(10);
    EXPECT_NEAR(c.cursor.CalcolaProssimaLyr(1000) - 100, 0.9, 1e-9) << "10 % faster: 10 % sooner";
    c.out.setTempoPercent(90);
    EXPECT_NEAR(c.cursor.CalcolaProssimaLyr(1000) - 100, 0.25, 1e-9) << "as fast as the music goes, no faster";

    c.state.NextLyricTime = 101.5;
    c.state.NextChordTime = 100.0004;
    c.cursor.drawCountdowns(100);
    EXPECT_EQ(c.cursor.lyricCountdownMs(), 1500);
    EXPECT_EQ(c.cursor.chordCountdownMs(), 0) << "under a millisecond clears the bar";
    c.cursor.drawCountdowns(102);
    EXPECT_EQ(c.cursor.lyricCountdownMs(), 0) << "overdue clears the bar";

    c.state.NextLyricTime = c.state.NextChordTime = 105;
    c.cursor.resetLyricState();
    c.cursor.drawCountdowns(102);
    EXPECT_EQ(c.cursor.lyricCountdownMs(), 0) << "a new song has no bars of the one before";
    EXPECT_EQ(c.cursor.chordCountdownMs(), 0);
}

TEST(LyricCursor, ChordsAndClearingTheDisplay)
{
    Cursor c;
    c.song.ChordList = QStringList{"%C", "%G7", "%Am"};
    c.cursor.StartLyricA();
    EXPECT_EQ(c.cursor.caption(LyricCaption::ChordNow), "C");
    EXPECT_EQ(c.cursor.caption(LyricCaption::ChordNext), "G7");
    c.cursor.PrintLyricA(2, 1, "%G7");
    EXPECT_EQ(c.cursor.caption(LyricCaption::ChordNow), "G7");
    EXPECT_EQ(c.cursor.caption(LyricCaption::ChordNext), "Am");
    c.cursor.PrintLyricA(3, 1, "%Am");
    EXPECT_EQ(c.cursor.caption(LyricCaption::ChordNext), "Am") << "after the last chord the next one stays";

    c.state.SavedFontSize = 36;
    c.state.SysexShown = true;
    c.state.SysexBesideLyrics = false;
    c.cursor.ClearLyricDisplay();
    EXPECT_EQ(c.surface.restoredSize, 36);
    EXPECT_EQ(c.state.SavedFontSize, -1);
    EXPECT_FALSE(c.state.SysexShown);
    EXPECT_TRUE(c.state.SysexBesideLyrics);
    EXPECT_TRUE(c.cursor.caption(LyricCaption::ChordNow).isEmpty());
    EXPECT_TRUE(c.surface.log.contains("bars(0,0)"));
    c.surface.log.clear();
    c.cursor.ClearLyricDisplay();
    EXPECT_TRUE(c.surface.log.contains("PreparaAltezza")) << "nothing to restore: the sizes are prepared again";
}

TEST(LyricCursor, RowCountChangesRefillFromWhereTheSongIsNotFromTheRoundedSlider)
{
    Cursor c(2);
    c.lines(20);
    c.song.SongLength = 21000;
    c.cursor.StartLyric(1);
    c.player.CurrentIndex = 10; // line 10 is being sung
    c.player.SliderPercent = 42;        // 8820 ms: a line back
    c.settings.KaraokeRows = 3;
    c.cursor.rowsChanged();
    EXPECT_EQ(c.row(1), "L10 ");
    EXPECT_EQ(c.row(3), "L12 ");

    c.player.CurrentIndex = 0; // not playing: the slider says where
    c.cursor.rowsChanged();
    EXPECT_EQ(c.row(1), "L9 ") << "the first lyric at or after 8820 ms";
}

TEST(LyricCursor, RowsFilledWhileTheSongWasStillPreparedArePutRight)
{
    // The first pass of the preparation ends with two lines, the second one
    // only begun; the rest comes while the song plays.
    Cursor c(4);
    c.song.LyricLines = QStringList{"L1 ", "L2 be"};
    c.cursor.StartLyric(1);
    EXPECT_TRUE(c.row(3).isEmpty());
    c.song.LyricLines[1] = "L2 begun ";
    for (int i = 3; i <= 9; ++i) c.song.LyricLines << QString("L%1 ").arg(i);
    for (int i = 1; i <= 6; ++i) {
        c.sing(i);
        const int cur = c.state.CurLyricRow;
        for (int k = 0; k < 4; ++k)
            ASSERT_EQ(c.row((cur - 1 + k) % 4 + 1), c.line(i + k)) << "line " << i << " +" << k;
    }

    // Two rows: the line that came after the last row was sung goes back to row 1.
    Cursor two(2);
    two.song.LyricLines = QStringList{"L1 ", "L2 "};
    two.cursor.StartLyric(1);
    two.sing(1);
    two.sing(2);
    two.song.LyricLines << "L3 " << "L4 ";
    two.sing(3);
    EXPECT_EQ(two.state.CurLyricRow, 1);
    EXPECT_EQ(two.row(1), "L3 ");
    EXPECT_EQ(two.row(2), "L4 ");
}

TEST(LyricCursor, APageStartsAtTheTopAndShowsOnlyItsOwnLines)
{
    Cursor c(3);
    c.lines(6);
    c.song.PageStarts = {4}; // lines 1-3 are one page, 4-6 the next
    c.cursor.StartLyric(1);
    for (int i = 1; i <= 3; ++i) c.sing(i);
    c.sing(4);
    EXPECT_EQ(c.state.CurLyricRow, 1) << "the new page is sung from the top";
    EXPECT_EQ(c.row(1), "L4 ");
    EXPECT_EQ(c.row(2), "L5 ");
    EXPECT_EQ(c.row(3), "L6 ");

    // A seek back into the first page shows that page's lines only.
    c.cursor.RiposizionaKaraoke(1900); // line 2 is the next to sing
    EXPECT_EQ(c.row(1), "L2 ");
    EXPECT_EQ(c.row(2), "L3 ");
    EXPECT_EQ(c.row(3), "");

    Cursor s(3);
    s.lines(5);
    s.song.PageStarts = {3, 5}; // a page of two lines, then one of a single line
    s.cursor.StartLyric(1);
    s.sing(1);
    s.sing(2);
    s.sing(3);
    EXPECT_EQ(s.row(1), "L3 ");
    EXPECT_EQ(s.row(2), "L4 ");
    EXPECT_EQ(s.row(3), "") << "the next page's line waits for its page";
    s.sing(4);
    s.sing(5);
    EXPECT_EQ(s.state.CurLyricRow, 1);
    EXPECT_EQ(s.row(1), "L5 ");
}
