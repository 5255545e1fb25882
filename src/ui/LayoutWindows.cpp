#include "LayoutWindows.h"

#include <algorithm>

namespace lirmus {

LayoutResult LayoutWindows(const LayoutInput& in)
{
    LayoutResult r;
    const int fullWidth = in.W - in.sideMargin;

    r.player.left = 0;
    r.player.height = in.playerHeight;
    r.player.top = in.H - in.playerHeight - in.k;
    r.player.width = static_cast<int>(in.W * 0.66);

    r.lyrics.left = 0;
    r.lyrics.height = in.lyricsHeight;
    r.lyrics.top = r.player.top - in.lyricsHeight;
    r.tooSmall = r.lyrics.top < kMinBrowserHeight;
    r.lyrics.width = in.enlarged ? fullWidth : r.player.width;

    r.browser = {0, 0, in.enlarged ? fullWidth : r.player.width, r.lyrics.top};

    if (in.enlarged) {
        // The monitor shrinks into the bottom band beside the player.
        r.monitor.height = in.playerHeight;
        r.monitor.top = r.player.top;
        r.mast6Visible = r.mast7Visible = false;
        r.mastVisibilityChanged = true;
        r.melodyLeft = 2400;
        r.melodyTop = 1290;
    } else {
        r.monitor.height = in.H - in.k;
        r.monitor.top = 0;
        r.mast7Visible = in.controllerRows >= 8;
        r.mast6Visible = in.controllerRows >= 7;
        r.mastVisibilityChanged = in.controllerRows >= 7;
        r.melodyLeft = 45;
        r.melodyTop = 960;
    }
    r.monitor.left = r.player.width;
    r.monitor.width = in.W - r.monitor.left - in.sideMargin;
    r.stripWidth = r.monitor.width - in.stripInset;
    // Sixteen strips and the master panel below them fill the monitor's height.
    constexpr int kStrip = 360, kMasterPanel = 2400;
    if (!in.enlarged)
        r.stripHeight = std::clamp((r.monitor.height - in.childFrameHeight - kMasterPanel) / 16, kStrip, 2 * kStrip);
    return r;
}

} // namespace lirmus
