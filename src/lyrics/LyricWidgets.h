#pragma once
// The drawing areas of the lyrics window: the karaoke rows and the text page
// (both drawn by LyricRender in their paint events), the countdown bars and
// the command strip.
#include <QColor>
#include <QWidget>

#include <functional>

namespace lirmus {

class LyricRender;

/// picLyr or picSysex: paints the bands it is asked to from the lyric state.
class LyricBox : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Lyrics, TextPage };
    LyricBox(Kind kind, const LyricRender& render, QWidget* parent);

    /// Repaints row 1..4 only, or the whole box for 0.
    void updateRow(int row);
    /// Called after each paint (the latency benchmark times the repaint with it).
    std::function<void()> afterPaint;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Kind kind_;
    const LyricRender& render_;
};

/// picNextLyr, picNextLyrA: a bar half a twip long per millisecond left.
class CountdownBar : public QWidget {
    Q_OBJECT
public:
    CountdownBar(const QColor& bar, QWidget* parent);
    /// ms left; 0 or less clears the box. Repaints only when the bar's length changes.
    void setMs(int ms);
    int ms() const { return ms_; }
    /// Length of the bar in pixels.
    int barPixels() const;
    void setBackColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor bar_, back_ = Qt::white;
    int ms_ = 0;
};

/// picCmd: the command strip, with the caption " Rows" printed on it.
class CommandStrip : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    /// Where " Rows" is printed, in the strip's pixels.
    QPoint rowsCaptionAt{0, 0};

protected:
    void paintEvent(QPaintEvent* e) override;
};

} // namespace lirmus
