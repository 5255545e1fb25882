#pragma once
// The channel controls of the monitor as plain code: mute, solo, melody off
// for singing, strip and master sliders, tempo and key, GS reset and panic.
// Every message goes out at once through the output component, untagged.
// The player owns it; the monitor window forwards its handlers here. What
// changes on screen goes to the monitor role, what the player must do through
// MixerHost.
#include "PlayerDisplays.h"

#include <QString>

#include <string>

namespace lirmus {

class MIDIOutput;
class SettingsService;
struct ChannelState;
struct ControllerTable;
struct PlayerFlags;
struct PlayerState;
struct Settings;

/// What the controls ask of the player.
class MixerHost {
public:
    virtual ~MixerHost() = default;
    /// Silences every channel at once.
    virtual void MidiPanic() = 0;
    /// Starts the output again from a queue entry (the transport's OutputSong).
    virtual void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) = 0;
    /// Entries in the song's queue (0: no song).
    virtual long MsgCount() const = 0;
};

class Mixer {
public:
    static constexpr int kLampOn = 10;  ///< light green
    static constexpr int kLampOff = 12; ///< light red
    static constexpr int kVolume = 7;
    static constexpr int kStripRows = 4; ///< rows 0..3 have a strip slider

    Mixer(ChannelState& channels, ControllerTable& table, const Settings& settings, PlayerState& player,
          const PlayerFlags& flags, MIDIOutput& out, MonitorDisplay& view, AppDisplay& app, MixerHost& host);

    /// Where the master levels are stored ([SETUP] "C" + number); null: not stored.
    void setSettingsService(SettingsService* service) { service_ = service; }

    /// New song: no solo, every strip disabled and red, no channel on or used.
    void ResetChannelStates();

    /// A strip slider of row 0..3 moved by the user to value: kept, and sent as below.
    void setStripValue(int row, int ch, int value);

    /// A strip slider of row 0..3 moved to value: the master-scaled controller, if the channel is on.
    void sliControllerChange(int row, int ch, int value);
    /// A master slider moved: stored, and every audible channel with a value of the row sent again.
    void sliMC_Change(int row, int value);

    /// Mute toggle. False (and a beep) when refused: a disabled strip, the soloed
    /// channel, or the melody channel while the melody is off.
    bool cmdOn_Click(int ch);
    /// Solo toggle shared by all strips: a click while a solo is on ends it. False when refused.
    bool cmdSolo_Click(int ch);
    /// Takes the melody out for singing, or puts it back. False (and a beep) during a solo.
    bool cmdMelody_Click();
    void cmdGsReset_Click();
    /// General MIDI and XG System On, for synthesizers that know no GS reset.
    void cmdGmReset_Click();
    void cmdXgReset_Click();
    void cmdPanic_Click();

    /// The tempo change in percent: the output plays at it and the lyric countdown reads it.
    void udTempo_Change(int percent);
    /// The transposition: applied from the next message while a song plays, else only kept for the label.
    void udTrans_Change(int semitones);

    /// An instrument chosen for a channel: the program change, sent at once.
    void sendProgramChange(int ch, int program);

    /// The strip can be used: its channel has sounded and no other channel is soloed.
    bool stripUsable(int ch) const;

private:
    void turnOn(int ch);
    void turnOff(int ch);
    void restoreRows(int ch);
    void sendRow(int ch, int row, int value);

    ChannelState& channels_;
    ControllerTable& table_;
    const Settings& settings_;
    PlayerState& player_;
    const PlayerFlags& flags_;
    MIDIOutput& out_;
    MonitorDisplay& view_;
    AppDisplay& app_;
    MixerHost& host_;
    SettingsService* service_ = nullptr;
};

/// A number with its sign always shown, then suffix: "+0%", "+15%", "-20%", "+3".
QString signedCaption(int value, const QString& suffix = QString());

/// A slider's tooltip: the controller's name, "=" and the value ("Chorus=40").
QString controllerTooltip(const std::string& name, int value);

/// Lit segments (0..10) of a level meter showing value 0..127.
int meterSegments(int value);

/// Palette colour of lit segment 1..10: green to 5, yellow to 8, red above.
int meterSegmentColor(int segment);

} // namespace lirmus
