#pragma once
// Start-up: one running copy, the settings, the name tables, the windows.
#include <string>
#include <vector>

#include <QStringList>

class QLockFile;

namespace lirmus {

struct AppState;

/// Reads settings and name tables for a program started in folder `dir`
/// (no windows): the settings service, AppPath, OPTIONS, ProgramNames, DrumKits and
/// the controller table. Messages for the user are appended to *messages.
void loadStartupState(AppState& state, const std::string& dir, const std::vector<std::string>& dataDirs,
                      std::vector<std::string>* messages);

/// The folders of the data files installed with the program.
std::vector<std::string> installedDataDirs();

/// Takes the one-copy lock at path; false when another running copy holds it.
/// A lock left behind by a copy that crashed is taken over.
bool takeInstanceLock(QLockFile& lock);

/// The lock file of the running copy, in the user's runtime folder.
QString instanceLockPath();

/// What the command line asks for: `lirmus [VediTu] [--karaoke-screen] [SONG...]`.
struct CommandLine {
    bool VediTu = false;  ///< the diagnostic displays
    bool karaokeScreen = false; ///< the karaoke screen opens at start
    QString song;         ///< a song to start at once ("" = none): the first of songs
    QStringList songs;    ///< every song named; those after the first wait in the play queue
};

/// Reads the arguments (position 0 is the program): "VediTu" and "--karaoke-screen" first, then the songs. The
/// arguments name one song with blanks when joined they name a file or none of them does.
CommandLine parseCommandLine(const QStringList& arguments);

/// True when the command line asks for the diagnostic displays.
bool isVediTu(const QStringList& arguments);

/// The folder LIRMUS.INI is kept in: the current folder when it holds one, else the
/// per-user folder (dataHome + "/lirmus") when the program runs from an installed prefix
/// (exeDir is PREFIX/bin beside PREFIX/share/lirmus), else the current folder.
QString settingsFolder(const QString& current, const QString& exeDir, const QString& dataHome);

/// The program: a second copy hands its songs to the running one (with no window system
/// needed for that) and ends; the first shows the about box, then the windows. Returns the exit code.
int Main(int& argc, char** argv);

} // namespace lirmus
