#include "Settings.h"
#include "SettingsService.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include <sys/wait.h>
#include <unistd.h>

using namespace lirmus;
using lirmus::test::readFile;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

namespace {

// The writer never wakes on its own during a test: only flush() and the destructor save.
constexpr std::chrono::hours kNever{1};

using Heard = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST(SettingsService, ReadsComeFromMemoryAndWritesAreSeenAtOnce)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "[options]\nKaraokeRows=3\nKaraokeFont= \"Times\" \nTempoChange=12abc\n");
    SettingsService ini(path, kNever);
    writeFile(path, "[OPTIONS]\nKaraokeRows=4\n"); // read once: later edits by others are not seen
    EXPECT_EQ(ini.getInt("OPTIONS", "karaokerows", 2), 3);
    EXPECT_EQ(ini.getString("Options", "KaraokeFont"), "Times");
    EXPECT_EQ(ini.getInt("OPTIONS", "TempoChange", 0), 12);
    EXPECT_EQ(ini.getInt("OPTIONS", "Missing", 7), 7);
    EXPECT_TRUE(ini.getBool("OPTIONS", "KaraokeCentered", true));

    ini.setInt("OPTIONS", "KaraokeRows", 4);
    ini.setBool("OPTIONS", "KaraokeCentered", false);
    ini.setString("DATABASE", "CurDB", "/songs/my.db");
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 4);
    EXPECT_FALSE(ini.getBool("OPTIONS", "KaraokeCentered", true));
    EXPECT_EQ(ini.getString("DATABASE", "curdb"), "/songs/my.db");
    EXPECT_EQ(ini.fileWrites(), 0); // nobody waited for the disk
    EXPECT_EQ(ini.lastError(), "");
}

TEST(SettingsService, ListenersHearEachChangedKeyUntilTheyLeave)
{
    SettingsService ini(tempDir() + "LIRMUS.INI", kNever);
    Heard first, second;
    const int a = ini.listen([&](const std::string& s, const std::string& k) { first.emplace_back(s, k); });
    int b = 0;
    b = ini.listen([&](const std::string& s, const std::string& k) {
        second.emplace_back(s, k);
        ini.unlisten(b); // leaving while being told
    });
    ini.setInt("SETUP", "C7", 50);
    ini.setInt("SETUP", "C7", 50); // no change, nothing said
    ini.setInt("SETUP", "C10", -20);
    ini.unlisten(a);
    ini.setInt("SETUP", "C7", 60);
    EXPECT_EQ(first, (Heard{{"SETUP", "C7"}, {"SETUP", "C10"}}));
    EXPECT_EQ(second, (Heard{{"SETUP", "C7"}}));

    // A listener removed by an earlier one in the same notification is not called.
    Heard third;
    int c = 0;
    ini.listen([&](const std::string&, const std::string&) { ini.unlisten(c); });
    c = ini.listen([&](const std::string& s, const std::string& k) { third.emplace_back(s, k); });
    ini.setInt("SETUP", "C7", 70);
    EXPECT_TRUE(third.empty());
}

TEST(SettingsService, RapidWritesBecomeOneFileWrite)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "; slider\n[SETUP]\nC7=0\n");
    SettingsService ini(path, kNever);
    for (int i = 1; i <= 1000; ++i) ini.setInt("SETUP", "C7", i);
    EXPECT_EQ(ini.fileWrites(), 0);
    EXPECT_EQ(readFile(path), "; slider\n[SETUP]\nC7=0\n");
    ASSERT_TRUE(ini.flush());
    EXPECT_EQ(ini.fileWrites(), 1);
    EXPECT_EQ(readFile(path), "; slider\n[SETUP]\nC7=1000\n");
    ASSERT_TRUE(ini.flush()); // nothing pending: the file is left alone
    EXPECT_EQ(ini.fileWrites(), 1);
}

TEST(SettingsService, TheWriterSavesWithoutBeingAsked)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    SettingsService ini(path, std::chrono::milliseconds(1));
    ini.setString("OPTIONS", "KaraokeFont", "Verdana");
    // Wait for the writer thread (the guard only stops a hung test).
    for (int i = 0; i < 3000 && ini.fileWrites() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ini.fileWrites(), 1);
    EXPECT_EQ(readFile(path), "[OPTIONS]\nKaraokeFont=Verdana\n");
}

TEST(SettingsService, FailedSaveIsReportedOnceAndTheValueKept)
{
    const std::string dir = tempDir() + "missing/";
    SettingsService ini(dir + "LIRMUS.INI", kNever);
    std::vector<std::string> reports;
    ini.setErrorHandler([&](const std::string& m) { reports.push_back(m); });
    ini.setInt("OPTIONS", "KaraokeRows", 3);
    EXPECT_FALSE(ini.flush());
    EXPECT_NE(ini.lastError().find("cannot write"), std::string::npos) << ini.lastError();
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 3);
    ini.setInt("OPTIONS", "KaraokeRows", 4);
    EXPECT_FALSE(ini.flush());
    EXPECT_EQ(reports.size(), 1u); // the same failure again is not said twice

    // Once the folder is there, the next save writes everything kept in memory.
    std::filesystem::create_directory(dir);
    EXPECT_TRUE(ini.flush());
    EXPECT_EQ(ini.lastError(), "");
    EXPECT_EQ(readFile(dir + "LIRMUS.INI"), "[OPTIONS]\nKaraokeRows=4\n");
}

TEST(SettingsService, AFileThatCannotBeReadIsNeverReplaced)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    std::filesystem::create_directory(path); // exists, yet cannot be read as a file
    SettingsService ini(path, kNever);
    EXPECT_NE(ini.lastError().find("cannot read"), std::string::npos) << ini.lastError();
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 2);
    ini.setInt("OPTIONS", "KaraokeRows", 3);
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 3);
    EXPECT_FALSE(ini.flush());
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(SettingsService, AReadOnlyFileIsNeverWrittenAndThatIsSaidOnceAtStart)
{
    namespace fs = std::filesystem;
    const std::string path = tempDir() + "LIRMUS.INI";
    const std::string text = "; kept as the user made it\n[OPTIONS]\nKaraokeRows=3\n";
    writeFile(path, text);
    fs::permissions(path, fs::perms(0444));
    {
        SettingsService ini(path, kNever);
        EXPECT_NE(ini.lastError().find("read-only"), std::string::npos) << ini.lastError();
        std::vector<std::string> reports;
        ini.setErrorHandler([&](const std::string& m) { reports.push_back(m); });
        EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 3);
        ini.setInt("OPTIONS", "KaraokeRows", 5);
        EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 5) << "the change holds for this run";
        EXPECT_FALSE(ini.flush());
        ini.setInt("OPTIONS", "KaraokeRows", 6);
        EXPECT_FALSE(ini.flush());
        EXPECT_TRUE(reports.empty()) << "start-up already said it: " << reports.front();
        EXPECT_EQ(ini.fileWrites(), 0);
    }
    EXPECT_EQ(readFile(path), text);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0444));
}

TEST(SettingsService, TemporaryFilesOfAKilledSaveAreRemovedAtStart)
{
    const std::string dir = tempDir();
    const std::string path = dir + "LIRMUS.INI";
    writeFile(path, "[OPTIONS]\nKaraokeRows=3\n");
    // A process id that is surely gone: a child that has ended.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string left = path + ".tmp" + std::to_string(gone) + "-3";
    const std::string running = path + ".tmp" + std::to_string(::getpid()) + "-99"; // a save under way
    const std::string other = dir + "OTHER.INI.tmp" + std::to_string(gone) + "-0";
    const std::string notOurs = path + ".tmpl";
    for (const std::string& f : {left, running, other, notOurs}) writeFile(f, "[OPTIONS]\nKaraokeRows=");
    SettingsService ini(path, kNever);
    EXPECT_FALSE(std::filesystem::exists(left));
    for (const std::string& f : {running, other, notOurs}) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 3);
    EXPECT_EQ(ini.lastError(), "");
}

TEST(SettingsService, EntriesListASectionInFileOrder)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "[QUEUE]\nSong2=b\nCount=2\n[other]\nSong1=x\n[queue]\nSong1=\"a\"\n");
    SettingsService ini(path, kNever);
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(ini.entries("Queue"), (Entries{{"Song2", "b"}, {"Count", "2"}, {"Song1", "a"}}));
    EXPECT_TRUE(ini.entries("missing").empty());
}

TEST(SettingsService, SavesKeepCommentsOrderAndLineEnds)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "; my settings\r\n[Options]\r\n  karaokerows = 2 \r\n# old\r\nKaraokeFont=Arial\r\n\r\n"
                    "[LOAD]\r\nMIDIDEVICE=-1\r\n");
    {
        SettingsService ini(path, kNever);
        ini.setInt("OPTIONS", "KaraokeRows", 3);
        ini.setBool("OPTIONS", "KaraokeEnlarged", true);
        ini.setString("DATABASE", "CurDB", "/a.db\r\n[OPTIONS]\nKaraokeRows=9"); // cannot add lines
    } // destroyed: saves what is pending
    EXPECT_EQ(readFile(path), "; my settings\r\n[Options]\r\nKaraokeRows=3\r\n# old\r\nKaraokeFont=Arial\r\n"
                              "KaraokeEnlarged=-1\r\n\r\n[LOAD]\r\nMIDIDEVICE=-1\r\n\r\n"
                              "[DATABASE]\r\nCurDB=/a.db  [OPTIONS] KaraokeRows=9\r\n");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1); // no temporary file left
}

TEST(SettingsService, StoringAnOptionChangesTheStructBeforeListenersHear)
{
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "[OPTIONS]\nKaraokeBackColor=0\n");
    SettingsService ini(path, kNever);
    Settings s;
    readOptions(ini, s);
    std::vector<int> rowsHeard;
    ini.listen([&](const std::string&, const std::string& key) {
        if (key == "KaraokeRows") rowsHeard.push_back(s.KaraokeRows);
    });

    EXPECT_TRUE(storeOptionInt(ini, s, "KaraokeRows", 3));
    EXPECT_TRUE(storeOptionInt(ini, s, "KaraokeRows", 5)); // kept in the file, read as 2
    EXPECT_EQ(rowsHeard, (std::vector<int>{3, 2}));
    EXPECT_TRUE(storeOptionInt(ini, s, "MelodyChannel", 10));
    EXPECT_EQ(s.MelodyChannel, 9);
    EXPECT_TRUE(storeOptionBool(ini, s, "TurboStart", false));
    EXPECT_FALSE(s.TurboStart);
    EXPECT_TRUE(storeOptionString(ini, s, "SoundFont", "/sf/piano.sf2"));
    EXPECT_EQ(s.SoundFont, "/sf/piano.sf2");
    EXPECT_TRUE(storeOptionInt(ini, s, "KaraokeBackColor", rgbLong(0, 0, 128)));
    EXPECT_EQ(s.KaraokeBackColor, rgbLong(0, 0, 128));
    EXPECT_FALSE(storeOptionInt(ini, s, "NoSuchOption", 1));

    ASSERT_TRUE(ini.flush());
    EXPECT_EQ(readFile(path), "[OPTIONS]\nKaraokeBackcolor=8388608\nKaraokeRows=5\nMelodyChannel=10\n"
                              "TurboStart=0\n\n[LOAD]\nSoundFont=/sf/piano.sf2\n");
    Settings again;
    readOptions(SettingsService(path), again);
    EXPECT_EQ(std::make_tuple(again.KaraokeRows, again.MelodyChannel, again.TurboStart, again.KaraokeBackColor),
              std::make_tuple(s.KaraokeRows, s.MelodyChannel, s.TurboStart, s.KaraokeBackColor));

    // A key changed directly through the service is read back into the struct on request.
    ini.setInt("OPTIONS", "KaraokeFontSize", 30);
    EXPECT_TRUE(readOption(ini, s, "OPTIONS", "karaokefontsize"));
    EXPECT_EQ(s.KaraokeFontSize, 30);
    EXPECT_FALSE(readOption(ini, s, "DATABASE", "CurDB"));
}

TEST(SettingsService, ManyKeysAtOnceActLikeOneAtATime)
{
    const std::string text = "; queue\n[QUEUE]\nCount=1\nsong1=/a.mid\n[Other]\nSong2=keep\n[QUEUE]\nSong9=later\n";
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Song1", "/a.mid"}, {"Song2", "/b\nmid"}, {"SONG2", "/c.mid"}, {"Count", "2"}, {"Song9", "new"}};
    std::string oneByOne, atOnce;
    Heard heard;
    for (bool many : {false, true}) {
        const std::string path = tempDir() + "LIRMUS.INI";
        writeFile(path, text);
        SettingsService ini(path, kNever);
        ini.listen([&](const std::string& s, const std::string& k) { if (many) heard.emplace_back(s, k); });
        if (many) ini.setStrings("QUEUE", values);
        else for (const auto& [k, v] : values) ini.setString("QUEUE", k, v);
        ASSERT_TRUE(ini.flush());
        (many ? atOnce : oneByOne) = readFile(path);
    }
    EXPECT_EQ(atOnce, oneByOne);
    // Song1 is written again in the writer's spelling; Count=1 had not changed... until now.
    EXPECT_EQ(heard, (Heard{{"QUEUE", "Song1"}, {"QUEUE", "Song2"}, {"QUEUE", "SONG2"}, {"QUEUE", "Count"},
                            {"QUEUE", "Song9"}}));
    heard.clear();
    SettingsService same(tempDir() + "LIRMUS.INI", kNever);
    same.setStrings("QUEUE", {{"Song1", "/a.mid"}});
    same.listen([&](const std::string& s, const std::string& k) { heard.emplace_back(s, k); });
    same.setStrings("QUEUE", {{"Song1", "/a.mid"}, {"Song2", "/b.mid"}});
    EXPECT_EQ(heard, (Heard{{"QUEUE", "Song2"}})) << "unchanged keys are not told";

    // A section that is not there yet.
    const std::string path = tempDir() + "LIRMUS.INI";
    writeFile(path, "[OPTIONS]\nKaraokeRows=3");
    SettingsService ini(path, kNever);
    ini.setStrings("QUEUE", {{"Song1", "/a.mid"}, {"Count", "1"}});
    ini.setStrings("QUEUE", {});
    ASSERT_TRUE(ini.flush());
    EXPECT_EQ(readFile(path), "[OPTIONS]\nKaraokeRows=3\n\n[QUEUE]\nSong1=/a.mid\nCount=1\n");
}
