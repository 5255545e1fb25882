// Lyric syllables, chords and the other texts of a song.
#include "ChordNames.h"
#include "LyricExtraction.h"
#include "RecordingViews.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::RecordingViews;

namespace {

/// A song being prepared: texts go through textMeta/sysex as QueueSong hands them over.
struct Texts {
    Settings settings = lirmus::test::defaultSettings();
    RecordingViews views;
    SongState song;
    LyricExtraction x{song, settings, views, views};

    Texts() { song.queue.create(100); }

    /// A text meta event at time ms; returns its index, or 0 when it was dropped.
    long meta(int time, const QString& text, int type = 1, int track = 1, int lyricTrack = -1)
    {
        long i = song.queue.add(time, 255, type, 0);
        if (x.textMeta(i, type, text, track, lyricTrack)) return i;
        song.queue.dropLast();
        return 0;
    }
    long sysex(int time, const std::string& data)
    {
        long i = song.queue.add(time, 240, 0, 0);
        if (x.sysex(i, data)) return i;
        song.queue.dropLast();
        return 0;
    }
    const QueueEntry& at(long i) const { return song.queue[i]; }
};

} // namespace

TEST(ChordNames, Tests)
{
    EXPECT_TRUE(isChordName("A#"));
    EXPECT_TRUE(isChordName("G7"));
    EXPECT_TRUE(isChordName("C  maj7"));
    EXPECT_TRUE(isChordName("Dmin"));
    EXPECT_TRUE(isChordName("E   "));
    EXPECT_FALSE(isChordName("A"));         // a single letter alone
    EXPECT_FALSE(isChordName("Am"));        // only #, 1..9, MIN, MAJ after the root
    EXPECT_FALSE(isChordName("H7"));
    EXPECT_FALSE(isChordName("%Am"));
    EXPECT_FALSE(isChordName("C7 and a long text!"));  // 18 characters at most
    EXPECT_TRUE(isChordName("C7 and a long text"));
    EXPECT_TRUE(isChord14("Am            "));
    EXPECT_FALSE(isChord14("Am"));
    EXPECT_FALSE(isChord14("xm            "));
}

TEST(ChordNames, NotationIsJudgedFromTheRoot)
{
    const auto names = lirmus::test::defaultSettings().NoteNames;
    EXPECT_EQ(detectChordNotation("%Sol7", names), kNotationItalian);
    EXPECT_EQ(detectChordNotation("%re-", names), kNotationItalian);
    EXPECT_EQ(detectChordNotation("%G7/B", names), kNotationEnglish);
    EXPECT_EQ(detectChordNotation("%X", names), kNotationUnknown);
    EXPECT_EQ(detectChordNotation("%", names), kNotationUnknown);
}

TEST(ChordNames, TranslationBothWays)
{
    const auto names = lirmus::test::defaultSettings().NoteNames;
    EXPECT_EQ(translateChord("G7/B", kNotationEnglish, true, names), "Sol7/Si");
    EXPECT_EQ(translateChord("Sol7/Si", kNotationItalian, false, names), "G7/B");
    EXPECT_EQ(translateChord("Sib7", kNotationItalian, false, names), "Bb7");
    EXPECT_EQ(translateChord("Dm", kNotationEnglish, true, names), "Rem");
    EXPECT_EQ(translateChord("C/x", kNotationEnglish, true, names), "Do");        // unknown bass cut off
    EXPECT_EQ(translateChord("Xm/B", kNotationEnglish, true, names), "Xm/B");     // unknown root: untouched
    EXPECT_EQ(translateChord("G7/B", kNotationEnglish, false, names), "G7/B");    // already the user's notation
    EXPECT_EQ(translateChord("Sol7", kNotationItalian, true, names), "Sol7");
}

TEST(LyricExtraction, CleaningSyllables)
{
    EXPECT_EQ(LyricExtraction::cleanSyllable(QString("Hel") + QChar(0) + "lo"), "Hello");
    EXPECT_EQ(LyricExtraction::cleanSyllable("a??b"), "ab");
    EXPECT_EQ(LyricExtraction::cleanSyllable("a??b??"), "");
    EXPECT_EQ(LyricExtraction::cleanSyllable("???"), "?");    // one pair removed, the third mark stays
    EXPECT_EQ(LyricExtraction::cleanSyllable("?a??"), "?a");
    EXPECT_EQ(LyricExtraction::cleanSyllable("to_be_"), "to be");
    EXPECT_EQ(LyricExtraction::cleanSyllable("line\n"), "line");
    EXPECT_EQ(LyricExtraction::cleanSyllable("  "), "");
    EXPECT_EQ(LyricExtraction::cleanSyllable("_"), "");
}

TEST(LyricExtraction, QuestionMarksAndChannelLabels)
{
    EXPECT_EQ(LyricExtraction::TogliInterrogativi("? ??"), "");
    EXPECT_EQ(LyricExtraction::TogliInterrogativi(""), "");
    EXPECT_EQ(LyricExtraction::TogliInterrogativi("ok?"), "ok?");
    EXPECT_TRUE(LyricExtraction::isChannelLabel("Canale 4"));
    EXPECT_TRUE(LyricExtraction::isChannelLabel("CH.10 piano"));
    EXPECT_TRUE(LyricExtraction::isChannelLabel("ch 3"));
    EXPECT_TRUE(LyricExtraction::isChannelLabel("Chan:1"));
    EXPECT_FALSE(LyricExtraction::isChannelLabel("Chorus line"));
    EXPECT_FALSE(LyricExtraction::isChannelLabel("Chiara sera. ok"));
}

TEST(LyricExtraction, SyllablesBuildLinesWithPositions)
{
    Texts t;
    long a = t.meta(1000, "\\Twin");
    long b = t.meta(1200, "kle, ");
    long c = t.meta(2000, "/How ");
    long d = t.meta(2200, "I");
    long e = t.meta(2400, " /up");
    long f = t.meta(2600, "<a|");   // "|" ends the line after this syllable
    long g = t.meta(2800, "bove");
    long h = t.meta(3000, "\r");    // a new line with nothing on it: dropped
    EXPECT_EQ(t.song.LyricLines, QStringList({"Twinkle, ", "How I", "up", "a", "bove", ""}));
    struct Want { long index; QString text; int line, column; };
    for (const Want& w : {Want{a, "Twin", 1, 1}, Want{b, "kle, ", 1, 5}, Want{c, "How ", 2, 1}, Want{d, "I", 2, 5},
                          Want{e, "up", 3, 1}, Want{f, "a", 4, 1}, Want{g, "bove", 5, 1}}) {
        ASSERT_GT(w.index, 0) << w.text.toStdString();
        EXPECT_EQ(t.at(w.index).Status, 255);
        EXPECT_EQ(t.at(w.index).Data1, 5);
        EXPECT_EQ(t.at(w.index).Text, w.text);
        EXPECT_EQ(t.at(w.index).Value, w.line);
        EXPECT_EQ(t.at(w.index).Extra, w.column);
    }
    EXPECT_EQ(h, 0);
    EXPECT_EQ(t.song.queue.MsgQueue[0].Length, 1000);  // entry 0: the gap before the first syllable
    EXPECT_EQ(t.at(a).Length, 200);
    EXPECT_EQ(t.at(d).Length, 200);
    EXPECT_EQ(t.at(g).Flag, 1);
    EXPECT_EQ(t.at(f).Flag, 0);
    EXPECT_EQ(t.song.LastSyllableEntry, g);
    // The blank last line is reused by the next line.
    long k = t.meta(3200, "/next");
    EXPECT_EQ(t.at(k).Value, 6);
    EXPECT_EQ(t.song.LyricLines.last(), "next");
}

TEST(LyricExtraction, SyllablesAtOneTimeAreSpreadAndLongLinesWrap)
{
    Texts t;
    t.views.screenTwips = 2000;  // limit 1700 twips = 17 characters of the double
    long a = t.meta(1000, "One ");
    long b = t.meta(1000, "two ");
    long c = t.meta(1500, "three ");
    long d = t.meta(1600, "fourfour");  // line is 22 characters: too wide, but no space at its end
    long e = t.meta(1700, "five ");     // too wide and ending in a space: the next syllable wraps
    long f = t.meta(1800, "six");
    EXPECT_EQ(t.at(a).Time, 1000);
    EXPECT_EQ(t.at(b).Time, 1001);
    EXPECT_EQ(t.at(a).Length, 1);
    EXPECT_EQ(t.at(c).Value, 1);
    EXPECT_EQ(t.at(d).Value, 1);
    EXPECT_EQ(t.at(e).Value, 1);
    EXPECT_EQ(t.at(f).Value, 2);
    EXPECT_EQ(t.at(f).Extra, 1);
    EXPECT_EQ(t.song.LyricLines, QStringList({"One two three fourfourfive ", "six"}));
}

TEST(LyricExtraction, AWholeLineWithItsFirstSyllableReplacesTheLine)
{
    Texts t;
    long a = t.meta(1000, "/Hel");
    long whole = t.meta(1000, "/Hello world");
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(t.song.LyricLines, QStringList({"Hello world"}));
    EXPECT_EQ(t.at(a).Text, "Hello world");
    // Short texts at one time are separate lines.
    long b = t.meta(2000, "/Short");
    long c = t.meta(2000, "/Word");
    EXPECT_GT(b, 0);
    EXPECT_GT(c, 0);
    EXPECT_EQ(t.song.LyricLineCount(), 3);
}

TEST(LyricExtraction, TitlesSongTextAndPlainTexts)
{
    Texts t;
    EXPECT_EQ(t.meta(0, "@TMy Song"), 0);
    EXPECT_EQ(t.meta(0, "@TThe Band"), 0);
    EXPECT_EQ(t.views.title, "My Song The Band");
    EXPECT_EQ(t.meta(0, "@KMIDI KARAOKE FILE"), 0);       // any text at time 0 is song text
    EXPECT_EQ(t.meta(0, "(c) someone", 2), 0);
    long name = t.meta(0, "Piano", 3);                     // track names stay, not as song text
    long soft = t.meta(0, "Soft Karaoke", 3);
    EXPECT_EQ(t.meta(500, "a text longer than fourteen"), 0);
    EXPECT_EQ(t.meta(600, "   "), 0);
    ASSERT_GT(name, 0);
    ASSERT_GT(soft, 0);
    EXPECT_EQ(t.at(name).Data1, 3);
    EXPECT_EQ(t.at(name).Text, "Piano");
    EXPECT_EQ(t.song.SongText, "@TMy Song\r\n@TThe Band\r\n@KMIDI KARAOKE FILE\r\n(c) someone\r\n"
                               "Soft Karaoke\r\na text longer than fourteen\r\n");
    EXPECT_TRUE(t.song.LyricLines.isEmpty());
    // A long text that starts a line is a syllable.
    EXPECT_GT(t.meta(700, "/a line given as one text"), 0);
    EXPECT_EQ(t.song.LyricLines, QStringList({"a line given as one text"}));
}

TEST(LyricExtraction, ChordsAmongTheTexts)
{
    Texts t;
    long c14 = t.meta(500, "F#            ");  // a chord padded to 14 characters
    ASSERT_GT(c14, 0);
    EXPECT_EQ(t.at(c14).Data1, 5);
    EXPECT_EQ(t.at(c14).Text, "%F#");
    EXPECT_EQ(t.at(c14).Value, 1);
    EXPECT_EQ(t.at(c14).Extra, 1);
    EXPECT_EQ(t.at(c14).Flag, 2);

    long g7 = t.meta(900, "G7");  // a text event naming a chord before any text lyric
    EXPECT_EQ(t.at(g7).Data1, 5);
    EXPECT_EQ(t.at(g7).Text, "%G7");
    EXPECT_EQ(t.at(g7).Value, 2);
    EXPECT_EQ(t.at(c14).Length, 400);
    EXPECT_EQ(t.at(c14).Flag, 0);
    EXPECT_EQ(t.song.LastChordEntry, g7);
    EXPECT_EQ(t.song.queue.MsgQueue[0].Length, 500);

    long zero = t.meta(0, "C7");  // at time 0: listed, but the entry stays a plain text
    EXPECT_EQ(t.at(zero).Data1, 1);
    EXPECT_EQ(t.at(zero).Text, "%C7");
    EXPECT_EQ(t.song.ChordList, QStringList({"%F#", "%G7", "%C7"}));

    // "[Am]" becomes "%Am", which no chord test takes: it goes on as a syllable.
    long am = t.meta(1000, "[Am]");
    EXPECT_EQ(t.at(am).Text, "%Am");
    EXPECT_EQ(t.song.LyricLines, QStringList({"%Am"}));
    EXPECT_TRUE(t.x.textLyricsSeen());
    long later = t.meta(1200, "D7");
    EXPECT_EQ(t.at(later).Text, "D7") << "once text lyrics are seen, chord names are syllables";
    EXPECT_EQ(t.song.ChordCount(), 3);
}

TEST(LyricExtraction, ChordsInTheUsersNotation)
{
    Texts t;
    t.settings.ItalianNotation = true;
    long a = t.meta(500, "G7 / B        ");
    EXPECT_EQ(t.at(a).Text, "%Sol7/Si");
    Texts e;
    long b = e.sysex(500, std::string("\xF0\x43$\x00\x01Sol7/Si\xF7", 13));
    EXPECT_EQ(e.at(b).Text, "%G7/B");
    EXPECT_EQ(e.at(b).Data1, 5);
    EXPECT_EQ(e.at(b).Status, 255);
}

TEST(LyricExtraction, TheLyricTrackDecidesWhoseTextsAreLyrics)
{
    Texts t;
    EXPECT_GT(t.meta(500, "la", 1, 2, 2), 0);
    EXPECT_EQ(t.meta(600, "other", 1, 3, 2), 0);
    EXPECT_EQ(t.meta(700, "lyric", 5, 3, 2), 0);  // a lyric event of another track: no syllable either
    EXPECT_GT(t.meta(800, "lyric", 5, 2, 2), 0);
    EXPECT_GT(t.meta(900, "any", 5, 4, -1), 0);
    EXPECT_EQ(t.song.LyricLines, QStringList({"lalyricany"}));
}

TEST(LyricExtraction, TextSystemExclusive)
{
    Texts t;
    auto text = [](int code, const std::string& s) { return std::string("\xF0\x43$\x00", 4) + char(code) + s + "\xF7"; };
    EXPECT_EQ(t.sysex(100, text(8, "sung")), 0);        // no page yet
    long p1 = t.sysex(200, text(4, "  First line  \nignored"));
    long q = t.sysex(300, text(5, "? ?"));
    EXPECT_EQ(t.sysex(400, text(6, "CANALE 10")), 0);
    EXPECT_EQ(t.sysex(450, text(7, "Ch.2 basso")), 0);
    long sung = t.sysex(500, text(8, ""));
    EXPECT_EQ(t.sysex(600, text(9, "what")), 0);
    ASSERT_GT(p1, 0);
    EXPECT_EQ(t.at(p1).Status, 255);
    EXPECT_EQ(t.at(p1).Data1, 10);
    EXPECT_EQ(t.at(p1).Data2, 4);
    EXPECT_EQ(t.at(p1).Text, "First line");
    ASSERT_GT(q, 0);
    EXPECT_EQ(t.at(q).Text, "");
    ASSERT_GT(sung, 0);
    EXPECT_EQ(t.at(sung).Data2, 8);
    EXPECT_EQ(t.song.InfoTexts, QStringList({"First line"}));

    // Other system exclusive keeps its bytes to be sent; short or odd ones never fail.
    const std::string gs("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11);
    long raw = t.sysex(700, gs);
    EXPECT_EQ(t.at(raw).Status, 240);
    EXPECT_EQ(t.at(raw).sysExBytes(), QByteArray(gs.data(), 11));
    EXPECT_EQ(t.sysex(800, std::string("\xF0\x43$", 3)), 0);
    long cut = t.sysex(900, std::string("\xF0\x43$\x00\x04no end", 11));
    EXPECT_EQ(t.at(cut).Text, "no end");
    long latin = t.sysex(950, std::string("\xF0\x43$\x00\x04" "caf\xE9\xF7", 10));
    EXPECT_EQ(t.at(latin).Text, QString::fromUtf8("caf\xC3\xA9"));
}
