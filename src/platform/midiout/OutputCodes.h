#pragma once
// The Action and State codes of the MIDI output, for callers that would
// otherwise keep their own integers. setAction(int) and State() take and give
// the same numbers.

namespace lirmus {

/// What setAction() carries out.
enum class OutputAction : int {
    Open = 1,        ///< open the device selected with setDeviceID
    Close = 2,       ///< stop playing and close the device
    Clear = 3,       ///< drop the unsent messages
    Start = 4,       ///< play the queue (resume when paused)
    Stop = 5,        ///< end playing; unsent messages stay
    Queue = 6,       ///< queue the prepared message
    SendNow = 7,     ///< send the prepared message at once
    PauseResume = 9, ///< pause, or resume when paused
};

/// What State() answers.
enum class OutputStateCode : int {
    Closed = 0,  ///< no device open
    Open = 1,    ///< open and idle
    Playing = 2, ///< playing the queue
    Paused = 4,  ///< paused in the middle of the queue
};

} // namespace lirmus
