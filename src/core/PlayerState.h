#pragma once
// What the player keeps about the current song and its output: plain data
// owned by the Player object; the windows read it through the player's
// read-only views and change it only through the player's commands.
#include <QString>
#include <optional>

namespace lirmus {

/// Flags the preparation shares with the transport and the output pump.
struct PlayerFlags {
    bool AbortRequested = false;  ///< raised by InterrompiTutto: long loops stop at their next check
    bool QueueBuilding = false;   ///< true while QueueSong runs (cleared on every return)
    bool QueueMerging = false;    ///< true while QueueSong sorts a pass (InterrompiTutto waits for it)
};

/// Which transport controls may be used now; the player window mirrors it.
struct TransportButtons {
    bool Play = false;
    bool Pause = false;
    bool Stop = false;
    bool Seek = false;   ///< the position slider and the skip buttons
};

struct PlayerState {
    // The song chosen to play.
    QString SongFile;           ///< the song to play next ("" = none chosen)
    int SongTranspose = 0;      ///< its stored transposition (from the library)
    int SongTempoChange = 0;    ///< its tempo change in percent
    std::optional<int> SongSavedTempo; ///< the tempo change kept with it in the library, if any

    TransportButtons buttons;   ///< nothing to play until a song is chosen
    bool Loading = false;       ///< Start_Play is loading a song

    // The output pump.
    long NextToSend = 1;        ///< next queue index to hand to the output
    long LastToSend = 0;        ///< last queue index to hand over
    long SendOffset = 0;        ///< ms taken off every Time when handing over: the start position
    bool OutputBusy = false;    ///< OutputQueue is running
    bool TimerOutOn = false;    ///< the 20 ms pump timer TimerOut is armed: the pump runs on its tick
    bool Timer1On = false;      ///< the 125 ms display timer Timer1 is armed
    bool Timer2On = false;      ///< the 75 ms external-player timer Timer2 is armed
    bool CardTimerOn = false;   ///< a song waits behind its title card
    bool QueueComplete = false; ///< the whole song is in the queue (the lamp lblWarn is enabled)
    bool Paused = false;
    double PlayStartTime = 0;   ///< timer value (s) at queue time 0
    int Transpose = 0;          ///< semitones added to every note outside the drum channel
    long LastMsgTime = 0;       ///< MsgTime of the last message handed over

    // Progress of the song as reported back.
    long CurrentIndex = 0;      ///< queue index of the last entry reported sent
    double LastSliderPercent = 0;
    int SliderPercent = 0;      ///< where the position slider stands, percent of the song
    bool SliderByProgram = false; ///< the program moves the position slider: its handler ignores it
    bool SliderDragging = false;  ///< the user holds the position slider

    // The external player.
    bool MciOpen = false;       ///< the external sequencer is open and playing the song
    long MciFollowIndex = 1;    ///< next queue index to show in external-player mode
    long MciFollowLast = 0;     ///< last queue index at or before the sequencer's position
};

} // namespace lirmus
