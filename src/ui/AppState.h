#pragma once
// The state the whole program shares, owned by one object made in Main and
// handed to the windows. Later subsystems add their own structs here.
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "SettingsService.h"

#include <memory>
#include <string>
#include <vector>

namespace lirmus {

struct AppState {
    Settings settings;
    std::unique_ptr<SettingsService> settingsService; ///< LIRMUS.INI; made by loadStartupState
    ControllerTable controllers = defaultControllerTable();
    std::vector<std::string> dataDirs; ///< where the data files installed with the program are
    bool StartingUp = false;     ///< windows are still being made: resizes do not lay out
    bool PlayerClosed = false;   ///< the player window has been unloaded
    Player player{settings, controllers}; ///< the song, its output and the player's state
};

} // namespace lirmus
