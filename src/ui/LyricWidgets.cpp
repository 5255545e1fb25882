#include "LyricWidgets.h"

#include "LyricRender.h"
#include "Twips.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace lirmus {

LyricBox::LyricBox(Kind kind, const LyricRender& render, QWidget* parent)
    : QWidget(parent), kind_(kind), render_(render)
{
    // Every pixel is painted here: no system background first, so no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LyricBox::updateRow(int row)
{
    if (row >= 1 && row <= 4) update(render_.rowBand(row));
    else update();
}

void LyricBox::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), render_.backColor());
    if (kind_ == Kind::Lyrics) render_.RedrawLyricRows(p, e->rect());
    else render_.RedrawSysexRows(p, e->rect());
    p.end();
    if (afterPaint) afterPaint();
}

GuideBox::GuideBox(const LyricRender& render, QWidget* parent) : QWidget(parent), render_(render)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GuideBox::setView(std::optional<GuideView> view)
{
    if (!view && !view_) return;
    view_ = std::move(view);
    update();
}

void GuideBox::setIdleText(const QString& text)
{
    idleText_ = text;
    if (!view_) update();
}

void GuideBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), render_.backColor());
    if (!view_) {
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(std::max(12, height() / 3));
        p.setFont(f);
        p.setPen(render_.playColor());
        p.drawText(rect(), Qt::AlignCenter, idleText_);
        return;
    }
    QColor bar = render_.foreColor();
    bar.setAlpha(120);
    drawGuide(p, rect().adjusted(px(90), 0, -px(90), 0), *view_, bar, render_.playColor(), QColor(0, 150, 220));
}

CountdownBar::CountdownBar(const QColor& bar, QWidget* parent) : QWidget(parent), bar_(bar)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CountdownBar::barPixels() const { return ms_ < 1 ? 0 : int(px(ms_ / 2) * scale_); }

void CountdownBar::setScale(double factor)
{
    scale_ = factor > 0 ? factor : 1.0;
    update();
}

void CountdownBar::setMs(int ms)
{
    const int before = barPixels();
    ms_ = ms < 1 ? 0 : ms;
    if (barPixels() != before) update();
}

void CountdownBar::setBackColor(const QColor& c)
{
    back_ = c;
    update();
}

void CountdownBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = std::min(barPixels(), width());
    if (w > 0) p.fillRect(0, 0, w, height(), bar_);
    p.fillRect(w, 0, width() - w, height(), back_);
}

void LyricControls::showCaption(LyricCaption which, const QString& text, bool tooltip)
{
    switch (which) {
    case LyricCaption::NextLyric: lbNLyr->setText(text); break;
    case LyricCaption::Marker: lblMarker->setText(text); break;
    case LyricCaption::Title: lblTitolo->setText(text); break;
    case LyricCaption::Turbo: if (lblTurbo) lblTurbo->setText(text); break;
    case LyricCaption::ChordNow: lblAccordo[0]->setText(text); break;
    case LyricCaption::ChordNext: lblAccordo[1]->setText(text); break;
    case LyricCaption::LyricTooltip: if (tooltip) picLyr->setToolTip(text); break;
    }
}

void LyricControls::showCountdowns(int lyricMs, int chordMs)
{
    picNextLyr->setMs(lyricMs);
    picNextLyrA->setMs(chordMs);
}

void CommandStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rowsCaptionAt + QPoint(0, fontMetrics().ascent()), QStringLiteral(" Rows"));
}

} // namespace lirmus
