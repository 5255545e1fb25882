#pragma once
// The output pump: hands the song's queue to the MIDI output in batches,
// transposed and mixer-scaled, each message tagged for the dispatcher, and
// starts the output once enough music is queued. Runs on the window thread.
#include "PlayerDisplays.h"
#include "PlayerState.h"

#include <string>

namespace lirmus {

class LyricCursor;
class MIDIOutput;
class PlayerTimers;
struct ControllerTable;
struct PlayerFlags;
struct SongState;

/// Lamp colours of lblWarn (palette indexes).
enum WarnLamp { kLampLoaded = 12, kLampStarted = 14, kLampHandedBuilding = 2, kLampHandedAll = 10 };

class OutputPump {
public:
    /// Entries handed over per call before the output plays, and while it plays.
    static constexpr int kFirstBatch = 1500;
    static constexpr int kNextBatch = 500;
    /// Music queued before the output starts without waiting for the batch to end, in ms.
    static constexpr long kStartAfterMs = 3000;
    /// The drum channel (MIDI channel 10) is never transposed.
    static constexpr int kDrumChannel = 9;

    OutputPump(SongState& song, PlayerFlags& flags, PlayerState& player, const ControllerTable& mixer,
               MIDIOutput& out, PlayerTimers& timers, LyricCursor& lyrics, Displays displays);

    /// Hands the next batch of entries NextToSend..LastToSend to the output in
    /// one go. Refused (false) while a batch is already being handed over: an
    /// output report or error handled inside a batch must not start another.
    bool OutputQueue();
    /// The 20 ms tick: runs OutputQueue when the pump is armed and no stop was asked.
    void TimerOut_Timer();
    /// Closes the current device and opens the device at list position deviceIndex (0 = device -1);
    /// nothing is opened while the external player is used.
    void OpenOutputDevice(int deviceIndex, bool externalMCI);
    /// Closes the device when the player unloads.
    void closeOnUnload();

private:
    void handOver(long index);
    void startIfIdle();

    SongState& song_;
    PlayerFlags& flags_;
    PlayerState& player_;
    const ControllerTable& mixer_;
    MIDIOutput& out_;
    PlayerTimers& timers_;
    LyricCursor& lyrics_;
    Displays view_;
    std::string bytes_;         // the message handed over, kept to spare an allocation each
    const std::string noSysEx_;
};

/// A note number moved by transpose, or -1 when it falls outside 0..127.
int transposedNote(int note, int transpose);

} // namespace lirmus
