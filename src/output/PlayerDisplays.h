#pragma once
// What the player shows, one observer interface per window role. The player
// calls them; the windows implement them and never answer back: everything a
// window needs to know it reads from the player's read-only views. Tests use
// recording doubles, tools the null ones below. The lyric views have their
// role beside the lyric cursor (LyricsDisplay.h).
#include "PlayerState.h"
#include "SongSink.h"

#include <QString>

namespace lirmus {

/// The player window (frmPlay): lamp, position slider, time boxes, transport buttons.
class PlayerDisplay {
public:
    virtual ~PlayerDisplay() = default;
    /// Palette colour (0..15) of the lamp lblWarn.
    virtual void setWarnColor(int paletteIndex) = 0;
    /// Enabled state of lblWarn: enabled means the queue is complete.
    virtual void setWarnEnabled(bool enabled) = 0;
    /// The position slider's range, value and page step.
    virtual void setPositionSlider(int min, int max, int value, int largeChange) = 0;
    /// picTime(2) showing the song length.
    virtual void showSongLength(const QString& text) = 0;
    /// Enables the transport controls as buttons says (cmdPlay, cmdPause, cmdStop, the skip buttons, sliOut).
    virtual void showButtons(const TransportButtons& buttons) = 0;
    /// The window caption ("Play: " and the song).
    virtual void setSongCaption(const QString& text) = 0;
    /// picTime(0) showing the running clock (a diagnostic, seen only with VediTu).
    virtual void showClock(const QString& text) = 0;
    /// picTime(1) showing the song position.
    virtual void showPosition(const QString& text) = 0;
    /// The position slider shows percent (a display only: it never seeks).
    virtual void setPositionValue(int percent) = 0;
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
    /// Every strip's controller sliders at 0 and its meter down (the values are the player's).
    virtual void ResetChannelSliders() = 0;
    /// Every instrument label back to its default text.
    virtual void ResetProgramLabels() = 0;
    /// The tempo change (udTempo) and transposition (udTrans) in force.
    virtual void showTempoAndKey(int tempoPercent, int transpose) = 0;
    /// The whole monitor usable or not (not while the external player plays).
    virtual void setMonitorEnabled(bool enabled) = 0;
    /// Enabled state of the strip picMidi(ch).
    virtual void setStripEnabled(int ch, bool enabled) = 0;
    /// Palette colour (0..15) of the strip's button panel picBut(ch).
    virtual void setStripColor(int ch, int paletteIndex) = 0;
    /// Palette colour and enabled state of the melody panel picMelody.
    virtual void setMelodyPanel(int paletteIndex, bool enabled) = 0;
    /// Value (0..127) of the level meter pgrMidi(ch).
    virtual void setMeter(int ch, int value) = 0;
    /// Caption of the instrument label lblProgram(ch).
    virtual void setProgramCaption(int ch, const QString& text) = 0;
    /// The strip slider of controller row 0..3 shows value: sliOut(ch), sliC1(ch), sliC2(ch), sliC3(ch).
    virtual void setStripSlider(int ch, int row, int value) = 0;
};

/// The application around the windows: messages and notices.
class AppDisplay {
public:
    virtual ~AppDisplay() = default;
    /// A message box with the given text (it may wait for the user: never called from a nested path).
    virtual void messageBox(const QString& text, MessageIcon icon) = 0;
    /// The system beep.
    virtual void beep() = 0;
    /// Gives the focus back to the song browser's list (after a song could not be opened).
    virtual void focusBrowser() = 0;
    /// Tells the user something without stopping anything (no sound card, a port gone): never waits.
    virtual void showNotice(const QString& text) = 0;
};

/// The three roles a piece of the player's logic may talk to.
struct Displays {
    PlayerDisplay& player;
    MonitorDisplay& monitor;
    AppDisplay& app;
};

/// Displays that show nothing (command-line tools, tests of the logic, a player without windows).
class NullDisplays : public PlayerDisplay, public MonitorDisplay, public AppDisplay {
public:
    void setWarnColor(int) override {}
    void setWarnEnabled(bool) override {}
    void setPositionSlider(int, int, int, int) override {}
    void showSongLength(const QString&) override {}
    void showButtons(const TransportButtons&) override {}
    void setSongCaption(const QString&) override {}
    void showClock(const QString&) override {}
    void showPosition(const QString&) override {}
    void setPositionValue(int) override {}
    void setTrackCaption(const QString&) override {}
    void setKeyCaption(const QString&) override {}
    void setTempoCaption(const QString&) override {}
    void ResetChannelSliders() override {}
    void ResetProgramLabels() override {}
    void showTempoAndKey(int, int) override {}
    void setMeter(int, int) override {}
    void setMonitorEnabled(bool) override {}
    void setStripEnabled(int, bool) override {}
    void setStripColor(int, int) override {}
    void setMelodyPanel(int, bool) override {}
    void setProgramCaption(int, const QString&) override {}
    void setStripSlider(int, int, int) override {}
    void messageBox(const QString&, MessageIcon) override {}
    void beep() override {}
    void focusBrowser() override {}
    void showNotice(const QString&) override {}

    /// All three roles of this object.
    Displays displays() { return Displays{*this, *this, *this}; }
};

} // namespace lirmus
