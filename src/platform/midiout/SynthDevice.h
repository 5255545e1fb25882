#pragma once
// The built-in synthesizer: FluidSynth with a General MIDI SoundFont, played
// through FluidSynth's audio driver, or rendered on our own clock when there
// is no audio output. Each message is applied at the audio frame of the time
// it was due, so the optional WAV recording is aligned to the real clock.
#include "OutputDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace lirmus {

class Clock;
class SynthEngine;
class RecordingTakes;

/// Sample rate of the built-in synthesizer and of its recordings.
constexpr int kSynthRate = 44100;

/// An audio driver of our own for machines without a sound card (tests,
/// benchmarks): a thread on the steady clock pulls the audio period by period
/// through the same callback a FluidSynth driver calls, and drops it. FluidSynth's
/// own "file" driver cannot serve: it renders by itself and takes no callback.
inline constexpr const char* kTimerAudioDriver = "lirmus-timer";

/// Settings of the built-in synthesizer.
struct SynthOptions {
    std::string soundFont;    ///< "" = the system's default General MIDI SoundFont
    /// The WAV files written while the queue plays, one take per song; null = none.
    std::shared_ptr<RecordingTakes> recording;
    bool audioOutput = true;  ///< false = never open a sound card (render on our clock only)
    /// FluidSynth audio driver ("" = the usual ones in order, see audioDriverOrder), or kTimerAudioDriver.
    std::string audioDriver;
};

/// The FluidSynth audio drivers to try, in order: the one asked for, or else
/// PulseAudio (which PipeWire serves too), ALSA, JACK.
std::vector<std::string> audioDriverOrder(const std::string& asked);

/// Keeps the loaded SoundFont between a close and the next open (loading takes a while).
struct SynthCache {
    std::shared_ptr<SynthEngine> engine;
    std::string soundFontSetting;
};

/// The SoundFonts looked for when none is set, in order.
std::vector<std::string> defaultSoundFonts();

/// FluidSynth's version as major × 256 + minor.
int synthVersion();

/// Opens the synthesizer; problems it can play on with go to notice. Null and
/// error only when FluidSynth itself cannot start.
std::unique_ptr<OutputDevice> openSynth(const SynthOptions& options, SynthCache& cache,
                                        const Clock& clock, DeviceNotice notice,
                                        std::string& error);

} // namespace lirmus
