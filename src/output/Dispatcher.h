#pragma once
// The message-sent dispatcher: runs for every tagged queue entry the output
// reports as sent (or the external-player follower reaches) and brings the
// song's progress to the screen: clock, position, lyrics, chords, markers,
// the text page and the channel monitor. It also re-imposes the solo, the
// melody mute and the master levels on the song's controller messages.
// Runs on the window thread; the player window forwards its event here.
#include "PlayerDisplays.h"

#include <functional>
#include <string>
#include <vector>

namespace lirmus {

class LyricCursor;
class MIDIOutput;
struct ChannelState;
struct ControllerTable;
struct LyricDisplayState;
struct PlayerFlags;
struct PlayerState;
struct QueueEntry;
struct Settings;
struct SongState;

/// What ends playback when the last queue entry has been sent.
class SongEnd {
public:
    virtual ~SongEnd() = default;
    /// Stops the song and resets the displays.
    virtual void Stop_Play() = 0;
};

class Dispatcher {
public:
    Dispatcher(SongState& song, PlayerFlags& flags, PlayerState& player, ChannelState& channels,
               LyricDisplayState& lyric, ControllerTable& mixer, const Settings& settings, MIDIOutput& out,
               std::function<double()> timerNow, LyricCursor& lyrics, Displays displays);

    /// Where Stop_Play goes (the transport); null: the last entry only stops the display.
    void setSongEnd(SongEnd* end) { songEnd_ = end; }
    SongEnd* songEnd() const { return songEnd_; }

    /// The entry with queue index tag has been sent. Tag 0 (messages outside
    /// the song) and tags outside the queue are ignored; nothing at all happens
    /// while AbortRequested is set. The last entry calls Stop_Play.
    void MIDIOutput1_MessageSent(long tag);

private:
    void showPosition(const QueueEntry& e);
    void showMeta(long tag, const QueueEntry& e);
    void showTextPage(long tag, const QueueEntry& e);
    void markFirstSound(const QueueEntry& e);
    void noteOn(const QueueEntry& e);
    void programChange(const QueueEntry& e);
    void controlChange(const QueueEntry& e);
    /// The strip slider of row 0..3 now stands at value (the song moved it).
    void setStripSlider(int ch, int row, int value);
    /// CalcolaProssimaLyr(gapMs), or 0 (no countdown) when that is less than half a second away.
    double countdown(long gapMs);

    SongState& song_;
    PlayerFlags& flags_;
    PlayerState& player_;
    ChannelState& channels_;
    LyricDisplayState& lyric_;
    ControllerTable& mixer_;
    const Settings& settings_;
    MIDIOutput& out_;
    std::function<double()> timerNow_; // the song clock, seconds
    LyricCursor& lyrics_;
    Displays view_;
    SongEnd* songEnd_ = nullptr;
};

/// The drum kit caption of a program change on the drum channel: "Drum " and
/// the kit's name from kits, or "Drum " and the number as three digits when
/// no kit has that number.
QString drumCaption(const std::vector<std::string>& kits, int program);

} // namespace lirmus
