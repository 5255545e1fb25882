#pragma once
// What the player keeps about the output of the current song.

namespace lirmus {

struct PlayerState {
    long NextToSend = 1;        ///< next queue index to hand to the output
    long LastToSend = 0;        ///< last queue index to hand over
    long SendOffset = 0;        ///< ms taken off every Time when handing over: the start position
    bool OutputBusy = false;    ///< OutputQueue is running
    bool TimerOutOn = false;    ///< the pump must run on the next TimerOut tick
    bool Paused = false;
    double PlayStartTime = 0;   ///< timer value (s) at queue time 0
    int Transpose = 0;          ///< semitones added to every note outside the drum channel
    long LastMsgTime = 0;       ///< MsgTime of the last message handed over
};

} // namespace lirmus
