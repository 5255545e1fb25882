#include "MonitorWidgets.h"

#include "Mixer.h"
#include "Palette.h"

#include <QMouseEvent>
#include <QPainter>

namespace lirmus {

void StripFrame::setCaptions(const std::array<QString, 3>& letters, int x)
{
    letters_ = letters;
    x_ = x;
    update();
}

void StripFrame::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    QPainter p(this);
    QFont f("Arial");
    // Readable however thin the strip: the letters may reach into the line below their own.
    f.setPixelSize(std::clamp(height() / 3 + 2, 10, 12));
    f.setBold(true);
    p.setFont(f);
    p.setPen(paletteColor(9));
    const int line = height() / 3;
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(x_, i * line, width() - x_, line), Qt::AlignLeft | Qt::AlignVCenter, letters_[size_t(i)]);
}

void LevelMeter::setValue(int v)
{
    if (v == value_) return;
    value_ = v;
    update();
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    // Ten boxes at a pitch of a tenth of the width, each with a gap a fifth of the pitch.
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button);
    const int lit = meterSegments(value_);
    const double pitch = width() / 10.0;
    for (int j = 1; j <= 10; ++j) {
        const int x0 = int((j - 1) * pitch), x1 = int((j - 1) * pitch + pitch * 0.8);
        p.fillRect(QRect(x0, 0, std::max(1, x1 - x0), height()), j <= lit ? paletteColor(meterSegmentColor(j)) : face);
    }
}

void ClickLabel::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) emit clicked();
    QLabel::mousePressEvent(e);
}

} // namespace lirmus
