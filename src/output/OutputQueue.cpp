#include "OutputQueue.h"

#include "ControllerTable.h"
#include "LyricCursor.h"
#include "PlayerTimers.h"
#include "MIDIOutput.h"
#include "MidiMessage.h"
#include "SongState.h"

namespace lirmus {
namespace {

bool playing(const MIDIOutput& out) { return out.stateCode() == OutputStateCode::Playing; }

} // namespace

int transposedNote(int note, int transpose)
{
    const int n = note + transpose;
    return n < 0 || n > 127 ? -1 : n;
}

OutputPump::OutputPump(SongState& song, PlayerFlags& flags, PlayerState& player, const ControllerTable& mixer,
                       MIDIOutput& out, PlayerTimers& timers, LyricCursor& lyrics, Displays displays)
    : song_(song), flags_(flags), player_(player), mixer_(mixer), out_(out), timers_(timers), lyrics_(lyrics),
      view_(displays)
{
}

bool OutputPump::OutputQueue()
{
    if (player_.OutputBusy) return false;
    player_.OutputBusy = true;
    const int batch = playing(out_) ? kNextBatch : kFirstBatch;
    SongQueue& q = song_.queue;

    for (int n = 0; n < batch; ++n) {
        // Starting the output may report an error whose handling stops the song.
        if (flags_.AbortRequested) {
            player_.OutputBusy = false;
            timers_.arm(PlayerTimer::Out, false);
            view_.player.setWarnColor(kLampHandedAll);
            return true;
        }
        if (player_.NextToSend > q.MsgCount) {
            // Nothing left to hand over: whatever is queued must play.
            if (!player_.Paused && !playing(out_)) {
                out_.tell(out_.start());
                lyrics_.setTitleCaption(QString("C'\u00e8 casino: %1").arg(player_.NextToSend));
            }
            timers_.arm(PlayerTimer::Out, false);
            player_.OutputBusy = false;
            view_.player.setWarnColor(kLampHandedAll);
            return true;
        }
        if (player_.NextToSend == 1) {
            // An empty message at time 0 anchors the queue's clock at the song start.
            out_.tell(out_.queueMessage(0, std::string_view(), 0));
        }
        handOver(player_.NextToSend);

        ++player_.NextToSend;
        if (player_.NextToSend > player_.LastToSend) {
            view_.player.setWarnColor(flags_.QueueBuilding ? kLampHandedBuilding : kLampHandedAll);
            startIfIdle();
            player_.OutputBusy = false;
            return true;
        }
    }
    if (player_.LastMsgTime > kStartAfterMs) startIfIdle();
    player_.OutputBusy = false;
    timers_.arm(PlayerTimer::Out, true);
    return true;
}

void OutputPump::handOver(long index)
{
    QueueEntry& e = song_.queue[index];
    const int kind = e.Status & 0xF0, channel = e.Status & 0x0F;
    int data1 = e.Data1, data2 = e.Data2;
    bool remembered = false, leftOut = false;

    if (e.Status < 0xF0) {
        switch (kind) {
        case 0xB0: {
            e.Extra = 0;
            const int row = mixer_.rowOf(e.Data1);
            if (row >= 0) {
                e.Extra = e.Data2;
                remembered = true;
                data2 = ApplyMaster(e.Data2, 0, 127, mixer_.CtrlMaster[size_t(row)], mixer_.CtrlMin[size_t(row)]);
            }
            break;
        }
        case 0x90:
            remembered = true;
            [[fallthrough]];
        case 0x80:
        case 0xA0:
            if (channel != kDrumChannel) {
                // A note moved out of range is not sent (its note-off falls out with it);
                // an empty message keeps its time and tag for the dispatcher.
                data1 = transposedNote(e.Data1, player_.Transpose);
                leftOut = data1 < 0;
            }
            break;
        default:
            break;
        }
    }

    const long tag = index == song_.queue.MsgCount || remembered || e.Status == 255 || kind == 0xC0 ? index : 0;
    player_.LastMsgTime = e.Time - player_.SendOffset;
    // What cannot go on the wire (a meta entry, a note moved out of range) goes
    // as an empty message all the same: its report keeps the displays in step.
    bytes_.clear();
    if (!leftOut && encodeMessage(e.Status, data1, data2, e.Status == 240 ? e.sysExBytes().toStdString() : noSysEx_,
                                  bytes_) != MessageKind::Wire)
        bytes_.clear();
    out_.tell(out_.queueMessage(player_.LastMsgTime, std::string_view(bytes_), tag));
}

void OutputPump::startIfIdle()
{
    if (player_.Paused || playing(out_)) return;
    out_.tell(out_.start());
    if (player_.SendOffset == 0) lyrics_.firstLyricFromStart();
    player_.PlayStartTime = timers_.now() - player_.SendOffset / 1000.0;
    timers_.arm(PlayerTimer::Display, true);
}

void OutputPump::TimerOut_Timer()
{
    const bool due = player_.TimerOutOn && !flags_.AbortRequested;
    timers_.arm(PlayerTimer::Out, false);
    if (due) OutputQueue();
}

void OutputPump::OpenOutputDevice(int deviceIndex, bool externalMCI)
{
    if (out_.stateCode() != OutputStateCode::Closed) out_.tell(out_.close());
    out_.setDeviceID(deviceIndex - 1);
    if (!externalMCI) out_.tell(out_.open(deviceIndex - 1));
}

void OutputPump::closeOnUnload()
{
    if (out_.stateCode() != OutputStateCode::Closed) out_.tell(out_.close());
}

} // namespace lirmus
