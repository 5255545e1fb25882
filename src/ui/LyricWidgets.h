#pragma once
// The drawing areas of the lyrics window: the karaoke rows and the text page
// (both drawn by LyricRender in their paint events), the pitch guide, the
// countdown bars and the command strip.
#include "GuideRender.h"
#include "LyricsDisplay.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;

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

/// picGuide: the pitch guide as the karaoke screen draws it, on the lyrics' colours.
class GuideBox : public QWidget {
    Q_OBJECT
public:
    GuideBox(const LyricRender& render, QWidget* parent);
    /// What to draw now (none: an empty lane); repaints.
    void setView(std::optional<GuideView> view);
    const std::optional<GuideView>& view() const { return view_; }
    /// What the box says while no song is sung (the last song's score).
    void setIdleText(const QString& text);
    QString idleText() const { return idleText_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const LyricRender& render_;
    std::optional<GuideView> view_;
    QString idleText_;
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
    /// Bar length multiplied by factor (a large screen shows longer bars).
    void setScale(double factor);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor bar_, back_ = Qt::white;
    int ms_ = 0;
    double scale_ = 1.0;
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

class LyricBox;

/// The controls a lyric view shows the cursor's state in, named as the lyrics
/// window names them; the views differ in where they put them.
struct LyricControls {
    LyricBox* picLyr = nullptr;
    LyricBox* picSysex = nullptr;
    CountdownBar* picNextLyr = nullptr;
    CountdownBar* picNextLyrA = nullptr;
    QLabel* lbNLyr = nullptr;
    std::array<QLabel*, 2> lblAccordo{};
    QLabel* lblMarker = nullptr;
    QLabel* lblTitolo = nullptr;
    QLabel* lblTurbo = nullptr; ///< null in a view without the player's diagnostics

    /// Puts a caption in its control; the tooltip goes on picLyr only when tooltip is set.
    void showCaption(LyricCaption which, const QString& text, bool tooltip);
    void showCountdowns(int lyricMs, int chordMs);
};

} // namespace lirmus
