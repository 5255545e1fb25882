#pragma once
// The player: one owner for the song, the player's state, the channel and
// lyric display state, the MIDI file reader, the output component and the
// output pump. Plain C++: the windows get it from the application object and
// show what it tells their display roles (attached to its hub).
#include "ChannelState.h"
#include "DisplayHub.h"
#include "Dispatcher.h"
#include "ExternalPlayer.h"
#include "Follow.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "OutputQueue.h"
#include "PlayQueue.h"
#include "PlayerState.h"
#include "SongState.h"
#include "SongViews.h"
#include "Transport.h"

#include <QObject>

#include <memory>

namespace lirmus {

class Clock;
struct ControllerTable;
struct Settings;

class Player : private SongOutputStart {
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
    /// What the output's MessageSent reports go to.
    Dispatcher& dispatcher() { return dispatcher_; }
    /// Follows the external sequencer in external-player mode.
    MciFollower& follower() { return follower_; }
    const Settings& settings() const { return settings_; }
    ControllerTable& controllers() { return controllers_; }
    Transport& transport() { return transport_; }
    /// The external player of external-player mode.
    ExternalPlayer& external() { return external_; }
    /// Follows the synthesizer settings (SoundFont, audio file) for the next start.
    void applySynthSettings();
    /// The program ends: every output halted and silenced, devices closed, the recording complete.
    void shutDown();
    /// The lyric cursor: attached to the hub as the lyrics role; the lyric views attach to it.
    LyricCursor& lyrics() { return lyrics_; }

    /// Opens the output device the settings name ([LOAD] MIDIDEVICE, a list position);
    /// a position no longer in the device list opens the mapper instead.
    void openOutput();
    /// Says, once per position, that the device stored at list position `position` is gone.
    void tellMissingDevice(int position);
    /// Loads and prepares the song open in Midifile1; the first pass starts the output.
    void loadSong();
    /// Every controller value of the song forgotten (-1).
    void clearControllerValues();
    /// Enables the channel monitor (off while the external player plays).
    void setMonitorEnabled(bool enabled);

    /// Reports entry index as sent (or reached by the external player) to the dispatcher.
    void MessageSent(long index);

    /// Text widths for the lyric line rule (the lyrics window measures; a fixed width until then).
    void setTextMeasure(TextMeasure* measure) { measure_ = measure ? measure : &fixedMeasure_; }

    // Play queue: the songs after this one; a song's end starts the next.
    PlayQueue& playQueue() { return playQueue_; }
    QueueChain& queueChain() { return queueChain_; }
    /// A song is playing, paused mid-song or loading (a new song then waits in the queue).
    bool songInUse() const;

private:
    void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) override;

    const Settings& settings_;
    ControllerTable& controllers_;
    DisplayHub hub_;
    LyricCursor lyrics_;
    OutputPump pump_;
    Dispatcher dispatcher_;
    MciFollower follower_;
    Transport transport_{*this};
    NullSongViews fixedMeasure_;
    TextMeasure* measure_ = &fixedMeasure_;
    ExternalPlayer external_;
    std::unique_ptr<QObject> context_; // posted reports run in its name
    int missingDeviceTold_ = -1;        // list position of the last missing device we told of
    PlayQueue playQueue_;
    QueueChain queueChain_{transport_, playQueue_};
};

} // namespace lirmus
