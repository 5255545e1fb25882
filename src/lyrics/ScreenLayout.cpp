#include "ScreenLayout.h"

#include <QFontMetrics>

#include <algorithm>

namespace lirmus {
namespace {

constexpr int kLargestPixels = 2000;
// A row of the rows' font is this part of the screen height (four rows: 60 %).
constexpr double kRowShare = 0.15;
// One title line smaller than this part of what the band's height allows goes on two lines.
constexpr double kSmallestOneLineTitle = 0.6;

int widestAdvance(const QFontMetrics& m, const QStringList& lines)
{
    int w = 0;
    for (const QString& l : lines) w = std::max(w, m.horizontalAdvance(l));
    return w;
}

int rowHeightAt(QFont f, int pixels)
{
    f.setPixelSize(pixels);
    return QFontMetrics(f).height();
}

} // namespace

int fitPixelSize(const QFont& family, const QStringList& lines, int width, int height, int rows, int minPx)
{
    rows = std::max(rows, 1);
    QFont f = family;
    f.setPixelSize(100);
    const QFontMetrics at100(f);
    // Only the lines near the widest can be the widest at another size.
    const int widest100 = widestAdvance(at100, lines);
    QStringList candidates;
    for (const QString& l : lines)
        if (at100.horizontalAdvance(l) * 100 >= widest100 * 95) candidates << l;
    const auto fits = [&](int pixels) {
        f.setPixelSize(pixels);
        const QFontMetrics m(f);
        return widestAdvance(m, candidates) <= width && rows * m.height() <= height;
    };
    double scale = double(height) / (rows * std::max(at100.height(), 1));
    if (widest100 > 0) scale = std::min(scale, double(width) / widest100);
    int pixels = std::clamp(int(scale * 100), minPx, kLargestPixels);
    // Hinting keeps widths from scaling exactly: settle on the size by trying.
    while (pixels > minPx && !fits(pixels)) --pixels;
    while (pixels < kLargestPixels && fits(pixels + 1)) ++pixels;
    return pixels;
}

ScreenGeometry screenGeometry(const QSize& size, bool guide)
{
    const int W = std::max(size.width(), 1), H = std::max(size.height(), 1);
    ScreenGeometry g;
    g.margin = std::max(8, W / 40);
    const int titleH = H * 12 / 100, bottomH = H * 12 / 100;
    g.title = QRect(g.margin, H / 100, W - 2 * g.margin, titleH);
    g.bottom = QRect(g.margin, H - bottomH, W - 2 * g.margin, bottomH);
    int top = g.title.bottom() + 1;
    if (guide) {
        g.guide = QRect(g.margin, top, W - 2 * g.margin, H * 24 / 100);
        top = g.guide.bottom() + 1 + H / 100;
    }
    g.rows = QRect(g.margin, top, W - 2 * g.margin, g.bottom.top() - top);
    return g;
}

int halfHeightPixels(const QFont& family, int screenHeight)
{
    const int want = (screenHeight + 7) / 8; // four rows, half the height
    int lo = 4, hi = kLargestPixels;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (rowHeightAt(family, mid) >= want) hi = mid;
        else lo = mid + 1;
    }
    return lo;
}

int songRowPixels(const QFont& family, const QStringList& songLines, const QSize& screen, int width)
{
    const int rowH = int(screen.height() * kRowShare);
    const int fitted = fitPixelSize(family, songLines, width, rowH, 1);
    return std::max(fitted, halfHeightPixels(family, screen.height()));
}

int pageRowPixels(const QFont& family, const QStringList& pageLines, int songPixels, int width)
{
    QFont f = family;
    f.setPixelSize(songPixels);
    if (widestAdvance(QFontMetrics(f), pageLines) <= width) return songPixels;
    return std::min(songPixels, fitPixelSize(family, pageLines, width, kLargestPixels, 1));
}

TitleFit fitTitle(const QFont& family, const SongCredits& credits, const QSize& band)
{
    const int W = std::max(band.width(), 1), H = std::max(band.height(), 1);
    const QString one = credits.artist.isEmpty() ? credits.title : credits.title + QString::fromUtf8(" \u2013 ") + credits.artist;
    if (one.isEmpty()) return {};
    const int tallest = fitPixelSize(family, {}, W, H * 8 / 10, 1);
    const int oneLine = fitPixelSize(family, {one}, W, H * 8 / 10, 1, 1);
    if (credits.artist.isEmpty() || oneLine >= tallest * kSmallestOneLineTitle) return {{one}, oneLine};
    const QStringList two{credits.title, credits.artist};
    const int twoLines = fitPixelSize(family, two, W, H, 2, 1);
    if (twoLines <= oneLine) return {{one}, oneLine};
    return {two, twoLines};
}

} // namespace lirmus
