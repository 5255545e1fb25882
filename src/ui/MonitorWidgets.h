#pragma once
// The small widgets the channel monitor is built of: the strip that prints
// its one-letter captions, the ten-segment level meter and a clickable label.
#include <QFrame>
#include <QLabel>

#include <array>

namespace lirmus {

/// One channel strip (picMidi): prints the first letters of the three small sliders' names.
class StripFrame : public QFrame {
public:
    explicit StripFrame(QWidget* parent) : QFrame(parent) {}
    /// The three captions and where they go (pixels from the strip's left).
    void setCaptions(const std::array<QString, 3>& letters, int x);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::array<QString, 3> letters_;
    int x_ = 0;
};

/// The level meter (ppgrMidi): value 0..127 shown as ten segments.
class LevelMeter : public QWidget {
public:
    explicit LevelMeter(QWidget* parent) : QWidget(parent) {}
    int value() const { return value_; }
    /// Repaints only when the value changes.
    void setValue(int v);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int value_ = 0;
};

/// A label with a click event.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent) : QLabel(parent) {}
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

} // namespace lirmus
