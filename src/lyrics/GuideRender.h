#pragma once
// The pitch guide's drawing: the melody as bars scrolling right to left
// toward a cue line, the singer's pitch as a trace, the notes hit lit up, and
// the last line's rating. Plain drawing of a view computed elsewhere.
#include <QColor>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;

namespace lirmus {

/// One melody note on the guide.
struct GuideBar {
    double start = 0, end = 0; ///< song ms
    int pitch = 0;             ///< as played (transposed)
    float hit = 0;             ///< fraction sung on pitch, 0..1
};

/// One point of the singer's trace; pitch 0 breaks the trace.
struct GuidePoint {
    double ms = 0;
    float pitch = 0; ///< folded into the octave of the notes near it
};

/// What the guide shows at one moment.
struct GuideView {
    double nowMs = 0;          ///< song time at the cue line
    double pastMs = 2000;      ///< shown left of the cue line
    double aheadMs = 4000;     ///< shown right of it
    int low = 48, high = 72;   ///< pitches at the bottom and top edges
    std::vector<GuideBar> bars;
    std::vector<GuidePoint> trace;
    QString rating;            ///< the last line's rating, "" when none
    QString message;           ///< a word across the lane ("" when none): no microphone...
    double capturedMs = 0;     ///< steady-clock ms the newest trace point's sound was captured
};

/// X of song time ms in rect.
double guideX(const QRect& rect, const GuideView& view, double ms);
/// Y of the middle of pitch in rect (fractional pitches between rows).
double guideY(const QRect& rect, const GuideView& view, double pitch);

/// Draws view into rect: a dimmed lane, the bars, the cue line, the trace, the rating.
void drawGuide(QPainter& p, const QRect& rect, const GuideView& view, const QColor& bar, const QColor& hit,
               const QColor& trace);

} // namespace lirmus
