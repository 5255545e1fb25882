#pragma once
// Start-up: one running copy, the settings, the name tables, the windows.
#include <string>
#include <vector>

#include <QStringList>

namespace lirmus {

struct AppState;

/// Reads settings and name tables for a program started in folder `dir`
/// (no windows): AppPath, OPTIONS, NoteNames, ProgramNames, DrumKits and the
/// controller table. Messages for the user are appended to *messages.
void loadStartupState(AppState& state, const std::string& dir, const std::vector<std::string>& dataDirs,
                      std::vector<std::string>* messages);

/// True when the command line (without the program name) is exactly "VediTu".
bool isVediTu(const QStringList& arguments);

/// The program: refuses a second copy, shows the about box, then the windows. Returns the exit code.
int Main(const QStringList& arguments);

} // namespace lirmus
