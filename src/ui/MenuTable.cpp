#include "MenuTable.h"

namespace lirmus {

const std::vector<MenuItem>& mainMenuTable()
{
    static const std::vector<MenuItem> table = {
        {"mnuTop", 0, "&File", "", false, false, 0},
        {"mnuStampa", 10, "Print preview...", "", true, false, 1},
        {"mnuVuoto", -1, "-", "", true, false, 1},
        {"mnuExit", -1, "E&xit", "", false, false, 1},
        {"mnuTop", 2, "&Player", "", false, false, 0},
        {"mnuPlayer", 2, "&Load current song", "F5", false, false, 1},
        {"mnuPlayer", 4, "&Play", "", false, false, 1},
        {"mnuPlayer", 6, "Pau&se", "", false, false, 1},
        {"mnuPlayer", 8, "&Stop", "", false, false, 1},
        {"mnuPlayer", 90, "-", "", false, false, 1},
        {"mnuPlayer", 92, "&Info on Midi File...", "F6", false, false, 1},
        {"mnuPlayer", 94, "&Best Scores...", "", false, false, 1},
        {"mnuTop", 4, "&Database", "", false, false, 0},
        {"mnuDataBase", 4, "&New...", "", false, false, 1},
        {"mnuDataBase", 6, "&Open...", "", false, false, 1},
        {"mnuDataBase", 8, "&Select...", "", false, true, 1},
        {"mnuDataBase", 10, "Scan/&Import...", "", false, true, 1},
        {"mnuDataBase", 18, "&Close", "", false, true, 1},
        {"mnuDataBase", 20, "-", "", true, false, 1},
        {"mnuDataBase", 30, "&Info...", "", true, false, 1},
        {"mnuDataBase", 38, "-", "", false, false, 1},
        {"mnuDataBase", 40, "Repair  and Compact Database...", "", false, false, 1},
        {"mnuTop", 7, "&Setup", "", false, false, 0},
        {"mnuOptions", 9, "Options...", "", false, false, 1},
        {"mnuOptions", 19, "-", "", false, false, 1},
        {"mnuOptions", 20, "&Karaoke Screen", "F11", false, false, 1},
        {"mnuOptions", 21, "Karaoke Screen &Display...", "", false, false, 1},
        {"mnuOptions", 22, "-", "", false, false, 1},
        {"mnuOptions", 23, "P&arty...", "", false, false, 1},
        {"mnuTop", 9, "&?", "", false, false, 0},
        {"mnuHelp", 90, "&About...", "", false, false, 1},
        {"mnuPopData", -1, "PopDataGrid", "", true, false, 0},
        {"mnuPData", 0, "Load Song", "", false, false, 1},
        {"mnuPData", 12, "Add to Queue", "Ctrl+Q", false, false, 1},
        {"mnuPData", 14, "Favourite", "Ctrl+D", false, false, 1},
        {"mnuPData", 16, "Best Scores...", "Ctrl+B", false, false, 1},
        {"mnuPData", 1, "-", "", false, false, 1},
        {"mnuPData", 2, "Find...", "Ctrl+F", false, false, 1},
        {"mnuPData", 4, "Find next", "F3", false, false, 1},
        {"mnuPData", 6, "Find in Lyrics...", "Ctrl+L", false, false, 1},
        {"mnuPData", 9, "-", "", false, false, 1},
        {"mnuPData", 10, "Copy Midi/Kar to...", "", false, false, 1},
    };
    return table;
}

} // namespace lirmus
