#include "LayoutWindows.h"

#include <gtest/gtest.h>

using namespace lirmus;

namespace {

LayoutResult layout(int W, int H, int rows = 4, bool enlarged = false)
{
    LayoutInput in;
    in.W = W;
    in.H = H;
    in.k = 900;
    in.sideMargin = 180;
    in.playerHeight = 1800;
    in.lyricsHeight = 2190;
    in.stripInset = 150;
    in.controllerRows = rows;
    in.enlarged = enlarged;
    return LayoutWindows(in);
}

int right(const LayoutRect& r) { return r.left + r.width; }
int bottom(const LayoutRect& r) { return r.top + r.height; }

bool overlap(const LayoutRect& a, const LayoutRect& b)
{
    return a.left < right(b) && b.left < right(a) && a.top < bottom(b) && b.top < bottom(a);
}

/// "left,top widthxheight" in twips.
std::string rect(const LayoutRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

} // namespace

TEST(LayoutWindows, TheFourWindowsTileTheClientAreaAtEverySize)
{
    // Client area: the outer size less the side frame (180) and the caption and menu bar (900).
    for (bool enlarged : {false, true})
        for (int W = kMinMainSize; W <= 30000; W += 1234)
            for (int H = kMinMainSize; H <= 20000; H += 1111) {
                SCOPED_TRACE(std::to_string(W) + "x" + std::to_string(H) + (enlarged ? " enlarged" : ""));
                const LayoutResult r = layout(W, H, 8, enlarged);
                const LayoutRect all[] = {r.player, r.lyrics, r.browser, r.monitor};
                long area = 0;
                for (const LayoutRect& a : all) {
                    EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.width > 0 && a.height > 0) << rect(a);
                    EXPECT_LE(right(a), W - 180) << rect(a);
                    EXPECT_LE(bottom(a), H - 900) << rect(a);
                    area += long(a.width) * a.height;
                    for (const LayoutRect& b : all) {
                        if (&a != &b) {
                            EXPECT_FALSE(overlap(a, b)) << rect(a) << " and " << rect(b);
                        }
                    }
                }
                // Inside, apart and as large as the client area together: nothing uncovered.
                EXPECT_EQ(area, long(W - 180) * (H - 900));
                EXPECT_EQ(bottom(r.player), H - 900);
                if (enlarged) {
                    EXPECT_EQ(r.lyrics.width, W - 180);
                    EXPECT_EQ(r.stripHeight, 360) << "the strips hide behind the master panel";
                } else {
                    EXPECT_EQ(r.monitor.height, H - 900);
                    EXPECT_GT(r.player.width, r.monitor.width);
                    // Strips and the master panel fill the monitor as far as twice their height.
                    EXPECT_GE(r.stripHeight, 360);
                    EXPECT_LE(r.stripHeight, 720);
                    if (r.stripHeight > 360) {
                        EXPECT_LE(16 * r.stripHeight + 2400, r.monitor.height);
                    }
                    if (r.stripHeight < 720) {
                        EXPECT_GE(16 * (r.stripHeight + 1) + 2400, r.monitor.height);
                    }
                }
            }
}

TEST(LayoutWindows, MasterSlidersSixAndSevenFollowTheControllerRows)
{
    EXPECT_FALSE(layout(12000, 9000, 6).mastVisibilityChanged); // stay hidden
    const LayoutResult seven = layout(12000, 9000, 7), eight = layout(12000, 9000, 8);
    EXPECT_TRUE(seven.mastVisibilityChanged && seven.mast6Visible && !seven.mast7Visible);
    EXPECT_TRUE(eight.mast6Visible && eight.mast7Visible);
    // Enlarged lyrics squeeze the monitor beside the player: no room for them.
    const LayoutResult enlarged = layout(12000, 9000, 8, true);
    EXPECT_TRUE(enlarged.mastVisibilityChanged && !enlarged.mast6Visible && !enlarged.mast7Visible);
}

TEST(LayoutWindows, TooSmallWhenTheBrowserGetsLessThan1500Twips)
{
    // Lyrics top = H - 1800 - 900 - 2190: 1500 exactly is still fine, one less is not.
    EXPECT_FALSE(layout(12000, 6390).tooSmall);
    const LayoutResult r = layout(12000, 6389);
    EXPECT_TRUE(r.tooSmall);
    // The rest of the layout is still computed.
    EXPECT_EQ(rect(r.browser), "0,0 7920x1499");
    EXPECT_EQ(r.monitor.height, 6389 - 900);
}
