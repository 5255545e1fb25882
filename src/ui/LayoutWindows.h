#pragma once
// Where the four child windows go inside the main window. Pure arithmetic in
// twips; frmMain feeds it the real frame metrics and applies the result.

namespace lirmus {

struct LayoutRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct LayoutInput {
    int W = 0;               ///< main window outer width
    int H = 0;               ///< main window outer height
    int k = 0;               ///< height taken by the frame, caption and menu bar
    int sideMargin = 180;    ///< width taken by the frame beside the client area
    int playerHeight = 0;    ///< design height of frmPlay
    int lyricsHeight = 0;    ///< current height of frmLyric
    int stripInset = 0;      ///< (sizing-frame width + 2) x 15 of the monitor's strips
    int childFrameHeight = 0;///< height a child window's frame and caption take
    int controllerRows = 4;  ///< rows of the controller table (4..8)
    bool enlarged = false;   ///< KaraokeEnlarged
};

struct LayoutResult {
    bool tooSmall = false;   ///< the lyrics window would start less than 1500 twips down
    LayoutRect player, lyrics, browser, monitor;
    bool mast6Visible = false, mast7Visible = false;
    bool mastVisibilityChanged = false; ///< false: leave sliders 6 and 7 as they are
    int melodyLeft = 0, melodyTop = 0;
    int stripWidth = 0;
    int stripHeight = 360;   ///< the monitor's strips grow taller, up to twice, where the monitor has room
};

/// The smallest main window size, in twips, in both directions.
constexpr int kMinMainSize = 6300;

/// The lyrics window must start at least this far below the top of the client area.
constexpr int kMinBrowserHeight = 1500;

/// Computes the arrangement of player, lyrics window, browser and channel monitor.
LayoutResult LayoutWindows(const LayoutInput& in);

} // namespace lirmus
