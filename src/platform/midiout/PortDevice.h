#pragma once
// MIDI output ports through RtMidi: the ALSA sequencer and JACK.
#include "OutputDevice.h"

#include <memory>
#include <vector>

namespace lirmus {

/// One output port as listed.
struct PortInfo {
    std::string name;     ///< as shown in the device list
    std::string portName; ///< as RtMidi names it
    int api = 0;          ///< RtMidi::Api
};

/// The output ports of the ALSA sequencer (when it exists) and of JACK (when
/// a server runs). Systems that are absent are skipped without a word.
std::vector<PortInfo> listMidiPorts();

/// Opens the port of that name again (ports come and go); null and error when it is gone.
std::unique_ptr<OutputDevice> openMidiPort(const PortInfo& port, std::string& error);

/// RtMidi's version as major × 256 + minor.
int rtMidiVersion();

} // namespace lirmus
