#include "LyricRender.h"

#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "Palette.h"
#include "Settings.h"
#include "Twips.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kRightMargin = 120;   // twips kept free at the right of a centred row
constexpr int kSmallestMargin = 30; // a margin below this is not worth centring for
constexpr int kWorkBorder = 4;      // pixels the squeezed copy leaves off both images

} // namespace

LyricRender::LyricRender(const LyricDisplayState& state, const Settings& settings)
    : state_(state), settings_(settings), metrics_(font_)
{
    PrepareWorkPicture();
}

void LyricRender::setFont(const QFont& font)
{
    font_ = font;
    metrics_ = QFontMetrics(font_);
    for (Measured& m : widths_) m = Measured{};
    PrepareWorkPicture();
}

void LyricRender::PrepareWorkPicture() { RowHeight_ = twips(metrics_.height()); }

QColor LyricRender::backColor() const { return fromRgbLong(settings_.KaraokeBackColor); }
QColor LyricRender::foreColor() const { return fromRgbLong(settings_.KaraokeForeColor); }
QColor LyricRender::playColor() const { return fromRgbLong(settings_.KaraokePlayColor); }

int LyricRender::advancePx(const QString& text) const
{
    if (text.isEmpty()) return 0;
    for (const Measured& m : widths_)
        if (m.text.size() == text.size() && m.text == text) return m.px;
    Measured& slot = widths_[nextWidth_++ % widths_.size()];
    slot.text = text;
    slot.px = metrics_.horizontalAdvance(text);
    return slot.px;
}

long LyricRender::textWidth(const QString& text) const { return twips(advancePx(text)); }

int LyricRender::CenterX(const QString& text) const
{
    if (!settings_.KaraokeCentered) return 0;
    const long m = twips(boxWidthPx_) - kRightMargin - textWidth(text);
    return m >= kSmallestMargin ? int(m / 2) : 0;
}

bool LyricRender::isSqueezed(const QString& text) const { return textWidth(text) > twips(boxWidthPx_); }

QRect LyricRender::rowBand(int row) const
{
    return QRect(0, px((row - 1) * RowHeight_), std::max(boxWidthPx_, 1), px(RowHeight_));
}

void LyricRender::ClearLyricRow(QPainter& p, int row) const { p.fillRect(rowBand(row), backColor()); }

void LyricRender::drawRow(QPainter& p, int row, const QString& text, long sungChars, const QColor& fore) const
{
    if (text.isEmpty()) return;
    if (isSqueezed(text)) {
        PrintRowSqueezed(p, row, text, fore, sungChars);
        return;
    }
    const QRect band = rowBand(row);
    const int x = px(CenterX(text));
    const int baseline = band.top() + metrics_.ascent();
    p.save();
    p.setFont(font_);
    const long n = std::clamp<long>(sungChars, 0, text.size());
    if (n <= 0) {
        p.setPen(fore);
        p.drawText(x, baseline, text);
    } else {
        // The sung part and the rest each drawn inside their own side of the
        // split, so no glyph is drawn twice and no dark fringe shows.
        const int split = x + advancePx(text.left(int(n)));
        p.save();
        p.setClipRect(QRect(band.left(), band.top(), split - band.left(), band.height()), Qt::IntersectClip);
        p.setPen(playColor());
        p.drawText(x, baseline, text);
        p.restore();
        if (n < text.size()) {
            p.setClipRect(QRect(split, band.top(), std::max(band.right() - split + 1, 0), band.height()),
                          Qt::IntersectClip);
            p.setPen(fore);
            p.drawText(x, baseline, text);
        }
    }
    p.restore();
}

void LyricRender::PrintRowSqueezed(QPainter& p, int row, const QString& text, const QColor& colour,
                                   long sungChars) const
{
    // The row as it would be printed at its natural width, compressed
    // horizontally to the box (less the work picture's border) and kept at
    // its height. A horizontal scale of the painter gives what the
    // stretched copy of an off-screen print gives, with sharp glyphs.
    const int natural = advancePx(text);
    const int target = boxWidthPx_ - kWorkBorder;
    if (natural <= 0 || target <= 0) return;
    const QRect band = rowBand(row);
    const double scale = double(target) / natural;
    const long n = std::clamp<long>(sungChars, 0, text.size());
    p.save();
    p.setClipRect(QRect(band.left(), band.top(), target, band.height()), Qt::IntersectClip);
    p.translate(0, band.top());
    p.scale(scale, 1.0);
    p.setFont(font_);
    const int split = n > 0 ? advancePx(text.left(int(n))) : 0;
    if (n > 0) {
        p.save();
        p.setClipRect(QRect(0, 0, split, band.height()), Qt::IntersectClip);
        p.setPen(playColor());
        p.drawText(0, metrics_.ascent(), text);
        p.restore();
    }
    if (n < text.size()) {
        p.setClipRect(QRect(split, 0, natural - split + 1, band.height()), Qt::IntersectClip);
        p.setPen(colour);
        p.drawText(0, metrics_.ascent(), text);
    }
    p.restore();
}

void LyricRender::PrintLyricRow(QPainter& p, int row) const
{
    drawRow(p, row, state_.LyricRowText[size_t(row)], 0, foreColor());
}

void LyricRender::PrintSysexRow(QPainter& p, int row) const
{
    drawRow(p, row, state_.SysexRows[size_t(row)], 0, foreColor());
}

void LyricRender::PrintSysexRowSung(QPainter& p, int row) const
{
    const QString& text = state_.SysexRows[size_t(row)];
    drawRow(p, row, text, text.size(), playColor());
}

void LyricRender::PaintSungPart(QPainter& p, int row, int column, int length) const
{
    drawRow(p, row, state_.LyricRowText[size_t(row)], sungCharacters(column, length), foreColor());
}

void LyricRender::RedrawLyricRows(QPainter& p, const QRect& dirty) const
{
    const int rows = std::clamp(settings_.KaraokeRows, 2, 4);
    for (int r = 1; r <= rows; ++r) {
        if (!rowBand(r).intersects(dirty)) continue;
        if (r == state_.LastSungRow)
            PaintSungPart(p, r, state_.LastSungColumn, state_.LastSungLength);
        else
            PrintLyricRow(p, r);
    }
}

void LyricRender::RedrawSysexRows(QPainter& p, const QRect& dirty) const
{
    for (int r = 1; r <= 4; ++r) {
        if (!rowBand(r).intersects(dirty)) continue;
        if (state_.SysexRowSung[size_t(r)]) PrintSysexRowSung(p, r);
        else PrintSysexRow(p, r);
    }
}

} // namespace lirmus
