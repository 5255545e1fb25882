#include "Follow.h"

#include "Dispatcher.h"
#include "PlayerState.h"
#include "SongState.h"

#include <cmath>

namespace lirmus {
namespace {

// What the dispatcher shows: meta entries, note-ons, controllers, programs.
bool shown(int status)
{
    const int kind = status & 0xF0;
    return status == 255 || kind == 0x90 || kind == 0xB0 || kind == 0xC0;
}

} // namespace

long FindIndexAt(const SongQueue& q, long ms) { return q.firstAtOrAfter(ms); }

long LastIndexAt(const SongQueue& q, long fromIndex, long ms) { return q.positionOf(ms, fromIndex); }

MciFollower::MciFollower(const SongState& song, PlayerFlags& flags, PlayerState& player, Dispatcher& dispatcher)
    : song_(song), flags_(flags), player_(player), dispatcher_(dispatcher)
{
}

void MciFollower::FollowMciPosition()
{
    if (!player_.MciOpen || following_ || !position_) return;
    following_ = true;
    const long pos = long(std::nearbyint(position_())) - song_.queue.TimeOffset;
    if (song_.SongLength < pos) {
        following_ = false;
        if (SongEnd* end = dispatcher_.songEnd()) end->Stop_Play();
        return;
    }
    const long first = player_.MciFollowIndex;
    const long last = LastIndexAt(song_.queue, first, pos);
    player_.MciFollowLast = last;
    bool ranToEnd = true;
    for (long i = first; i <= last; ++i) {
        if (flags_.AbortRequested) {
            ranToEnd = false;
            break;
        }
        // Looked up afresh each time: the last entry ends the song and may start the next.
        if (i > song_.queue.MsgCount) break;
        if (!shown(song_.queue[i].Status)) continue;
        dispatcher_.MIDIOutput1_MessageSent(i);
    }
    // Nothing due yet (last is 0 or behind us) leaves the place as it is:
    // moving it to last + 1 would show the whole song again from entry 1.
    if (ranToEnd && !flags_.AbortRequested && last >= first) player_.MciFollowIndex = last + 1;
    following_ = false;
}

} // namespace lirmus
