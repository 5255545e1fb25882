#pragma once
// What the output pump shows or starts in the windows. frmPlay implements it;
// tests use a recording double.
#include <QString>

namespace lirmus {

class OutputView {
public:
    virtual ~OutputView() = default;
    /// Palette colour (0..15) of the lamp lblWarn.
    virtual void setWarnColor(int paletteIndex) = 0;
    /// Caption of the lyrics window's title label lblTitolo.
    virtual void setTitleCaption(const QString& text) = 0;
    /// Arms (true) or disarms the 20 ms timer TimerOut.
    virtual void setTimerOutEnabled(bool enabled) = 0;
    /// Arms the 125 ms display timer Timer1.
    virtual void enableTimer1() = 0;
    /// Computes the first lyric countdown from queue entry 0 (a start from the song's beginning).
    virtual void firstLyricFromStart() = 0;
    /// The display timer now, in seconds.
    virtual double timerNow() const = 0;
    /// Lets pending window events run; a handler run here may raise AbortRequested.
    virtual void processEvents() = 0;
};

} // namespace lirmus
