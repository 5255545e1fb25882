#pragma once
// The main window's menu tree as data: frmMain builds its menus from it.
#include <vector>

namespace lirmus {

struct MenuItem {
    const char* control;   ///< control array name, e.g. "mnuPlayer"
    int index;             ///< control array index (-1 for single controls)
    const char* caption;   ///< with "&" before the access key; "-" is a separator
    const char* shortcut;  ///< "" when none
    bool hidden;
    bool disabled;
    int level;             ///< 0 top-level menu, 1 item of the menu above it
};

/// Every menu and item of the main window, in order, including the hidden pop-up PopDataGrid.
const std::vector<MenuItem>& mainMenuTable();

} // namespace lirmus
