// Whole songs written elsewhere, prepared as the player prepares them. The
// expected lines and texts were read from the files with midicsv.
#include "RecordingViews.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lirmus;
using namespace lirmus::test;

namespace lirmus::test {

// In this namespace so that gtest finds PrintTo for the test names.
struct RealSong {
    const char* file;
    int channelEvents;    // channel messages in the file
    double lastNoteMs;    // time of the last note, tempo changes integrated exactly
    int tempoChanges;
    int lineCount;
    QString firstLine, lastLine;
    QString songTextEnd;  // the last line of SongText
    int passes;           // OutputSong calls: 1 for songs under 50 s
};

void PrintTo(const RealSong& s, std::ostream* os) { *os << s.file; }

} // namespace lirmus::test

namespace {

const RealSong kSongs[] = {
    {"twinkle.kar", 2812, 49935.0, 1, 12, "Twinkle, Twinkle little star; ", "How I wonder what you are./ ", "@V0100", 1},
    {"Negra_Sombra.kar", 2065, 255871.7, 6, 22, "Cando penso que te fuches,", "la la la la la",
     "@TSequence and score: Lalus fecit edition 2013 (CC-by-nc-sa)", 2},
    {"Schubert_Standchen.mid", 4253, 214573.8, 72, 26, "Leise flehen meine Lieder ", QString::fromUtf8("Beglükke mich!"),
     "http://www.rosegardenmusic.com/", 2},
    {"haendel_hallelujah.mid", 8528, 213518.1, 3, 40, "Hallelujah, Hallelujah,", "Hallelujah.",
     "http://www.rosegardenmusic.com/", 2},
    // "Ay, " lies at time 0, so it is song text and the first line starts after it.
    {"lindaamiga.mid", 1168, 104072.1, 42, 24, "linda amiga ", "que me lleva a la muerte.", "Ay, ", 2},
    {"mozart_aveverum.mid", 2454, 182241.7, 1, 10, "Ave,  ", "In mortis exanime.", "http://www.rosegardenmusic.com/", 2},
    {"mozart_diesirae.mid", 7046, 104515.9, 1, 19, "es irae, dies illa,", "cuncta stricte, stricte discussurus!", "Di", 2},
    {"mozart_konigdernacht.mid", 8623, 168857.0, 1, 22, QString::fromUtf8("Der Hölle Rache kocht in meinem Herzen,"),
     QString::fromUtf8("Hört, hört, hört, Rachegötter! hört der Mutter Schwur!"), "http://www.rosegardenmusic.com/", 2},
    {"schubert_avemaria.mid", 4701, 368571.4, 1, 27, "Ave Maria! Jungfrau mild,", "Ave Maria!",
     "http://www.rosegardenmusic.com/", 2},
    {"test.mid", 16, 2400.0, 1, 0, "", "", QString::fromUtf8("Copyright (C) 2006-2024 Pedro López-Cabanillas"), 1},
};

QStringList songTextLines(const SongState& s)
{
    QStringList lines = s.SongText.split("\r\n");
    EXPECT_TRUE(lines.last().isEmpty()) << "every song text line ends with a line break";
    lines.removeLast();
    return lines;
}

/// Every syllable entry sits in its line at its column.
void expectSyllablesInTheirLines(const LoadedSong& s)
{
    for (long i = 1; i <= s.count(); ++i) {
        const QueueEntry& e = s.entry(i);
        if (e.Status != 255 || e.Data1 != 5 || e.Text.startsWith('%')) continue;
        ASSERT_GE(e.Value, 1);
        ASSERT_LE(e.Value, s.song.LyricLineCount());
        EXPECT_EQ(s.song.LyricLines[e.Value - 1].mid(e.Extra - 1, e.Text.size()), e.Text) << "entry " << i;
    }
}

} // namespace

class RealSongs : public ::testing::TestWithParam<RealSong> {};

TEST_P(RealSongs, PreparedEndToEnd)
{
    const RealSong& want = GetParam();
    const std::string dir = sharedTestData();
    if (dir.empty()) GTEST_SKIP() << "no shared test songs";

    LoadedSong s;
    s.settings.TurboStart = false;
    s.loadFile(dir + want.file);
    ASSERT_TRUE(s.views.messages.isEmpty()) << s.views.messages.join("; ").toStdString();
    EXPECT_TRUE(s.inTimeOrder());
    EXPECT_FALSE(s.flags.QueueBuilding);
    EXPECT_TRUE(s.views.warnEnabled);
    EXPECT_EQ(int(s.views.outputs.size()), want.passes);

    long channel = 0, lastNote = 0;
    for (long i = 1; i <= s.count(); ++i) {
        const int kind = s.entry(i).Status & 0xF0;
        if (s.entry(i).Status < 0xF0) ++channel;
        if (kind == 0x80 || kind == 0x90) lastNote = s.entry(i).Time;
    }
    EXPECT_EQ(channel, want.channelEvents);
    // Each tempo change counts one tick less of the tempo before it.
    EXPECT_NEAR(double(lastNote), want.lastNoteMs, want.tempoChanges * 5.0 + 1.0);
    EXPECT_EQ(s.song.SongLength, s.entry(s.count()).Time);

    EXPECT_EQ(s.song.LyricLineCount(), want.lineCount);
    if (want.lineCount > 0) {
        EXPECT_EQ(s.song.LyricLines.first(), want.firstLine);
        EXPECT_EQ(s.song.LyricLines.last(), want.lastLine);
        EXPECT_EQ(s.views.startLyricCalls, 1);
    }
    expectSyllablesInTheirLines(s);
    EXPECT_TRUE(s.song.ChordList.isEmpty());
    EXPECT_EQ(songTextLines(s.song).last(), want.songTextEnd);

    // With the fast start the queue ends on a note and nothing else changes.
    LoadedSong fast;
    fast.loadFile(dir + want.file);
    EXPECT_EQ(fast.song.queue.TimeOffset, 0);  // every song sounds at once
    const int kind = fast.entry(fast.count()).Status & 0xF0;
    EXPECT_TRUE(kind == 0x80 || kind == 0x90);
    EXPECT_EQ(fast.song.LyricLines, s.song.LyricLines);
}

INSTANTIATE_TEST_SUITE_P(SharedSongs, RealSongs, ::testing::ValuesIn(kSongs),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             for (char& c : n) if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(RealSongs, KaraokeFilesInFull)
{
    const std::string dir = sharedTestData();
    if (dir.empty()) GTEST_SKIP() << "no shared test songs";
    {
        LoadedSong s;
        s.loadFile(dir + "twinkle.kar");
        EXPECT_EQ(s.views.title, "Twinkle, Twinkle, Little Star");
        EXPECT_EQ(s.song.LyricLines, QStringList({"Twinkle, Twinkle little star; ", "How I wonder what you are. ",
                     "Up above the world so high, ", "Like a diamond in the sky! ", "Twinkle, twinkle Little star, ",
                     "How I wonder what you are./ ", "When the blazing sun is gone, ", "When he nothing shines upon. ",
                     "Then you show your little light, ", "Twinkle, twinkle, all the night. ",
                     "Twinkle, twinkle Little star, ", "How I wonder what you are./ "}));
        EXPECT_EQ(songTextLines(s.song),
                  QStringList({"&copy; 2002-2010 Bob van der Poel &lt;bob@mellowood.ca&gt;", "@LENGL",
                               "@IFree use of this file is granted under the terms of the GNU General Public License.",
                               "@TTwinkle, Twinkle, Little Star", "@I Created by MMA. Input filename: twinkle.mma",
                               "@KMIDI KARAOKE FILE", "@V0100"}));
        // The first syllable "\Twin" at tick 1536, 1.25 ms per tick.
        auto lyrics = s.metaEntries(5);
        ASSERT_FALSE(lyrics.empty());
        EXPECT_EQ(s.entry(lyrics[0]).Time, 1920);
        EXPECT_EQ(s.entry(lyrics[0]).Text, "Twin");
        EXPECT_EQ(s.entry(lyrics[1]).Time - s.entry(lyrics[0]).Time, s.entry(lyrics[0]).Length);
        EXPECT_EQ(s.song.queue.MsgQueue[0].Length, 1920);
        // Track names stay as plain text entries.
        int names = 0;
        for (long i = 1; i <= s.count(); ++i) names += s.entry(i).Status == 255 && s.entry(i).Data1 == 3;
        EXPECT_EQ(names, 6);
    }
    {
        LoadedSong s;
        s.loadFile(dir + "Negra_Sombra.kar");
        EXPECT_EQ(s.views.title, "Negra Sombra Music: Xoan Montes (1840-1899) Lyrics: Rosalia de Castro (1837-1885) "
                                 "Sequence and score: Lalus fecit edition 2013 (CC-by-nc-sa)");
        EXPECT_EQ(songTextLines(s.song),
                  QStringList({QString::fromUtf8("Copyright (c) 2021 Pedro López-Cabanillas"), "Created by Rosegarden",
                               "http://www.rosegardenmusic.com/", "Soft karaoke", "@KMIDI KARAOKE FILE", "@LGALI",
                               "@TNegra Sombra", "@TMusic: Xoan Montes (1840-1899)",
                               "@TLyrics: Rosalia de Castro (1837-1885)",
                               "@TSequence and score: Lalus fecit edition 2013 (CC-by-nc-sa)"}));
        EXPECT_EQ(s.views.keyCaption, "C+");
        // Lyrics on both sides of the 50 s mark: the syllable marked last was found again after sorting.
        EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Flag, 1);
        EXPECT_EQ(s.entry(s.song.LastSyllableEntry).Value, 22);
    }
}
