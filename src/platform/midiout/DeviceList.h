#pragma once
// The output devices as the device list numbers them: -1 the default (the
// built-in synthesizer, listed as the mapper), 0 the built-in synthesizer by
// name, 1 and up the MIDI ports found when the list was last read.
#include "PortDevice.h"

#include <string>
#include <vector>

namespace lirmus {

/// Kinds of device, as the device list reports them.
enum DeviceTechnology : int { kTechPort = 1, kTechSynth = 2, kTechMapper = 5 };

class DeviceList {
public:
    /// Reads the MIDI ports again; returns the number of devices from 0 on.
    int refresh();
    /// Number of devices from 0 on (reads the ports the first time).
    int count();
    /// True for -1 .. count() - 1.
    bool exists(int id);
    /// Kind of device id (0 when there is none).
    int technology(int id);
    /// Version of the library behind device id, major × 256 + minor (0 when none).
    int driverVersion(int id);
    /// Name of device id ("" when none).
    std::string name(int id);
    /// The port behind device id >= 1, null otherwise.
    const PortInfo* port(int id);

private:
    std::vector<PortInfo> ports_;
    bool read_ = false;
};

} // namespace lirmus
