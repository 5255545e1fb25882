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

/// What the command line asks for: `lirmus [VediTu] [SONG]`.
struct CommandLine {
    bool VediTu = false;  ///< the diagnostic displays
    QString song;         ///< a song to start at once ("" = none)
};

/// Reads the arguments (without the program name's position 0): "VediTu" first, then one song.
CommandLine parseCommandLine(const QStringList& arguments);

/// True when the command line asks for the diagnostic displays.
bool isVediTu(const QStringList& arguments);

/// The program: refuses a second copy, shows the about box, then the windows. Returns the exit code.
int Main(const QStringList& arguments);

} // namespace lirmus
