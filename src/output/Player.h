#pragma once
// The player: one owner for the song, the player's state, the channel and
// lyric display state, the MIDI file reader, the output component and the
// output pump. Plain C++: the windows get it from the application object and
// show what it tells their display roles (attached to its hub).
#include "ChannelState.h"
#include "DisplayHub.h"
#include "Dispatcher.h"
#include "Follow.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "OutputQueue.h"
#include "PlayerState.h"
#include "SongState.h"

#include <QObject>

#include <memory>

namespace lirmus {

class Clock;
struct ControllerTable;
struct Settings;

class Player {
public:
    /// settings and controllers outlive the player (the dispatcher keeps the song's
    /// controller values in the table); clock: null for the steady clock.
    Player(const Settings& settings, ControllerTable& controllers, Clock* clock = nullptr);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    SongState song;
    PlayerFlags flags;
    PlayerState state;
    ChannelState channels;
    LyricDisplayState lyric;
    Midifile Midifile1;
    MIDIOutput MIDIOutput1;

    /// Where the player's displays are attached (the windows do it).
    DisplayHub& hub() { return hub_; }
    Displays displays() { return hub_.displays(); }
    OutputPump& pump() { return pump_; }
    /// What the output's MessageSent reports go to (the player window forwards them).
    Dispatcher& dispatcher() { return dispatcher_; }
    /// Follows the external sequencer in external-player mode.
    MciFollower& follower() { return follower_; }
    const Settings& settings() const { return settings_; }
    const ControllerTable& controllers() const { return controllers_; }

    /// Opens the output device the settings name ([LOAD] MIDIDEVICE, a list position).
    void openOutput();

private:
    const Settings& settings_;
    ControllerTable& controllers_;
    DisplayHub hub_;
    OutputPump pump_;
    Dispatcher dispatcher_;
    MciFollower follower_;
    std::unique_ptr<QObject> context_; // posted reports run in its name
};

} // namespace lirmus
