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

/// "left,top widthxheight" in twips.
std::string rect(const LayoutRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

} // namespace

TEST(LayoutWindows, NormalArrangement)
{
    const LayoutResult r = layout(12000, 9000);
    EXPECT_FALSE(r.tooSmall);
    // Player at the bottom of the client area, two thirds wide; lyrics directly above;
    // the browser fills the rest above them; the monitor takes the remaining third, full height.
    EXPECT_EQ(rect(r.player), "0,6300 7920x1800");
    EXPECT_EQ(rect(r.lyrics), "0,4110 7920x2190");
    EXPECT_EQ(rect(r.browser), "0,0 7920x4110");
    EXPECT_EQ(rect(r.monitor), "7920,0 3900x8100");
    EXPECT_EQ(r.stripWidth, 3900 - 150);
    EXPECT_EQ(r.melodyLeft, 45);
    EXPECT_EQ(r.melodyTop, 960);
}

TEST(LayoutWindows, EnlargedLyricsTakeTheWholeWidth)
{
    const LayoutResult r = layout(12000, 9000, 8, true);
    EXPECT_EQ(rect(r.lyrics), "0,4110 11820x2190");
    EXPECT_EQ(rect(r.browser), "0,0 11820x4110");
    EXPECT_EQ(rect(r.monitor), "7920,6300 3900x1800"); // beside the player
    EXPECT_TRUE(r.mastVisibilityChanged);
    EXPECT_FALSE(r.mast6Visible || r.mast7Visible);
    EXPECT_EQ(r.melodyLeft, 2400);
    EXPECT_EQ(r.melodyTop, 1290);
}

TEST(LayoutWindows, MasterSlidersSixAndSevenFollowTheControllerRows)
{
    EXPECT_FALSE(layout(12000, 9000, 6).mastVisibilityChanged); // stay hidden
    const LayoutResult seven = layout(12000, 9000, 7), eight = layout(12000, 9000, 8);
    EXPECT_TRUE(seven.mastVisibilityChanged && seven.mast6Visible && !seven.mast7Visible);
    EXPECT_TRUE(eight.mast6Visible && eight.mast7Visible);
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
