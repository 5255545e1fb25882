#pragma once
// The built-in synthesizer as an output device: FluidSynth with its SoundFont
// loaded (the engine, kept between opens), and the device that applies each
// message at the audio frame of the time it was due.
#include "OutputDevice.h"
#include "SynthDevice.h"

#include <fluidsynth.h>

#include <memory>

namespace lirmus {

class Clock;

/// FluidSynth with its SoundFont loaded.
class SynthEngine {
public:
    SynthEngine();
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};

/// The device on an engine: played through the audio driver the options ask
/// for, or rendered on our own clock when there is no audio output.
std::unique_ptr<OutputDevice> makeSynthOutput(std::shared_ptr<SynthEngine> engine,
                                              const SynthOptions& options, const Clock& clock,
                                              DeviceNotice notice);

} // namespace lirmus
