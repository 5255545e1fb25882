#include "ProfileFile.h"
#include "Settings.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

namespace {

Settings readFrom(const std::string& ini)
{
    std::string dir = tempDir();
    writeFile(dir + "LIRMUS.INI", ini);
    Settings s;
    readOptions(ProfileFile(dir + "LIRMUS.INI"), s);
    return s;
}

} // namespace

TEST(Settings, DefaultsWhenTheFileIsMissingOrEmpty)
{
    for (const char* text : {"", "garbage\x01\x02", "[OPTIONS]\n"}) {
        Settings s = readFrom(text);
        EXPECT_EQ(s.KaraokeBackColor, 16777215);
        EXPECT_EQ(s.KaraokeForeColor, 0);
        EXPECT_EQ(s.KaraokePlayColor, 255);
        EXPECT_TRUE(s.KaraokeCentered);
        EXPECT_EQ(s.KaraokeRows, 2);
        EXPECT_EQ(s.KaraokeFontSize, 24);
        EXPECT_EQ(s.KaraokeFont, "Arial");
        EXPECT_FALSE(s.KaraokeEnlarged);
        EXPECT_TRUE(s.TurboStart);
        EXPECT_TRUE(s.AutoStart);
        EXPECT_EQ(s.SoloLevel, 32);
        EXPECT_EQ(s.MelodyChannel, 3);
        EXPECT_EQ(s.MIDIDEVICE, -1);
    }
}

TEST(Settings, KaraokeRowsOutsideTwoToFourBecomesTwo)
{
    EXPECT_EQ(readFrom("[OPTIONS]\nKaraokeRows=1\n").KaraokeRows, 2);
    EXPECT_EQ(readFrom("[OPTIONS]\nKaraokeRows=5\n").KaraokeRows, 2);
    EXPECT_EQ(readFrom("[OPTIONS]\nKaraokeRows=3\n").KaraokeRows, 3);
    EXPECT_EQ(readFrom("[OPTIONS]\nKaraokeRows=4\n").KaraokeRows, 4);
    EXPECT_EQ(readFrom("[OPTIONS]\nKaraokeRows=three\n").KaraokeRows, 2);
}

TEST(Settings, BooleansAreTrueWhenNotZeroAndMelodyChannelIsZeroBased)
{
    Settings s = readFrom("[options]\nkaraokecentered=0\nTurboStart=0\nFilterLyrics=1\nItalianNotation=-1\n"
                          "MelodyChannel=10\nAutoStart=yes\n");
    EXPECT_FALSE(s.KaraokeCentered);
    EXPECT_FALSE(s.TurboStart);
    EXPECT_TRUE(s.FilterLyrics);
    EXPECT_TRUE(s.ItalianNotation);
    EXPECT_EQ(s.MelodyChannel, 9); // the drum channel
    EXPECT_FALSE(s.AutoStart);     // a non-number reads as 0
}

TEST(Settings, BooleansAreWrittenAsMinusOneAndZero)
{
    ProfileFile ini(tempDir() + "LIRMUS.INI");
    ini.writeBool("OPTIONS", "KaraokeEnlarged", true);
    ini.writeBool("OPTIONS", "ExternalMCI", false);
    EXPECT_EQ(ini.getString("OPTIONS", "KaraokeEnlarged"), "-1");
    EXPECT_EQ(ini.getString("OPTIONS", "ExternalMCI"), "0");
}

TEST(Settings, NoteNamesInBothNotations)
{
    Settings s;
    fillNoteNames(s);
    EXPECT_EQ(noteName(s, 0), "C ");
    EXPECT_EQ(noteName(s, 6), "Gb");
    s.ItalianNotation = true;
    EXPECT_EQ(noteName(s, 7), "Sol");
    EXPECT_EQ(noteName(s, 10), "Sib");
    EXPECT_EQ(noteName(s, -1), "Si");
}

TEST(Settings, AppPathKeepsARootAndAddsTheSeparatorElsewhere)
{
    EXPECT_EQ(makeAppPath("/"), "/");
    EXPECT_EQ(makeAppPath("/home/ann/karaoke"), "/home/ann/karaoke/");
    EXPECT_EQ(makeAppPath("/home/ann/karaoke/"), "/home/ann/karaoke/");
}

TEST(Settings, ProgramNamesStopAt128AndToleratesShortFiles)
{
    std::string dir = tempDir();
    std::string text;
    for (int i = 0; i < 130; ++i) text += "  Program " + std::to_string(i) + "\t\r\n";
    writeFile(dir + "programs.txt", text);
    std::array<std::string, 128> names{};
    ASSERT_TRUE(loadProgramNames(dir + "programs.txt", names));
    EXPECT_EQ(names[0], "Program 0");
    EXPECT_EQ(names[127], "Program 127");

    writeFile(dir + "short.txt", "Piano\nOrgan");
    std::array<std::string, 128> few{};
    ASSERT_TRUE(loadProgramNames(dir + "short.txt", few));
    EXPECT_EQ(few[1], "Organ");
    EXPECT_EQ(few[2], "");
    EXPECT_FALSE(loadProgramNames(dir + "missing.txt", few));
}

TEST(Settings, DrumKitsDropBlankLines)
{
    std::string dir = tempDir();
    writeFile(dir + "Drums.txt", "000 Standard\n\n  \n008 Room\r\n\n025 TR-808\n");
    std::vector<std::string> kits{"stale"};
    ASSERT_TRUE(loadDrumKits(dir + "Drums.txt", kits));
    ASSERT_EQ(kits.size(), 3u);
    EXPECT_EQ(drumKitProgram(kits[1]), 8);
    EXPECT_EQ(drumKitName(kits[1]), "Room");
    EXPECT_EQ(drumKitProgram(kits[2]), 25);
    EXPECT_EQ(drumKitName(kits[2]), "TR-808");
}
