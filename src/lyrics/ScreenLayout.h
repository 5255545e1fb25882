#pragma once
// Where things go on the karaoke screen and how big they are: singers read it
// from across a room, so the rows take the height, a line too wide for the
// screen shrinks its whole page with it, and the title is never cut. Plain
// code over font metrics.
#include "SongCredits.h"

#include <QFont>
#include <QRect>
#include <QStringList>

namespace lirmus {

/// The largest pixel size of family at which every line is at most width
/// pixels wide and rows lines are at most height pixels tall (at least minPx).
int fitPixelSize(const QFont& family, const QStringList& lines, int width, int height, int rows, int minPx = 8);

/// The bands of a screen of the given size.
struct ScreenGeometry {
    int margin = 0;  ///< left and right
    QRect title;     ///< the song's title and artist
    QRect rows;      ///< the karaoke rows and the text page, centred in it
    QRect bottom;    ///< chords and the countdown bars
    QRect guide;     ///< the pitch guide under the title (empty without it)
};
/// With a guide, it takes a quarter of the height under the title and the rows move down.
ScreenGeometry screenGeometry(const QSize& size, bool guide = false);

/// The smallest pixel size at which four rows of family span half of screenHeight.
int halfHeightPixels(const QFont& family, int screenHeight);

/// The rows' pixel size for a song: rows of 15 % of the screen height, fitted
/// to the song's widest line, never below halfHeightPixels.
int songRowPixels(const QFont& family, const QStringList& songLines, const QSize& screen, int width);

/// The pixel size of the rows shown together: the song's size, or smaller when
/// one of them is wider than width at it, so the whole page keeps one size.
int pageRowPixels(const QFont& family, const QStringList& pageLines, int songPixels, int width);

/// The title band's text: one line "title – artist", or title and artist on
/// two lines when one line would be too small, each fitted to the band.
struct TitleFit {
    QStringList lines;
    int pixels = 0;
};
TitleFit fitTitle(const QFont& family, const SongCredits& credits, const QSize& band);

} // namespace lirmus
