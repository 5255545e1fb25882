// Loading songs: refusals and what a load shows.
#include "RecordingViews.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

TEST(LoadSong, BadFilesGiveTheirMessageAndQueueNothing)
{
    struct Case { const char* what; std::string bytes; QString message; };
    SmfWriter zero;
    SmfWriter smpte(1, 0xE728);  // -25 frames, 40 ticks per frame
    smpte.track().note(0, 0, 60, 100).end(10);
    SmfWriter noDivision(1, 0);
    noDivision.track().note(0, 0, 60, 100).end(10);
    for (const Case& c : {Case{"empty file", "", kMsgCorrupted},
                          Case{"truncated header", smpte.bytes().substr(0, 10), kMsgCorrupted},
                          Case{"zero tracks", zero.bytes(), kMsgCorrupted},
                          Case{"text file", "hello, this is no song", kMsgCorrupted},
                          Case{"SMPTE division", smpte.bytes(), kMsgSmpte},
                          Case{"division 0", noDivision.bytes(), kMsgCorrupted}}) {
        LoadedSong s;
        s.load(c.bytes);
        EXPECT_EQ(s.views.messages, QStringList({c.message})) << c.what;
        EXPECT_EQ(s.count(), 0) << c.what;
        EXPECT_TRUE(s.views.outputs.empty()) << c.what;
        EXPECT_FALSE(s.flags.QueueBuilding) << c.what;
    }
}

TEST(LoadSong, MissingFileOrFolderIsNotFound)
{
    const std::string dir = tempDir();
    for (const std::string& path : {dir, dir + "missing.mid"}) {
        LoadedSong s;
        bool raised = false;
        s.reader.onError = [&](int, const std::string&) { raised = true; };
        s.loadFile(path);
        EXPECT_EQ(s.views.messages, QStringList({kMsgNotFound})) << path;
        EXPECT_FALSE(raised) << "errors of the open are caught, not shown twice";
        EXPECT_TRUE(s.views.log.filter("lbNLyr").isEmpty()) << "nothing is loaded";
        EXPECT_TRUE(s.reader.onError) << "the error event handler is given back";
    }
}

TEST(LoadSong, ResetsTheDisplaysAndShowsTheFile)
{
    SmfWriter w;
    w.track().text(0, 3, "Words").end(10);
    w.track().note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    LoadedSong s;
    s.settings.ItalianNotation = true;
    s.views.title = "old title";
    s.flags.AbortRequested = true;  // left over from stopping the previous song
    s.load(w.bytes());
    EXPECT_TRUE(s.views.messages.isEmpty());
    const QStringList head = s.views.log;
    EXPECT_EQ(head.mid(0, 6), QStringList({"songReset", "lblTrack=02/1", "lblKey=Do+", "lblTempo=", "lblTempo=120!",
                                           "lblTurbo=0"}));
    EXPECT_EQ(s.song.InitialTempo, 500000);  // no tempo event: 120 beats per minute
    EXPECT_EQ(s.song.TrackCount, 2);
    EXPECT_EQ(s.song.Division, 480);
    EXPECT_EQ(s.entry(s.count()).Time, 500);
    EXPECT_EQ(head.last(), "queueComplete=00:00");
    EXPECT_TRUE(s.views.warnEnabled);
    EXPECT_FALSE(s.flags.AbortRequested);
    EXPECT_EQ(s.reader.TrackCount(), 0) << "the reader is closed after loading";
}

TEST(LoadSong, ANewLoadStartsFromFreshState)
{
    SmfWriter w;
    w.track().text(0, 3, "Words").text(100, 5, "/one").text(100, 5, "/two").text(100, 1, "C7").end();
    w.track().note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    LoadedSong s;
    s.load(w.bytes());
    ASSERT_EQ(s.song.LyricLineCount(), 2);
    SmfWriter plain;
    plain.track().note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    s.load(plain.bytes());
    EXPECT_EQ(s.song.LyricLineCount(), 0);
    EXPECT_EQ(s.song.ChordCount(), 0);
    EXPECT_EQ(s.song.LastSyllableEntry, 0);
    EXPECT_EQ(s.count(), 2);
}
