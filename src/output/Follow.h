#pragma once
// Following an external player: the queue searches by time and the position
// follower that feeds the dispatcher the entries the sequencer has reached.
#include <functional>

namespace lirmus {

class Dispatcher;
struct PlayerFlags;
struct PlayerState;
struct SongQueue;
struct SongState;

/// The first queue index whose Time is at least ms; 0 when there is none or the queue is empty.
long FindIndexAt(const SongQueue& q, long ms);

/// The last queue index at or before ms, searching up from fromIndex: MsgCount
/// when ms is after the last entry; 0 when entry fromIndex is already later
/// than ms or fromIndex is past MsgCount; else the first entry exactly at ms,
/// or the one before the first entry later than ms.
long LastIndexAt(const SongQueue& q, long fromIndex, long ms);

class MciFollower {
public:
    /// The sequencer's position in ms from the start of the file.
    using PositionSource = std::function<double()>;

    MciFollower(const SongState& song, PlayerFlags& flags, PlayerState& player, Dispatcher& dispatcher);

    /// Where the position is asked (the external sequencer).
    void setPositionSource(PositionSource source) { position_ = std::move(source); }

    /// While MciOpen: shows every meta, note-on, controller and program entry
    /// from MciFollowIndex up to the sequencer's position (less TimeOffset),
    /// letting window events run after each; ends the song through Stop_Play
    /// once the position passes the song's length.
    void FollowMciPosition();

private:
    const SongState& song_;
    PlayerFlags& flags_;
    PlayerState& player_;
    Dispatcher& dispatcher_;
    PositionSource position_;
    bool following_ = false; // window events run inside: a second poll must not start then
};

} // namespace lirmus
