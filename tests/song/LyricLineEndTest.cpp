// Lyric syllables that end their line with CR or LF, CR LF ending a page, as
// files following the MIDI recommended practice for karaoke lyrics write them:
// they make the same lines as the marks karaoke files have always used.
#include "LyricExtraction.h"
#include "RecordingViews.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// One lyric event: its text and the meta type it is written as.
struct Syllable {
    std::string text;
    int type = 5;
};

std::string song(const std::vector<Syllable>& syllables)
{
    SmfWriter w;
    SmfTrack& words = w.track();
    words.text(0, 3, "Words");
    for (const Syllable& s : syllables) words.text(120, s.type, s.text);
    words.end(10);
    w.track().note(0, 0, 60, 100).noteOff(words.now(), 0, 60).end();
    return w.bytes();
}

/// Line, column, text and time of every syllable entry, to compare two songs by.
QStringList syllableEntries(const LoadedSong& s)
{
    QStringList out;
    for (long i : s.metaEntries(5)) {
        const QueueEntry& e = s.entry(i);
        out << QStringLiteral("%1:%2:%3@%4").arg(e.Value).arg(e.Extra).arg(e.Text).arg(e.Time);
    }
    return out;
}

} // namespace

TEST(LyricLineEnds, TrailingLineEndsMakeTheLinesOfTheMarks)
{
    const std::vector<Syllable> marks = {{"Hel"}, {"lo "}, {"world"}, {"/How "}, {"are "}, {"you"},
                                         {"/Fine "}, {"thanks"}, {"/Bye"}};
    struct Case {
        const char* what;
        std::vector<Syllable> syllables;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {"carriage returns", {{"Hel"}, {"lo "}, {"world\r"}, {"How "}, {"are "}, {"you\r"}, {"Fine "}, {"thanks\r"}, {"Bye"}}, {}},
        {"line feeds", {{"Hel"}, {"lo "}, {"world\n"}, {"How "}, {"are "}, {"you\n"}, {"Fine "}, {"thanks\n"}, {"Bye"}}, {}},
        {"CR LF ends a page", {{"Hel"}, {"lo "}, {"world\r"}, {"How "}, {"are "}, {"you\r\n"}, {"Fine "}, {"thanks\r"}, {"Bye\r\n"}}, {3}},
        // Line ends sent as events of their own, as some editors do.
        {"bare line-end events",
         {{"Hel"}, {"lo "}, {"world"}, {"\r"}, {"How "}, {"are "}, {"you"}, {"\r\n"}, {"Fine "}, {"thanks"}, {"\n"}, {"Bye"}},
         {3}},
    };
    LoadedSong expected;
    expected.load(song(marks));
    ASSERT_EQ(expected.song.LyricLines, QStringList({"Hello world", "How are you", "Fine thanks", "Bye"}));
    QStringList expectedEntries = syllableEntries(expected);
    for (const Case& c : cases) {
        LoadedSong s;
        s.load(song(c.syllables));
        EXPECT_EQ(s.song.LyricLines, expected.song.LyricLines) << c.what;
        EXPECT_EQ(s.song.PageStarts, c.pages) << c.what;
        if (std::string(c.what) != "bare line-end events") {
            EXPECT_EQ(syllableEntries(s), expectedEntries) << c.what;
        }
        for (long i : s.metaEntries(5))
            EXPECT_FALSE(s.entry(i).Text.contains(QLatin1Char('\r')) || s.entry(i).Text.contains(QLatin1Char('\n')))
                << c.what << ": no control character reaches the screen";
    }
}

TEST(LyricLineEnds, TextEventsAndLeadingMarksKeepWorkingAsTheyDo)
{
    // A .kar file: text events with "/" and "\" marks; a leading CR still starts a line.
    LoadedSong kar;
    kar.load(song({{"@KMIDI KARAOKE FILE", 1}, {"Hel", 1}, {"lo", 1}, {"/world", 1}, {"\\Next", 1}, {"\rLast"}}));
    EXPECT_EQ(kar.song.LyricLines, QStringList({"Hello", "world", "Next", "Last"}));
    EXPECT_TRUE(kar.song.PageStarts.empty());

    // A line end before the first syllable has nothing to end: no empty first line.
    LoadedSong early;
    early.load(song({{"\r\n"}, {"One "}, {"two\r"}, {"three"}}));
    EXPECT_EQ(early.song.LyricLines, QStringList({"One two", "three"}));
    EXPECT_TRUE(early.song.PageStarts.empty());
}

TEST(LyricLineEnds, TakeLineEnd)
{
    struct Case { QString in, out; LineEnd end; };
    for (const Case& c : {Case{"love", "love", LineEnd::None}, Case{"love\r", "love", LineEnd::Line},
                          Case{"love\n", "love", LineEnd::Line}, Case{"love\r\n", "love", LineEnd::Page},
                          Case{"love\n\r", "love", LineEnd::Line}, Case{"\r\n", "", LineEnd::Page},
                          Case{"\rlove", "\rlove", LineEnd::None}}) {
        QString text = c.in;
        EXPECT_EQ(takeLineEnd(text), c.end) << c.in.toStdString();
        EXPECT_EQ(text, c.out);
    }
}
