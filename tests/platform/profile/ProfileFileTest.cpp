#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <signal.h>
#include <sys/resource.h>

using lirmus::ProfileFile;
using namespace lirmus::test;

TEST(ProfileFile, MissingFileSectionOrKeyGiveTheDefaultAndBrokenFilesStillRead)
{
    ProfileFile ini(tempDir() + "LIRMUS.INI");
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 2);
    EXPECT_EQ(ini.getString("OPTIONS", "KaraokeFont", "Arial"), "Arial");
    writeFile(ini.path(), "[OPTIONS]\nKaraokeRows=3\n");
    EXPECT_EQ(ini.getInt("LOAD", "KaraokeRows", 7), 7);
    EXPECT_EQ(ini.getInt("OPTIONS", "Missing", -1), -1);
    writeFile(ini.path(), std::string("\x00\xff\xfe[OPT\x01\n\x00=\x00\n[OPTIONS]\nKaraokeRows=3\n[OPTIONS", 40));
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 3);
    writeFile(ini.path(), "[OPTIONS]\nKaraokeRo"); // half written
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeRows", 2), 2);
}

TEST(ProfileFile, NamesMatchWithoutRegardToCase)
{
    ProfileFile ini(tempDir() + "x.ini");
    writeFile(ini.path(), "[options]\r\n  karaokefont = Times New Roman \r\n");
    EXPECT_EQ(ini.getString("OPTIONS", "KaraokeFont"), "Times New Roman");
    ASSERT_TRUE(ini.writeString("Options", "KARAOKEFONT", "Arial"));
    // Written in place: one key, CRLF line ends kept.
    EXPECT_EQ(readFile(ini.path()), "[options]\r\nKARAOKEFONT=Arial\r\n");
}

TEST(ProfileFile, NumbersReadLikeTheClassicProfileFunctions)
{
    ProfileFile ini(tempDir() + "x.ini");
    writeFile(ini.path(), "[S]\na=12abc\nb=abc\nc=-7\nd=\ne= 42\nf=99999999999\n");
    EXPECT_EQ(ini.getInt("S", "a", 5), 12);
    EXPECT_EQ(ini.getInt("S", "b", 5), 0);   // present but not a number
    EXPECT_EQ(ini.getInt("S", "c", 5), -7);
    EXPECT_EQ(ini.getInt("S", "d", 5), 0);
    EXPECT_EQ(ini.getInt("S", "e", 5), 42);
    EXPECT_EQ(ini.getInt("S", "f", 5), 2147483647); // saturates, never overflows
}

TEST(ProfileFile, WriteKeepsCommentsOrderAndOtherSections)
{
    ProfileFile ini(tempDir() + "x.ini");
    const std::string before =
        "; user notes\n[OPTIONS]\nKaraokeRows=2\n; keep me\nKaraokeFont=Arial\n\n[LOAD]\nMIDIDEVICE=-1\n";
    writeFile(ini.path(), before);
    ASSERT_TRUE(ini.writeInt("OPTIONS", "KaraokeRows", 4));
    ASSERT_TRUE(ini.writeBool("OPTIONS", "KaraokeEnlarged", true)); // new key joins its section
    ASSERT_TRUE(ini.writeBool("OPTIONS", "ExternalMCI", false));
    ASSERT_TRUE(ini.writeString("DATABASE", "CurDB", "/songs/my.db")); // new section at the end
    EXPECT_EQ(readFile(ini.path()), "; user notes\n[OPTIONS]\nKaraokeRows=4\n; keep me\nKaraokeFont=Arial\n"
                                    "KaraokeEnlarged=-1\nExternalMCI=0\n\n[LOAD]\nMIDIDEVICE=-1\n\n[DATABASE]\nCurDB=/songs/my.db\n");
    EXPECT_EQ(ini.getInt("OPTIONS", "KaraokeEnlarged", 0), -1);
}

TEST(ProfileFile, WriteIsAtomicAndLeavesNoTemporaryFiles)
{
    std::string dir = tempDir();
    ProfileFile ini(dir + "x.ini");
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(ini.writeInt("S", "k" + std::to_string(i % 5), i));
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) { (void)e; ++files; }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(ini.getInt("S", "k4", 0), 49);
}

TEST(ProfileFile, UnwritableFolderFailsWithAReason)
{
    ProfileFile ini("/proc/lirmus-cannot-be-here/x.ini");
    EXPECT_FALSE(ini.writeString("S", "k", "v"));
    EXPECT_NE(ini.lastError().find("cannot write"), std::string::npos);

    // A file that exists but cannot be read is not replaced by one holding a single key.
    ProfileFile dir(tempDir());
    EXPECT_FALSE(dir.writeString("S", "k", "v"));
    EXPECT_NE(dir.lastError().find("cannot read"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST(ProfileFile, AReadOnlyFileIsLeftByteForByteAndAWrittenOneKeepsItsMode)
{
    namespace fs = std::filesystem;
    const std::string dir = tempDir();
    const std::string text = "; mine\r\n[S]\r\nk=old\r\n";
    writeFile(dir + "ro.ini", text);
    fs::permissions(dir + "ro.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(lirmus::isReadOnlyFile(dir + "ro.ini"));
    ProfileFile ro(dir + "ro.ini");
    EXPECT_FALSE(ro.writeString("S", "k", "new"));
    EXPECT_NE(ro.lastError().find("cannot write"), std::string::npos) << ro.lastError();
    EXPECT_EQ(readFile(dir + "ro.ini"), text);
    EXPECT_EQ(fs::status(dir + "ro.ini").permissions() & fs::perms::all, fs::perms(0444));

    // A private file stays private after a save.
    writeFile(dir + "private.ini", text);
    fs::permissions(dir + "private.ini", fs::perms(0600));
    EXPECT_FALSE(lirmus::isReadOnlyFile(dir + "private.ini"));
    EXPECT_FALSE(lirmus::isReadOnlyFile(dir + "missing.ini"));
    ProfileFile mine(dir + "private.ini");
    ASSERT_TRUE(mine.writeString("S", "k", "new")) << mine.lastError();
    EXPECT_EQ(mine.getString("S", "k"), "new");
    EXPECT_EQ(fs::status(dir + "private.ini").permissions() & fs::perms::all, fs::perms(0600));
    int files = 0;
    for (auto& e : fs::directory_iterator(dir)) { (void)e; ++files; }
    EXPECT_EQ(files, 2) << "no temporary file is left";
}

TEST(ProfileFile, AWriteThatFailsHalfwayLeavesTheOldFileByteForByte)
{
    // The file size limit makes the disk "full" part way through the new text.
    const std::string dir = tempDir();
    const std::string text = "[S]\nk=old\n";
    writeFile(dir + "x.ini", text);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    auto oldSignal = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ProfileFile ini(dir + "x.ini");
    const bool written = ini.writeString("S", "k", std::string(20000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(written);
    EXPECT_NE(ini.lastError().find("cannot write"), std::string::npos) << ini.lastError();
    EXPECT_EQ(readFile(dir + "x.ini"), text);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) { (void)e; ++files; }
    EXPECT_EQ(files, 1) << "the temporary file is gone";
}
