#include "LayoutWindows.h"

#include <gtest/gtest.h>

using namespace lirmus;

namespace {

LayoutInput input(int W, int H, int rows = 4, bool enlarged = false)
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
    return in;
}

} // namespace

TEST(LayoutWindows, NormalArrangement)
{
    LayoutResult r = LayoutWindows(input(12000, 9000));
    EXPECT_FALSE(r.tooSmall);
    // Player at the bottom of the client area, two thirds wide.
    EXPECT_EQ(r.player.top, 9000 - 1800 - 900);
    EXPECT_EQ(r.player.width, 7920);
    EXPECT_EQ(r.player.height, 1800);
    // Lyrics directly above, browser fills the rest above them.
    EXPECT_EQ(r.lyrics.top, r.player.top - 2190);
    EXPECT_EQ(r.lyrics.width, 7920);
    EXPECT_EQ(r.browser.top, 0);
    EXPECT_EQ(r.browser.height, r.lyrics.top);
    EXPECT_EQ(r.browser.width, 7920);
    // Monitor: the remaining third, full client height.
    EXPECT_EQ(r.monitor.left, 7920);
    EXPECT_EQ(r.monitor.top, 0);
    EXPECT_EQ(r.monitor.height, 9000 - 900);
    EXPECT_EQ(r.monitor.width, 12000 - 7920 - 180);
    EXPECT_EQ(r.stripWidth, r.monitor.width - 150);
    EXPECT_EQ(r.melodyLeft, 45);
    EXPECT_EQ(r.melodyTop, 960);
}

TEST(LayoutWindows, EnlargedLyricsTakeTheWholeWidth)
{
    LayoutResult r = LayoutWindows(input(12000, 9000, 8, true));
    EXPECT_EQ(r.lyrics.width, 12000 - 180);
    EXPECT_EQ(r.browser.width, 12000 - 180);
    EXPECT_EQ(r.monitor.top, r.player.top);
    EXPECT_EQ(r.monitor.height, 1800);
    EXPECT_TRUE(r.mastVisibilityChanged);
    EXPECT_FALSE(r.mast6Visible);
    EXPECT_FALSE(r.mast7Visible);
    EXPECT_EQ(r.melodyLeft, 2400);
    EXPECT_EQ(r.melodyTop, 1290);
}

TEST(LayoutWindows, MasterSlidersSixAndSevenFollowTheControllerRows)
{
    LayoutResult six = LayoutWindows(input(12000, 9000, 6));
    EXPECT_FALSE(six.mastVisibilityChanged); // stay hidden
    LayoutResult seven = LayoutWindows(input(12000, 9000, 7));
    EXPECT_TRUE(seven.mast6Visible);
    EXPECT_FALSE(seven.mast7Visible);
    LayoutResult eight = LayoutWindows(input(12000, 9000, 8));
    EXPECT_TRUE(eight.mast6Visible);
    EXPECT_TRUE(eight.mast7Visible);
}

TEST(LayoutWindows, TooSmallWhenTheBrowserGetsLessThan1500Twips)
{
    // Lyrics top = H - 1800 - 900 - 2190: 1500 exactly is still fine, one less is not.
    EXPECT_FALSE(LayoutWindows(input(12000, 6390)).tooSmall);
    LayoutResult r = LayoutWindows(input(12000, 6389));
    EXPECT_TRUE(r.tooSmall);
    // The rest of the layout is still computed.
    EXPECT_EQ(r.browser.height, 1499);
    EXPECT_EQ(r.monitor.height, 6389 - 900);
}
