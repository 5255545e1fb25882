#include "GuideRender.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace lirmus {

double guideX(const QRect& rect, const GuideView& view, double ms)
{
    const double span = std::max(1.0, view.pastMs + view.aheadMs);
    return rect.left() + rect.width() * (ms - (view.nowMs - view.pastMs)) / span;
}

double guideY(const QRect& rect, const GuideView& view, double pitch)
{
    const double rows = std::max(1, view.high - view.low + 1);
    return rect.bottom() - (pitch - view.low + 0.5) * rect.height() / rows;
}

void drawGuide(QPainter& p, const QRect& rect, const GuideView& view, const QColor& bar, const QColor& hit,
               const QColor& trace)
{
    p.save();
    p.setClipRect(rect);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(rect, QColor(0, 0, 0, 110));
    const double rowH = double(rect.height()) / std::max(1, view.high - view.low + 1);
    const double barH = std::max(3.0, rowH * 0.8);
    for (const GuideBar& b : view.bars) {
        const double x0 = guideX(rect, view, b.start), x1 = guideX(rect, view, b.end);
        if (x1 < rect.left() || x0 > rect.right()) continue;
        const QRectF r(x0, guideY(rect, view, b.pitch) - barH / 2, std::max(2.0, x1 - x0 - 2), barH);
        p.setPen(Qt::NoPen);
        p.setBrush(bar);
        p.drawRoundedRect(r, barH / 3, barH / 3);
        if (b.hit > 0) {
            // The part sung on pitch, lit from the note's start.
            p.setBrush(hit);
            p.drawRoundedRect(QRectF(r.left(), r.top(), r.width() * std::min(1.0f, b.hit), r.height()), barH / 3,
                              barH / 3);
        }
    }
    const double cue = guideX(rect, view, view.nowMs);
    p.setPen(QPen(QColor(255, 255, 255, 200), std::max(2.0, rect.width() / 400.0)));
    p.drawLine(QPointF(cue, rect.top()), QPointF(cue, rect.bottom()));

    QPainterPath path;
    bool open = false;
    double lastMs = -1e18;
    for (const GuidePoint& pt : view.trace) {
        // A gap of silence (or a dropped frame run) breaks the trace.
        if (pt.pitch <= 0 || pt.ms - lastMs > 80) open = false;
        lastMs = pt.ms;
        if (pt.pitch <= 0) continue;
        const QPointF at(guideX(rect, view, pt.ms), guideY(rect, view, pt.pitch));
        if (open) path.lineTo(at);
        else path.moveTo(at);
        open = true;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(trace, std::max(3.0, rowH * 0.35), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);

    QFont f = p.font();
    f.setPixelSize(std::max(10, rect.height() / 4));
    f.setBold(true);
    p.setFont(f);
    if (!view.rating.isEmpty()) {
        p.setPen(hit);
        p.drawText(rect.adjusted(0, 0, -rect.width() / 50, 0), Qt::AlignRight | Qt::AlignTop, view.rating);
    }
    if (!view.message.isEmpty()) {
        f.setPixelSize(std::max(10, rect.height() / 6));
        p.setFont(f);
        p.setPen(QColor(255, 255, 255, 220));
        p.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, view.message);
    }
    p.restore();
}

} // namespace lirmus
