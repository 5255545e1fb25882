#pragma once
// The player: the one owner of playback. It owns the song, the player's,
// channel and lyric display state, the MIDI file reader, the output
// component, the pump, the dispatcher, the mixer, the timers and the play
// queue. Windows change it only through its commands (the transport, the
// mixer, the play queue and the calls below) and read it through read-only
// views; what changes is told to the display roles attached to its hub and to
// the lyric views attached to its lyric cursor.
#include "ChannelState.h"
#include "Clock.h"
#include "DisplayHub.h"
#include "Dispatcher.h"
#include "ExternalPlayer.h"
#include "Follow.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "Mixer.h"
#include "OutputQueue.h"
#include "PlayQueue.h"
#include "PlayerState.h"
#include "PlayerTimers.h"
#include "ScreenRender.h"
#include "SongSink.h"
#include "SongState.h"
#include "Transport.h"
#include "VoiceTap.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace lirmus {

struct ControllerTable;
class SettingsService;
struct Settings;

class Player : private SongSink, private MixerHost {
public:
    /// settings and controllers outlive the player (the dispatcher keeps the song's
    /// controller values in the table); clock: null for the steady clock and real
    /// timers, a manual clock for timers the owner ticks (tests).
    Player(const Settings& settings, ControllerTable& controllers, Clock* clock = nullptr);
    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Read-only views.
    const SongState& song() const { return song_; }
    const PlayerState& state() const { return state_; }
    const PlayerFlags& flags() const { return flags_; }
    const ChannelState& channels() const { return channels_; }
    const LyricDisplayState& lyric() const { return lyric_; }
    const Settings& settings() const { return settings_; }
    const ControllerTable& controllers() const { return controllers_; }
    /// The song clock, in seconds.
    double timerNow() const { return timers_.now(); }
    /// A song is playing, paused mid-song or loading (a new song then waits in the queue).
    bool songInUse() const;

    // Commands.
    /// Start, stop, pause, seek, the timers' handlers.
    Transport& transport() { return transport_; }
    /// Mute, solo, melody, strip and master sliders, tempo, key, resets, panic.
    Mixer& mixer() { return mixer_; }
    /// The songs after this one; a song's end starts the next.
    PlayQueue& playQueue() { return playQueue_; }
    QueueChain& queueChain() { return queueChain_; }
    /// The song to play next, its stored transposition and saved tempo change (nothing starts).
    void chooseSong(const QString& file, int transpose, std::optional<int> tempo = {});
    /// Chooses file and starts it (cued when AutoStart is on), at its saved tempo change when it has one.
    void playSong(const QString& file, int transpose, const QString& singer = QString(), std::optional<int> tempo = {});
    /// Songs start behind a title card (the karaoke screen shows it): without AutoStart a song
    /// chosen then waits ScreenCardSeconds before it plays (Play starts it at once, Stop drops it).
    void setTitleCards(bool on);
    /// The card to show now: the song waiting behind its card or cued for Play, or the first
    /// queued song when none is chosen; none while a song plays or cards are off. Cheap: a
    /// screen may ask every frame.
    std::optional<TitleCard> titleCard() const;
    /// Who asked for the song chosen last ("" when nobody was named).
    const QString& singer() const { return singer_; }
    /// A song waits behind its card.
    bool songWaiting() const { return pending_.has_value(); }
    /// Who sings the song in use, waiting behind its card or cued and not yet sung ("" when
    /// nobody, or nobody was named).
    QString singerOnStage() const;
    /// Seconds until the song in use ends (0 when none is).
    double secondsLeft() const;
    /// Nothing is in use, waits or is cued for a singer: a song asked for now may start at once.
    bool stageFree() const;
    /// Songs handed over (another copy's command line, several dropped at once):
    /// the first plays unless a song is in use, the rest join the queue.
    void handOver(const QStringList& files);
    /// Files dropped on the player: one is started as before (anything but a
    /// song beeps); of several, the songs are handed over and the rest beep.
    void dropSongs(const QStringList& files);
    /// Follows the synthesizer settings (SoundFont, audio file) for the next start.
    void applySynthSettings();
    /// The voice the recording mixes in, for the microphone to feed (nullptr: none is recorded).
    std::shared_ptr<VoiceTap> voiceTap() const { return takes_ ? voiceTap_ : nullptr; }
    /// The song has ended (or another starts): the next start records a new take.
    void endTake();
    /// Opens the output device the settings name ([LOAD] MIDIDEVICE, a list position);
    /// a position no longer in the device list opens the mapper instead.
    void openOutput();
    /// Says, once per position, that the device stored at list position `position` is gone.
    void tellMissingDevice(int position);
    /// Enables the channel monitor (off while the external player plays).
    void setMonitorEnabled(bool enabled);
    /// Where the master levels are stored (null: not stored).
    void setSettingsService(SettingsService* service) { mixer_.setSettingsService(service); }
    /// The program ends: every output halted and silenced, devices closed, the recording complete.
    void shutDown();

    // Where the windows attach.
    /// The display roles (player window, channel monitor, application).
    DisplayHub& hub() { return hub_; }
    /// The lyric cursor: the lyric views attach to it.
    LyricCursor& lyrics() { return lyrics_; }
    const LyricCursor& lyrics() const { return lyrics_; }

    // The outside components.
    MIDIOutput& output() { return MIDIOutput1; }
    const MIDIOutput& output() const { return MIDIOutput1; }
    /// The external player of external-player mode.
    ExternalPlayer& external() { return external_; }
    /// Reports entry index as sent (or reached by the external player) to the dispatcher.
    void MessageSent(long index);
    /// Runs timer t's handler now if it is armed (tests on a manual clock tick the timers).
    void tick(PlayerTimer t) { timers_.tick(t); }

private:
    friend class Transport;

    /// Loads and prepares the song open in Midifile1 in one go; the first pass starts the output.
    void loadSong();
    /// Every strip slider at 0 and every meter down, on screen too.
    void resetChannelSliders();

    // What song loading and preparation report.
    void songReset() override;
    void songRefused(const QString& message, MessageIcon icon, bool beep) override;
    void songCaption(SongCaption which, const QString& text) override;
    void passSorted() override;
    void lyricsReady() override;
    void chordsReady() override;
    void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) override;
    void queueComplete(long lengthMs) override;
    // What the mixer asks of the player.
    void MidiPanic() override;
    long MsgCount() const override { return song_.queue.MsgCount; }

    const Settings& settings_;
    ControllerTable& controllers_;
    SteadyClock steady_;
    const Clock& clock_;
    // Posted reports run in its name; it outlives the output, whose reports
    // are stopped before anything they call goes.
    std::unique_ptr<QObject> context_;
    SongState song_;
    PlayerFlags flags_;
    PlayerState state_;
    ChannelState channels_;
    LyricDisplayState lyric_;
    Midifile Midifile1;
    MIDIOutput MIDIOutput1;
    DisplayHub hub_;
    PlayerTimers timers_;
    LyricCursor lyrics_;
    OutputPump pump_;
    Dispatcher dispatcher_;
    MciFollower follower_;
    Mixer mixer_;
    Transport transport_{*this};
    ExternalPlayer external_;
    std::shared_ptr<RecordingTakes> takes_; // both synthesizers record to them
    std::shared_ptr<VoiceTap> voiceTap_;    // the singer's voice on its way into them
    // The song behind its title card, and the singer of the song chosen.
    struct PendingSong {
        QString file;
        int transpose = 0;
        QString singer;
        double startsAt = 0; // on the song clock
        std::optional<int> tempo;
    };
    std::optional<PendingSong> pending_;
    bool titleCards_ = false;
    QString singer_;
    mutable QString creditsFile_; // the last file whose credits were read, and them
    mutable SongCredits credits_;
    /// Starts the song behind the card now (Play, or its time is up).
    void startPending();
    /// Stop: the song behind the card does not start.
    void dropPending();
    void startSong(const QString& file, int transpose, const QString& singer, std::optional<int> tempo);
    const SongCredits& creditsOf(const QString& file) const;
    int missingDeviceTold_ = -1; // list position of the last missing device we told of
    PlayQueue playQueue_;
    QueueChain queueChain_{transport_, playQueue_};
};

} // namespace lirmus
