#include "DeviceList.h"

#include "SynthDevice.h"

namespace lirmus {

int DeviceList::refresh()
{
    ports_ = listMidiPorts();
    read_ = true;
    return int(ports_.size()) + 1;
}

int DeviceList::count()
{
    return read_ ? int(ports_.size()) + 1 : refresh();
}

bool DeviceList::exists(int id)
{
    // The built-in synthesizer is always there: no need to ask the MIDI systems.
    return id == -1 || id == 0 || (id > 0 && id < count());
}

int DeviceList::technology(int id)
{
    if (id == -1)
        return kTechMapper;
    if (id == 0)
        return kTechSynth;
    return port(id) ? kTechPort : 0;
}

int DeviceList::driverVersion(int id)
{
    if (id == -1 || id == 0)
        return synthVersion();
    return port(id) ? rtMidiVersion() : 0;
}

std::string DeviceList::name(int id)
{
    if (id == -1)
        return "Default output (Lirmus built-in synthesizer)";
    if (id == 0)
        return "Lirmus built-in synthesizer (FluidSynth)";
    const PortInfo* p = port(id);
    return p ? p->name : std::string();
}

const PortInfo* DeviceList::port(int id)
{
    if (id < 1 || id >= count())
        return nullptr;
    return &ports_[size_t(id - 1)];
}

} // namespace lirmus
