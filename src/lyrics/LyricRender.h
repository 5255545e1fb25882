#pragma once
// Drawing the karaoke rows and the text page from LyricDisplayState. The
// boxes' paint events call these routines for the bands they must redraw;
// the state says what each row holds and how much of it has been sung.
// Positions are worked out in twips, as the layout is given, and turned into
// pixels through the one twips helper.
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class QPainter;

namespace lirmus {

struct LyricDisplayState;
struct Settings;

class LyricRender {
public:
    LyricRender(const LyricDisplayState& state, const Settings& settings);

    /// The karaoke font of both boxes (CaricaKarFont sets it); RowHeight follows.
    void setFont(const QFont& font);
    const QFont& font() const { return font_; }
    /// Width of picLyr in pixels: what rows are centred in and squeezed to.
    void setBoxWidth(int pixels) { boxWidthPx_ = pixels; }
    int boxWidthPx() const { return boxWidthPx_; }

    /// RowHeight = the height of "A" in the font, in twips (a whole number of pixels).
    void PrepareWorkPicture();
    int RowHeight() const { return RowHeight_; }
    /// Width of text in the font, in twips.
    long textWidth(const QString& text) const;
    /// Left margin of a row's text, in twips: centred when KaraokeCentered and at least 30 twips are left.
    int CenterX(const QString& text) const;
    /// True when the text does not fit the box and is drawn squeezed.
    bool isSqueezed(const QString& text) const;
    /// Band of row 1..4 in pixels, across the whole box.
    QRect rowBand(int row) const;

    // Drawing, from the paint events. Each draws over the band's background.
    void ClearLyricRow(QPainter& p, int row) const;
    void ClearSysexRow(QPainter& p, int row) const { ClearLyricRow(p, row); }
    void PrintLyricRow(QPainter& p, int row) const;
    void PrintSysexRow(QPainter& p, int row) const;
    void PrintSysexRowSung(QPainter& p, int row) const;
    /// Row with its first column + length - 1 characters in the play colour.
    void PaintSungPart(QPainter& p, int row, int column, int length) const;
    /// An over-wide row compressed horizontally to the box width (never centred);
    /// its first sungChars characters in the play colour, the rest in colour.
    void PrintRowSqueezed(QPainter& p, int row, const QString& text, const QColor& colour, long sungChars = 0) const;
    /// Every karaoke row (1..KaraokeRows) whose band meets dirty, with the remembered sung part.
    void RedrawLyricRows(QPainter& p, const QRect& dirty) const;
    /// Every text-page row whose band meets dirty, sung rows in the play colour.
    void RedrawSysexRows(QPainter& p, const QRect& dirty) const;

    /// Pixel x where the first sungChars characters of a row's text end, as drawn.
    int sungEdgePx(const QString& text, long sungChars) const;
    /// Keep each karaoke row drawn as two images (unsung, all sung) and paint
    /// from them, for views whose glyphs are too big to draw at every syllable.
    void setRowCache(bool on);
    /// Draws ahead, between syllables, the images of the rows shown and of the
    /// lines to come, and forgets the others.
    void warmRowCache(const QStringList& upcoming) const;

    QColor backColor() const;
    QColor foreColor() const;
    QColor playColor() const;

private:
    void drawRow(QPainter& p, int row, const QString& text, long sungChars, const QColor& fore) const;
    int advancePx(const QString& text) const;
    /// The row as RedrawLyricRows paints it, from the row's images.
    void drawCachedRow(QPainter& p, int row, const QString& text, long sungChars) const;
    QImage rowImage(const QString& text, long sungChars) const;
    struct CachedRow;
    CachedRow& cachedRow(const QString& text) const;

    const LyricDisplayState& state_;
    const Settings& settings_;
    QFont font_;
    QFontMetrics metrics_;
    int boxWidthPx_ = 0;
    int RowHeight_ = 0;
    // Row texts are measured on every syllable: keep the last widths.
    struct Measured {
        QString text;
        int px = 0;
    };
    mutable std::array<Measured, 16> widths_;
    mutable size_t nextWidth_ = 0;
    struct CachedRow {
        QImage unsung, sung;
    };
    bool cacheRows_ = false;
    // Images by text, for the colours and band size they were drawn in.
    mutable QHash<QString, CachedRow> rowCache_;
    mutable QRgb cachedBack_ = 0, cachedFore_ = 0, cachedPlay_ = 0;
    mutable QSize cachedSize_;
};

} // namespace lirmus
