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
        return x.textMeta(i, type, text, track, lyricTrack) ? i : (song.queue.dropLast(), 0);
    }
    long sysex(int time, const std::string& data)
    {
        long i = song.queue.add(time, 240, 0, 0);
        return x.sysex(i, data) ? i : (song.queue.dropLast(), 0);
    }
    const QueueEntry& at(long i) const { return song.queue[i]; }
    /// Kind, text, line:column, Length and Flag of an entry, to compare at once.
    QString show(long i) const
    {
        const QueueEntry& e = song.queue[i];
        return QString("%1 %2 %3:%4 %5 %6").arg(e.Data1).arg(e.Text).arg(e.Value).arg(e.Extra).arg(e.Length).arg(e.Flag);
    }
};

} // namespace

TEST(ChordNames, ChordTestsNotationAndTranslation)
{
    for (auto [text, chord] : std::vector<std::pair<const char*, bool>>{
             {"A#", true}, {"G7", true}, {"C  maj7", true}, {"Dmin", true}, {"E   ", true},
             {"C7 and a long text", true}, {"A", false} /* a single letter alone */,
             {"Am", false} /* only #, 1..9, MIN, MAJ after the root */, {"H7", false}, {"%Am", false},
             {"C7 and a long text!", false} /* 18 characters at most */})
        EXPECT_EQ(isChordName(text), chord) << text;
    EXPECT_TRUE(isChord14("Am            "));
    EXPECT_FALSE(isChord14("Am"));
    EXPECT_FALSE(isChord14("xm            "));

    const auto& names = lirmus::kNoteNames;
    EXPECT_EQ(detectChordNotation("%Sol7", names), kNotationItalian);
    EXPECT_EQ(detectChordNotation("%re-", names), kNotationItalian);
    EXPECT_EQ(detectChordNotation("%G7/B", names), kNotationEnglish);
    EXPECT_EQ(detectChordNotation("%X", names), kNotationUnknown);
    EXPECT_EQ(detectChordNotation("%", names), kNotationUnknown);
    struct Case { const char* chord; ChordNotation from; bool italian; const char* shown; };
    for (const Case& c : {Case{"G7/B", kNotationEnglish, true, "Sol7/Si"}, Case{"Sol7/Si", kNotationItalian, false, "G7/B"},
                          Case{"Sib7", kNotationItalian, false, "Bb7"}, Case{"Dm", kNotationEnglish, true, "Rem"},
                          Case{"C/x", kNotationEnglish, true, "Do"},      // unknown bass cut off
                          Case{"Xm/B", kNotationEnglish, true, "Xm/B"},   // unknown root: untouched
                          Case{"G7/B", kNotationEnglish, false, "G7/B"},  // already the user's notation
                          Case{"Sol7", kNotationItalian, true, "Sol7"}})
        EXPECT_EQ(translateChord(c.chord, c.from, c.italian, names), c.shown) << c.chord;
}

TEST(LyricExtraction, CleaningSyllablesQuestionMarksAndChannelLabels)
{
    for (auto [raw, clean] : std::vector<std::pair<QString, QString>>{
             {QString("Hel") + QChar(0) + "lo", "Hello"}, {"a??b", "ab"}, {"a??b??", ""},
             {"???", "?"} /* one pair removed, the third mark stays */, {"?a??", "?a"}, {"to_be_", "to be"},
             {"line\n", "line"}, {"  ", ""}, {"_", ""}})
        EXPECT_EQ(LyricExtraction::cleanSyllable(raw), clean) << raw.toStdString();
    EXPECT_EQ(LyricExtraction::TogliInterrogativi("? ??"), "");
    EXPECT_EQ(LyricExtraction::TogliInterrogativi("ok?"), "ok?");
    for (const char* label : {"Canale 4", "CH.10 piano", "ch 3", "Chan:1"})
        EXPECT_TRUE(LyricExtraction::isChannelLabel(label)) << label;
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
    long f = t.meta(2600, "<a|");  // "|" ends the line after this syllable
    long g = t.meta(2800, "bove");
    EXPECT_EQ(t.meta(3000, "\r"), 0); // a new line with nothing on it: dropped
    EXPECT_EQ(t.song.LyricLines, QStringList({"Twinkle, ", "How I", "up", "a", "bove", ""}));
    QStringList shown;
    for (long i : {a, b, c, d, e, f, g}) shown << t.show(i);
    EXPECT_EQ(shown, QStringList({"5 Twin 1:1 200 0", "5 kle,  1:5 800 0", "5 How  2:1 200 0", "5 I 2:5 200 0",
                                  "5 up 3:1 200 0", "5 a 4:1 200 0", "5 bove 5:1 0 1"}));
    EXPECT_EQ(t.song.queue.MsgQueue[0].Length, 1000);  // entry 0: the gap before the first syllable
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
    EXPECT_EQ(t.at(b).Time, 1001);
    QStringList shown;
    for (long i : {a, c, d, e, f}) shown << t.show(i);
    EXPECT_EQ(shown, QStringList({"5 One  1:1 1 0", "5 three  1:9 100 0", "5 fourfour 1:15 100 0",
                                  "5 five  1:23 100 0", "5 six 2:1 0 1"}));
    EXPECT_EQ(t.song.LyricLines, QStringList({"One two three fourfourfive ", "six"}));
    Texts edge; // a line exactly at the limit is not too wide yet
    edge.views.screenTwips = 2000;
    int time = 0;
    for (const char* syllable : {"/fifteen chars. ", "a ", "b ", "c"}) edge.meta(time += 100, syllable, 5);
    EXPECT_EQ(edge.song.LyricLines, QStringList({"fifteen chars. a b ", "c"}));
}

TEST(LyricExtraction, AWholeLineWithItsFirstSyllableReplacesTheLine)
{
    Texts t;
    long a = t.meta(1000, "/Hel");
    EXPECT_EQ(t.meta(1000, "/Hello world"), 0);
    EXPECT_EQ(t.at(a).Text, "Hello world");
    // Short texts at one time are separate lines.
    EXPECT_GT(t.meta(2000, "/Short"), 0);
    EXPECT_GT(t.meta(2000, "/Word"), 0);
    EXPECT_EQ(t.song.LyricLines, QStringList({"Hello world", "Short", "Word"}));
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
    EXPECT_GT(t.meta(0, "Soft Karaoke", 3), 0);
    EXPECT_EQ(t.meta(500, "a text longer than fourteen"), 0);
    EXPECT_EQ(t.meta(600, "   "), 0);
    ASSERT_GT(name, 0);
    EXPECT_EQ(t.show(name), "3 Piano 0:0 0 0");
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
    EXPECT_EQ(t.show(c14), "5 %F# 1:1 0 2");
    long g7 = t.meta(900, "G7");  // a text event naming a chord before any text lyric
    EXPECT_EQ(t.show(c14), "5 %F# 1:1 400 0");
    EXPECT_EQ(t.show(g7), "5 %G7 2:1 0 2");
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
    EXPECT_EQ(t.at(t.meta(500, "G7 / B        ")).Text, "%Sol7/Si");
    Texts e;
    long b = e.sysex(500, std::string("\xF0\x43$\x00\x01Sol7/Si\xF7", 13));
    EXPECT_EQ(e.at(b).Status, 255);
    EXPECT_EQ(e.show(b), "5 %G7/B 1:1 0 2");
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
    ASSERT_TRUE(p1 && q && sung);
    EXPECT_EQ(t.at(p1).Status, 255);
    EXPECT_EQ(t.at(p1).Data2, 4);
    EXPECT_EQ(t.show(p1), "10 First line 0:0 0 0");
    EXPECT_EQ(t.at(q).Text, "");
    EXPECT_EQ(t.at(sung).Data2, 8);
    EXPECT_EQ(t.song.InfoTexts, QStringList({"First line"}));

    // Other system exclusive keeps its bytes to be sent; short or odd ones never fail.
    const std::string gs("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11);
    long raw = t.sysex(700, gs);
    EXPECT_EQ(t.at(raw).Status, 240);
    EXPECT_EQ(t.at(raw).sysExBytes(), QByteArray(gs.data(), 11));
    EXPECT_EQ(t.sysex(800, std::string("\xF0\x43$", 3)), 0);
    EXPECT_EQ(t.at(t.sysex(900, std::string("\xF0\x43$\x00\x04no end", 11))).Text, "no end");
    EXPECT_EQ(t.at(t.sysex(950, std::string("\xF0\x43$\x00\x04" "caf\xE9\xF7", 10))).Text, QString::fromUtf8("caf\xC3\xA9"));
}
