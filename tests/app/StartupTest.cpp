#include "AppState.h"
#include "Main.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <QLockFile>
#include <QString>
#include <QSysInfo>

using namespace lirmus;
using lirmus::test::tempDir;
using lirmus::test::writeFile;

TEST(Startup, AppPathAndNameListsFromItElseFromTheInstalledCopies)
{
    AppState root;
    loadStartupState(root, "/", {}, nullptr);
    EXPECT_EQ(root.settings.iniPath(), "/LIRMUS.INI");

    const std::string app = tempDir(), installed = tempDir();
    writeFile(installed + "programs.txt", "Installed Piano\n");
    writeFile(installed + "Drums.txt", "000 Standard\n\n008 Room\n");

    AppState fromInstall;
    loadStartupState(fromInstall, app.substr(0, app.size() - 1), {"/nonexistent", installed}, nullptr);
    EXPECT_EQ(fromInstall.settings.AppPath, app);
    EXPECT_EQ(fromInstall.settings.ProgramNames[0], "Installed Piano");
    EXPECT_EQ(fromInstall.settings.DrumKits.size(), 2u);

    writeFile(app + "programs.txt", "My Piano\n");
    AppState fromApp;
    loadStartupState(fromApp, app, {installed}, nullptr);
    EXPECT_EQ(fromApp.settings.ProgramNames[0], "My Piano");

    AppState none;
    loadStartupState(none, tempDir(), {}, nullptr);
    EXPECT_EQ(none.settings.ProgramNames[0], "");
    EXPECT_TRUE(none.settings.DrumKits.empty());
}

TEST(Startup, SettingsAndControllerProblemsAreReportedOnce)
{
    const std::string app = tempDir();
    writeFile(app + "LIRMUS.INI", "[OPTIONS]\nKaraokeRows=9\nMelodyChannel=10\n[CONTROLLERS]\n0=7,Vol\n");
    AppState state;
    std::vector<std::string> messages;
    loadStartupState(state, app, {}, &messages);
    EXPECT_EQ(state.settings.KaraokeRows, 2);
    EXPECT_EQ(state.settings.MelodyChannel, 9);
    ASSERT_TRUE(state.settingsService);
    EXPECT_EQ(state.settingsService->getInt("OPTIONS", "KaraokeRows", 0), 9); // the file keeps what it held
    EXPECT_EQ(state.player.channels().SoloChannel, -1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(state.controllers.rows(), 4);
}

TEST(Startup, CommandLineGivesTheDiagnosticWordFirstThenOneSong)
{
    struct Case { QStringList args; bool vediTu; QString song; bool screen = false; };
    for (const Case& c : std::vector<Case>{
             {{"lirmus"}, false, ""},
             {{"lirmus", "VediTu"}, true, ""},
             {{"lirmus", "veditu"}, false, "veditu"},            // the word is exact; else it names a song
             {{"lirmus", "VediTu", "a.kar"}, true, "a.kar"},
             {{"lirmus", "My", "Song.kar"}, false, "My Song.kar"}, // an unquoted name with a blank
             {{"lirmus", "--karaoke-screen"}, false, "", true},
             {{"lirmus", "--karaoke-screen", "VediTu", "a.kar"}, true, "a.kar", true},
             {{"lirmus", "VediTu", "--karaoke-screen", "a.kar"}, true, "a.kar", true},
             {{"lirmus", "a.kar", "--karaoke-screen"}, false, "a.kar --karaoke-screen"}, // songs come last
         }) {
        const CommandLine got = parseCommandLine(c.args);
        EXPECT_EQ(got.karaokeScreen, c.screen) << c.args.join(' ').toStdString();
        EXPECT_EQ(got.VediTu, c.vediTu) << c.args.join(' ').toStdString();
        EXPECT_EQ(got.song, c.song) << c.args.join(' ').toStdString();
    }
}

TEST(Startup, OneRunningCopyAndCrashedLocksAreTakenOver)
{
    const QString path = QString::fromStdString(tempDir()) + "lirmus.lock";
    QLockFile first(path);
    ASSERT_TRUE(takeInstanceLock(first));
    QLockFile second(path);
    EXPECT_FALSE(takeInstanceLock(second)); // "Lirmus alredy loaded !"
    first.unlock();

    // A lock file left by a copy that crashed: its process no longer exists.
    writeFile(path.toStdString(), "2147480000\nlirmus\n" + QSysInfo::machineHostName().toStdString() + "\n");
    QLockFile third(path);
    EXPECT_TRUE(takeInstanceLock(third));
}
