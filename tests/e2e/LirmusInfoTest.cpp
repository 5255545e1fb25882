// lirmus-info run as a program: what it prints for good songs and bad files.
#include "QtPrinters.h"
#include "SampleLyrics.h"
#include "SmfWriter.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>

using namespace lirmus::test;

namespace {

struct InfoRun {
    int status;
    QString out, err;
};

InfoRun runInfo(const std::string& cwd, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(cwd));
    p.start(QString::fromStdString(buildDir() + "lirmus-info"), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(LirmusInfo, PrintsTheSongWithTheSettingsOfTheCurrentFolder)
{
    const std::string dir = tempDir();
    writeFile(dir + "LIRMUS.INI", "[OPTIONS]\nItalianNotation=-1\nTurboStart=0\n");
    SmfWriter w(1, 500);
    w.track().text(0, 3, "Words").text(0, 1, "@TTitle\tone").text(100, 1, "G7").text(100, 1, "/la\tla").end();
    w.track().note(0, 0, 60, 100).noteOff(1000, 0, 60).sysex(0, std::string("\x43$\x00\x04" "Page\xF7", 8)).end();
    ASSERT_TRUE(w.save(dir + "song.mid"));

    InfoRun r = runInfo(dir, {"--queue", "song.mid"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n');
    EXPECT_EQ(lines.mid(0, 7), QStringList({"file: song.mid", "format: 1", "tracks: 2", "division: 500",
                                             "tempo: 500000", "entries: 6", "length: 00:01"}));
    const qsizetype text = lines.indexOf("[song text]");
    ASSERT_GE(text, 0);
    EXPECT_EQ(lines[text + 1], "@TTitle\\tone");
    EXPECT_EQ(lines.mid(lines.indexOf("[lyrics]"), 2), QStringList({"[lyrics]", "la\\tla"}));
    EXPECT_EQ(lines.mid(lines.indexOf("[chords]"), 2), QStringList({"[chords]", "Sol7"}));
    EXPECT_EQ(lines.mid(lines.indexOf("[info]"), 2), QStringList({"[info]", "Page"}));
    const qsizetype queue = lines.indexOf("[queue]");
    ASSERT_GE(queue, 0);
    EXPECT_EQ(lines[queue + 1], "1\t0\t255\t3\t0\t0\t0\t0\t0\tWords");
    EXPECT_EQ(lines[queue + 3], "3\t100\t255\t5\t0\t2\t1\t1\t0\t%Sol7");
    EXPECT_EQ(lines[queue + 4], "4\t200\t255\t5\t0\t1\t1\t1\t0\tla\\tla");
    EXPECT_EQ(lines[queue + 5], "5\t1000\t128\t60\t0\t0\t0\t0\t0\t");
    EXPECT_EQ(lines[queue + 6], "6\t1000\t255\t10\t4\t0\t0\t0\t0\tPage");
}

TEST(LirmusInfo, RefusedFilesGiveTheirMessageAndTheOthersArePrinted)
{
    const std::string dir = tempDir();
    SmfWriter good(1, 480);
    good.track().note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    SmfWriter zero;
    SmfWriter smpte(1, 0xE728);
    smpte.track().note(0, 0, 60, 100).end();
    writeFile(dir + "empty.mid", "");
    writeFile(dir + "cut.mid", good.bytes().substr(0, 9));
    writeFile(dir + "zero.mid", zero.bytes());
    writeFile(dir + "smpte.mid", smpte.bytes());
    good.save(dir + "good.mid");
    std::filesystem::create_directory(dir + "folder.mid");

    InfoRun r = runInfo(dir, {"empty.mid", "cut.mid", "good.mid", "zero.mid", "smpte.mid", "folder.mid", "none.mid"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith("file: good.mid\n"));
    EXPECT_EQ(r.out.count("file: "), 1);
    for (const char* line : {"empty.mid: Midi file corrupted !", "cut.mid: Midi file corrupted !",
                             "zero.mid: Midi file corrupted !", "smpte.mid: TimeFormat = SMPTE !",
                             "folder.mid: Midi file not found or 'Read Only' or in use by another program !",
                             "none.mid: Midi file not found or 'Read Only' or in use by another program !"})
        EXPECT_TRUE(r.err.contains(line)) << line;

    InfoRun ok = runInfo(dir, {"good.mid"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(runInfo(dir, {}).status, 2);
}

TEST(LirmusInfo, PrintsTheEncodingUsedAndThePages)
{
    const std::string dir = tempDir();
    const SampleLyrics& russian = sampleLyrics()[1]; // KOI8-R
    ASSERT_TRUE(writeFile(dir + "koi8.kar", karaokeSong(russian.lines, russian.encoding)));
    SmfWriter w;
    w.track().text(0, 3, "Words").text(100, 5, "One ").text(100, 5, "line\r\n").text(100, 5, "Next ").text(100, 5, "page")
        .end();
    w.track().note(0, 0, 60, 100).noteOff(1000, 0, 60).end();
    ASSERT_TRUE(w.save(dir + "pages.mid"));

    InfoRun r = runInfo(dir, {"koi8.kar", "pages.mid"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QStringList lines = r.out.split('\n');
    EXPECT_EQ(lines.filter("encoding: "), QStringList({"encoding: KOI8-R", "encoding: UTF-8"}));
    const qsizetype lyrics = lines.indexOf("[lyrics]");
    ASSERT_GE(lyrics, 0);
    EXPECT_EQ(lines.mid(lyrics + 1, 2), QStringList({QString::fromStdString(russian.lines[0]),
                                                     QString::fromStdString(russian.lines[1])}));
    const qsizetype second = lines.indexOf("[lyrics]", lyrics + 1);
    EXPECT_EQ(lines.mid(second, 4), QStringList({"[lyrics]", "One line", "", "Next page"}));

    // The setting of the current folder wins over detection.
    writeFile(dir + "LIRMUS.INI", "[OPTIONS]\nTextEncoding=WINDOWS-1251\n");
    lines = runInfo(dir, {"koi8.kar"}).out.split('\n');
    EXPECT_EQ(lines.filter("encoding: "), QStringList({"encoding: WINDOWS-1251"}));
}

TEST(LirmusInfo, LengthsOfAHundredMinutesAndMorePrintWhole)
{
    const std::string dir = tempDir();
    // 500 ticks a beat at 120 a minute: a thousand ticks a second.
    for (const auto& [ticks, length] : {std::pair{6005000, "length: 100:05"}, std::pair{5999000, "length: 99:59"}}) {
        SmfWriter w(0, 500);
        w.track().note(0, 0, 60, 100).noteOff(ticks, 0, 60).end();
        ASSERT_TRUE(w.save(dir + "long.mid"));
        const InfoRun r = runInfo(dir, {"long.mid"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.split('\n').contains(length)) << r.out.toStdString();
    }
}

TEST(LirmusInfo, PrintsTheMelodyChannelFoundFromTheLyricsElseTheSetting)
{
    const std::string dir = tempDir();
    writeFile(dir + "LIRMUS.INI", "[OPTIONS]\nMelodyChannel=7\n");
    SmfWriter w(1, 480);
    SmfTrack& words = w.track();
    SmfTrack& tune = w.track();
    words.text(0, 3, "Words");
    for (int i = 0; i < 4; ++i) {
        words.text(i ? 480 : 0, 1, "la ");
        tune.note(i ? 440 : 0, 11, 60 + i, 90).noteOff(40, 11, 60 + i);
    }
    words.end();
    tune.end();
    ASSERT_TRUE(w.save(dir + "sung.kar"));
    SmfWriter plain(1, 480);
    plain.track().note(0, 2, 60, 90).noteOff(480, 2, 60).end();
    ASSERT_TRUE(plain.save(dir + "plain.mid"));

    const InfoRun r = runInfo(dir, {"sung.kar", "plain.mid"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.split('\n').filter("melody channel: "), QStringList({"melody channel: 12", "melody channel: 7"}));
}
