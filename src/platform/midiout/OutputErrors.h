#pragma once
// Numbers carried by the MIDI output's error event.
#include <string>

namespace lirmus {

enum MidiOutputError : int {
    kErrorBadDevice = 2,      ///< no device has the number put in DeviceID
    kErrorOpenFailed = 4,     ///< the device exists but cannot be opened
    kErrorNotOpen = 5,        ///< playing was asked for while no device is open
    kErrorBadMessage = 6,     ///< an immediate message that cannot be sent as prepared
    kErrorBadAction = 7,      ///< an Action code the component does not know
    kErrorSendFailed = 8,     ///< the device refused a message (a port that went away)
    kErrorNoSoundFont = 10,   ///< no SoundFont could be loaded; the synthesizer is silent
    kErrorSoundFontMoved = 11, ///< the chosen SoundFont is missing; a default one is used
    kErrorNoAudio = 12,       ///< no audio output; the synthesizer plays on without sound
    kErrorAudioFile = 13,     ///< the audio file cannot be written
};

/// What a call of the output ran into: number 0 (false) when nothing.
struct OutputError {
    int number = 0;
    std::string message;
    explicit operator bool() const { return number != 0; }
};

} // namespace lirmus
