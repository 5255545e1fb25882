#include "Settings.h"
#include "SettingsService.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

namespace {

Settings readFrom(const std::string& ini)
{
    std::string dir = tempDir();
    writeFile(dir + "LIRMUS.INI", ini);
    Settings s;
    readOptions(SettingsService(dir + "LIRMUS.INI"), s);
    return s;
}

} // namespace

TEST(Settings, DefaultsWhenTheFileIsMissingOrEmpty)
{
    for (const char* text : {"", "garbage\x01\x02", "[OPTIONS]\n"}) {
        const Settings s = readFrom(text);
        EXPECT_EQ(std::make_tuple(s.KaraokeBackColor, s.KaraokeForeColor, s.KaraokePlayColor, s.KaraokeCentered,
                                  s.KaraokeRows, s.KaraokeFontSize, s.KaraokeFont, s.KaraokeEnlarged, s.TurboStart,
                                  s.AutoStart, s.SoloLevel, s.MelodyChannel, s.MIDIDEVICE),
                  std::make_tuple(16777215L, 0L, 255L, true, 2, 24, std::string("Arial"), false, true, true, 32, 3, -1))
            << text;
    }
}

TEST(Settings, RulesOfTheValuesRead)
{
    for (auto [text, rows] : std::vector<std::pair<const char*, int>>{{"1", 2}, {"5", 2}, {"3", 3}, {"4", 4}, {"three", 2}})
        EXPECT_EQ(readFrom(std::string("[OPTIONS]\nKaraokeRows=") + text + "\n").KaraokeRows, rows) << text;
    // Booleans are true when not zero, names match without regard to case, the melody channel is 0-based.
    Settings s = readFrom("[options]\nkaraokecentered=0\nTurboStart=0\nFilterLyrics=1\nItalianNotation=-1\n"
                          "MelodyChannel=10\nAutoStart=yes\n");
    EXPECT_FALSE(s.KaraokeCentered);
    EXPECT_FALSE(s.TurboStart);
    EXPECT_TRUE(s.FilterLyrics);
    EXPECT_TRUE(s.ItalianNotation);
    EXPECT_EQ(s.MelodyChannel, 9); // the drum channel
    EXPECT_FALSE(s.AutoStart);     // a non-number reads as 0

    // The synthesizer's sound path: none named tries the usual drivers in order.
    EXPECT_EQ(readFrom("[LOAD]\nSoundFont=/x.sf2\n").AudioDriver, "");
    EXPECT_EQ(readFrom("[load]\naudiodriver=alsa\n").AudioDriver, "alsa");

    // The karaoke screen's look: the background by name or number, the card's time within a minute.
    using Back = Settings::ScreenBack;
    for (auto [text, back] : std::vector<std::pair<const char*, Back>>{
             {"colour", Back::Colour}, {"Pictures", Back::Pictures}, {"0", Back::Colour}, {"2", Back::Pictures},
             {"Gradient", Back::Gradient}, {"plaid", Back::Gradient}, {"7", Back::Gradient}})
        EXPECT_EQ(readFrom(std::string("[Karaoke Screen]\nBackground=") + text + "\n").ScreenBackground, back) << text;
    for (auto [text, seconds] : std::vector<std::pair<const char*, int>>{{"0", 0}, {"12", 12}, {"-3", 0}, {"600", 60}})
        EXPECT_EQ(readFrom(std::string("[KARAOKE SCREEN]\nCardSeconds=") + text + "\n").ScreenCardSeconds, seconds);
    s = readFrom("[KARAOKE SCREEN]\nOutline=0\nCountIn=0\nTextColor=65280\nPictureFolder=/pics\n");
    EXPECT_FALSE(s.ScreenOutline);
    EXPECT_FALSE(s.ScreenCountIn);
    EXPECT_EQ(s.ScreenTextColor, rgbLong(0, 255, 0));
    EXPECT_EQ(s.ScreenPictureFolder, "/pics");
    EXPECT_EQ(readFrom("").ScreenCardSeconds, 5);
}

TEST(Settings, NoteNamesAndAppPath)
{
    Settings s;
    EXPECT_EQ(noteName(s, 0), "C ");
    EXPECT_EQ(noteName(s, 6), "Gb");
    s.ItalianNotation = true;
    EXPECT_EQ(noteName(s, 7), "Sol");
    EXPECT_EQ(noteName(s, 10), "Sib");
    EXPECT_EQ(noteName(s, -1), "Si");
    EXPECT_EQ(makeAppPath("/"), "/");
    EXPECT_EQ(makeAppPath("/home/ann/karaoke"), "/home/ann/karaoke/");
    EXPECT_EQ(makeAppPath("/home/ann/karaoke/"), "/home/ann/karaoke/");
}

TEST(Settings, ProgramNamesAndDrumKits)
{
    const std::string dir = tempDir();
    std::string text;
    for (int i = 0; i < 130; ++i) text += "  Program " + std::to_string(i) + "\t\r\n";
    writeFile(dir + "programs.txt", text);
    writeFile(dir + "short.txt", "Piano\nOrgan");
    std::array<std::string, 128> names{}, few{};
    ASSERT_TRUE(loadProgramNames(dir + "programs.txt", names));
    EXPECT_EQ(names[0], "Program 0");
    EXPECT_EQ(names[127], "Program 127"); // and no further
    ASSERT_TRUE(loadProgramNames(dir + "short.txt", few));
    EXPECT_EQ(few[1], "Organ");
    EXPECT_EQ(few[2], "");
    EXPECT_FALSE(loadProgramNames(dir + "missing.txt", few));

    writeFile(dir + "Drums.txt", "000 Standard\n\n  \n008 Room\r\n\n025 TR-808\n");
    std::vector<std::string> kits{"stale"};
    ASSERT_TRUE(loadDrumKits(dir + "Drums.txt", kits));
    ASSERT_EQ(kits.size(), 3u); // blank lines dropped
    EXPECT_EQ(drumKitProgram(kits[1]), 8);
    EXPECT_EQ(drumKitName(kits[1]), "Room");
    EXPECT_EQ(drumKitProgram(kits[2]), 25);
    EXPECT_EQ(drumKitName(kits[2]), "TR-808");
}
