#pragma once
// What the player's logic shows, one interface per window role. The windows
// implement them; tests use recording doubles, tools the null ones below.
#include "PlayerState.h"

#include <QString>

namespace lirmus {

/// The player window (frmPlay): lamp, position slider, song clock and its timers.
class PlayerDisplay {
public:
    virtual ~PlayerDisplay() = default;
    /// Palette colour (0..15) of the lamp lblWarn.
    virtual void setWarnColor(int paletteIndex) = 0;
    /// Enabled state of lblWarn: enabled means the queue is complete.
    virtual void setWarnEnabled(bool enabled) = 0;
    /// The position slider sliOut (moved with SliderByProgram set).
    virtual void setPositionSlider(int min, int max, int value, int largeChange) = 0;
    /// picTime(2) cleared and showing the song length.
    virtual void showSongLength(const QString& text) = 0;
    /// Arms (true) or disarms the 20 ms timer TimerOut.
    virtual void setTimerOutEnabled(bool enabled) = 0;
    /// The display timer now, in seconds.
    virtual double timerNow() const = 0;

    // The transport.
    /// Enables the transport controls as buttons says (cmdPlay, cmdPause, cmdStop, the skip buttons, sliOut).
    virtual void showButtons(const TransportButtons& buttons) = 0;
    /// Arms or disarms the 125 ms display timer Timer1.
    virtual void setTimer1Enabled(bool enabled) = 0;
    virtual bool timer1Enabled() const = 0;
    /// Arms or disarms the 75 ms external-player timer Timer2.
    virtual void setTimer2Enabled(bool enabled) = 0;
    /// The position slider's value (percent of the song).
    virtual int sliderValue() const = 0;
    /// The window caption ("Play: " and the song).
    virtual void setSongCaption(const QString& text) = 0;
    /// Whether lblWarn is enabled (the queue is complete).
    virtual bool isWarnEnabled() const = 0;
    /// picTime(0) cleared and showing the running clock (a diagnostic, seen only with VediTu).
    virtual void showClock(const QString& text) = 0;
    /// picTime(1) cleared and showing the song position.
    virtual void showPosition(const QString& text) = 0;
    /// The position slider sliOut moved to percent: the change seeks unless SliderByProgram is set.
    virtual void setPositionValue(int percent) = 0;
};

/// The lyrics window (frmLyric).
class LyricsDisplay {
public:
    virtual ~LyricsDisplay() = default;
    /// Caption of the next-lyric label lbNLyr.
    virtual void setNextLyricCaption(const QString& text) = 0;
    /// Caption of lblMarker.
    virtual void setMarkerCaption(const QString& text) = 0;
    /// Caption of the title label lblTitolo (the title itself is kept in the song).
    virtual void setTitleCaption(const QString& text) = 0;
    /// Caption of the diagnostic label lblTurbo (the fast-start offset in ms).
    virtual void setTurboCaption(const QString& text) = 0;
    /// New song: the lyric rows and the text page emptied, the countdowns stopped.
    virtual void resetLyricState() = 0;
    /// Fills rows fromRow..KaraokeRows with the first lyric lines.
    virtual void StartLyric(int fromRow) = 0;
    /// Shows the first chords.
    virtual void StartLyricA() = 0;
    /// Computes the first lyric countdown from queue entry 0 (a start from the song's beginning).
    virtual void firstLyricFromStart() = 0;
    /// Empties the lyric rows, chords and countdowns (a stop or a new song).
    virtual void ClearLyricDisplay() = 0;
    /// Redraws the rows for song time ms (a seek).
    virtual void RiposizionaKaraoke(long ms) = 0;
    /// Draws the syllable and chord countdown bars for the timer value now (seconds).
    virtual void drawCountdowns(double now) = 0;
    /// A syllable has been sung: line, 1-based column of the syllable in it, its text.
    virtual void PrintLyric(int line, int column, const QString& text) = 0;
    /// A chord has been reached: its number and text (with the "%" prefix); column unused.
    virtual void PrintLyricA(int chordNo, int column, const QString& text) = 0;
    /// Timer seconds at which the next event gapMs ahead is due, at the current tempo change.
    virtual double CalcolaProssimaLyr(long gapMs) = 0;
    /// Clears text-page row (1..4).
    virtual void ClearSysexRow(int row) = 0;
    /// Draws text-page row (1..4) from SysexRows.
    virtual void PrintSysexRow(int row) = 0;
    /// Paints text-page row (1..4) as sung.
    virtual void PrintSysexRowSung(int row) = 0;
    /// Sizes the lyric rows (and the text page beside or below them) for the font and row count.
    virtual void PreparaAltezza() = 0;

    // Karaoke display
    /// Applies the karaoke font and colours, then sizes the rows (the options dialog after a change).
    virtual void PreparaPicLyric() = 0;
};

/// The channel monitor (frmIndic).
class MonitorDisplay {
public:
    virtual ~MonitorDisplay() = default;
    /// Caption of the diagnostic label lblTrack.
    virtual void setTrackCaption(const QString& text) = 0;
    /// Caption of lblKey (the song's key).
    virtual void setKeyCaption(const QString& text) = 0;
    /// Caption of lblTempo.
    virtual void setTempoCaption(const QString& text) = 0;
    /// New song: SoloChannel = -1, then every strip disabled and red, ChannelOn and ChannelUsed false.
    virtual void ResetChannelStates() = 0;
    /// Every strip's controller sliders and meter back to their rest positions.
    virtual void ResetChannelSliders() = 0;
    /// Every instrument label back to its default text.
    virtual void ResetProgramLabels() = 0;
    /// The tempo change (udTempo) and transposition (udTrans) the song starts with.
    virtual void showTempoAndKey(int tempoPercent, int transpose) = 0;
    /// The whole monitor usable or not (not while the external player plays).
    virtual void setMonitorEnabled(bool enabled) = 0;
    /// Enabled state of the strip picMidi(ch).
    virtual void setStripEnabled(int ch, bool enabled) = 0;
    /// Palette colour (0..15) of the strip's button panel picBut(ch).
    virtual void setStripColor(int ch, int paletteIndex) = 0;
    /// Value (0..127) of the level meter pgrMidi(ch).
    virtual void setMeter(int ch, int value) = 0;
    /// Caption of the instrument label lblProgram(ch).
    virtual void setProgramCaption(int ch, const QString& text) = 0;
    /// Value of the strip slider of controller row 0..3: sliOut(ch), sliC1(ch), sliC2(ch), sliC3(ch).
    virtual void setStripSlider(int ch, int row, int value) = 0;
};

/// How a message box looks.
enum class MessageIcon { Plain, Exclamation };

/// The application around the windows: messages and the event loop.
class AppDisplay {
public:
    virtual ~AppDisplay() = default;
    /// A modal message box with the given text.
    virtual void messageBox(const QString& text, MessageIcon icon) = 0;
    /// Lets pending window events run; a handler run here may raise AbortRequested.
    virtual void processEvents() = 0;
    /// The system beep.
    virtual void beep() = 0;
    /// Gives the focus back to the song browser's list (after a song could not be opened).
    virtual void focusBrowser() = 0;

    // Notices of the outside components.
    /// Tells the user something without stopping anything (no sound card, a port gone): never waits.
    virtual void showNotice(const QString& text) = 0;
};

/// The four roles a piece of logic may talk to.
struct Displays {
    PlayerDisplay& player;
    LyricsDisplay& lyrics;
    MonitorDisplay& monitor;
    AppDisplay& app;
};

/// Displays that show nothing (command-line tools, tests of the logic, a player without windows).
class NullDisplays : public PlayerDisplay, public LyricsDisplay, public MonitorDisplay, public AppDisplay {
public:
    void setWarnColor(int) override {}
    void setWarnEnabled(bool) override {}
    void setPositionSlider(int, int, int, int) override {}
    void showSongLength(const QString&) override {}
    void setTimerOutEnabled(bool) override {}
    double timerNow() const override { return 0; }
    void showButtons(const TransportButtons&) override {}
    void setTimer1Enabled(bool) override {}
    bool timer1Enabled() const override { return false; }
    void setTimer2Enabled(bool) override {}
    int sliderValue() const override { return 0; }
    void setSongCaption(const QString&) override {}
    bool isWarnEnabled() const override { return true; } // no lamp: a prepared queue counts as complete
    void showClock(const QString&) override {}
    void showPosition(const QString&) override {}
    void setPositionValue(int) override {}
    void setNextLyricCaption(const QString&) override {}
    void setMarkerCaption(const QString&) override {}
    void setTitleCaption(const QString&) override {}
    void setTurboCaption(const QString&) override {}
    void resetLyricState() override {}
    void StartLyric(int) override {}
    void StartLyricA() override {}
    void firstLyricFromStart() override {}
    void ClearLyricDisplay() override {}
    void RiposizionaKaraoke(long) override {}
    void drawCountdowns(double) override {}
    void PrintLyric(int, int, const QString&) override {}
    void PrintLyricA(int, int, const QString&) override {}
    double CalcolaProssimaLyr(long) override { return 0; }
    void ClearSysexRow(int) override {}
    void PrintSysexRow(int) override {}
    void PrintSysexRowSung(int) override {}
    void PreparaAltezza() override {}
    void setTrackCaption(const QString&) override {}
    void setKeyCaption(const QString&) override {}
    void setTempoCaption(const QString&) override {}
    void ResetChannelStates() override {}
    void ResetChannelSliders() override {}
    void ResetProgramLabels() override {}
    void showTempoAndKey(int, int) override {}
    void setMeter(int, int) override {}
    void setMonitorEnabled(bool) override {}
    void setStripEnabled(int, bool) override {}
    void setStripColor(int, int) override {}
    void setProgramCaption(int, const QString&) override {}
    void setStripSlider(int, int, int) override {}
    void messageBox(const QString&, MessageIcon) override {}
    void processEvents() override {}
    void beep() override {}
    void focusBrowser() override {}
    void showNotice(const QString&) override {}

    // Karaoke display
    void PreparaPicLyric() override {}

    /// All four roles of this object.
    Displays displays() { return Displays{*this, *this, *this, *this}; }
};

} // namespace lirmus
