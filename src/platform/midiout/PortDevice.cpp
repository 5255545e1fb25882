#include "PortDevice.h"

#include "QuietLibraries.h"

#include <rtmidi/RtMidi.h>

#include <unistd.h>

namespace lirmus {

namespace {

const char* const kClientName = "Lirmus";

// Asking ALSA for a sequencer that does not exist prints errors from inside
// the library, so look for its device first.
bool alsaSequencerExists() { return access("/dev/snd/seq", F_OK) == 0; }

std::vector<RtMidi::Api> usableApis()
{
    std::vector<RtMidi::Api> compiled, out;
    RtMidi::getCompiledApi(compiled);
    for (RtMidi::Api api : compiled) {
        if (api == RtMidi::LINUX_ALSA && !alsaSequencerExists())
            continue;
        if (api == RtMidi::LINUX_ALSA || api == RtMidi::UNIX_JACK)
            out.push_back(api);
    }
    return out;
}

class PortOutput final : public OutputDevice {
public:
    PortOutput(std::unique_ptr<RtMidiOut> out, std::unique_ptr<RtMidiOut> lister, std::string portName)
        : out_(std::move(out)), lister_(std::move(lister)), portName_(std::move(portName))
    {
        out_->setErrorCallback(&PortOutput::onError, this);
    }
    ~PortOutput() override
    {
        CerrCapture quiet;
        out_->closePort();
    }

    std::string send(std::string_view bytes, int64_t) override
    {
        error_.clear();
        out_->sendMessage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return error_;
    }

    // A sequencer takes messages for a port whose program has quit without
    // complaint, so the owner asks now and then whether it is still listed.
    // The listing goes through a client of its own: sending never waits for it.
    std::string check() override
    {
        if (!lister_)
            return {};
        CerrCapture quiet;
        const unsigned n = lister_->getPortCount();
        for (unsigned i = 0; i < n; ++i)
            if (lister_->getPortName(i) == portName_)
                return {};
        return "the port \"" + portName_ + "\" has gone away";
    }

private:
    static void onError(RtMidiError::Type type, const std::string& text, void* self)
    {
        if (type != RtMidiError::DEBUG_WARNING)
            static_cast<PortOutput*>(self)->error_ = text;
    }

    std::unique_ptr<RtMidiOut> out_;
    std::unique_ptr<RtMidiOut> lister_;
    std::string portName_;
    std::string error_;
};

} // namespace

std::vector<PortInfo> listMidiPorts()
{
    quietSoundLibraries();
    std::vector<PortInfo> ports;
    for (RtMidi::Api api : usableApis()) {
        CerrCapture quiet; // "JACK server not running?" is no news to the user
        try {
            RtMidiOut out(api, kClientName);
            const unsigned n = out.getPortCount();
            for (unsigned i = 0; i < n; ++i) {
                PortInfo p;
                p.portName = out.getPortName(i);
                p.name = api == RtMidi::UNIX_JACK ? p.portName + " (JACK)" : p.portName;
                p.api = api;
                if (!p.portName.empty())
                    ports.push_back(std::move(p));
            }
        } catch (const RtMidiError&) {
            // That MIDI system is not there: it simply has no ports.
        }
    }
    return ports;
}

std::unique_ptr<OutputDevice> openMidiPort(const PortInfo& port, std::string& error)
{
    quietSoundLibraries();
    const auto api = static_cast<RtMidi::Api>(port.api);
    if (api == RtMidi::LINUX_ALSA && !alsaSequencerExists()) {
        error = "The ALSA sequencer is not available, so the MIDI port \"" + port.name +
                "\" cannot be opened.";
        return nullptr;
    }
    CerrCapture quiet;
    try {
        auto out = std::make_unique<RtMidiOut>(api, kClientName);
        const unsigned n = out->getPortCount();
        for (unsigned i = 0; i < n; ++i) {
            if (out->getPortName(i) != port.portName)
                continue;
            out->openPort(i, "Lirmus output");
            std::unique_ptr<RtMidiOut> lister;
            try {
                lister = std::make_unique<RtMidiOut>(api, kClientName);
            } catch (const RtMidiError&) {
                // Without it we cannot tell a vanished port; the port itself works.
            }
            return std::make_unique<PortOutput>(std::move(out), std::move(lister), port.portName);
        }
        error = "The MIDI port \"" + port.name + "\" is no longer available.";
    } catch (const RtMidiError& e) {
        error = "The MIDI port \"" + port.name + "\" cannot be opened: " + e.getMessage();
    }
    return nullptr;
}

int rtMidiVersion()
{
    const std::string v = RtMidi::getVersion();
    int major = 0, minor = 0;
    size_t i = 0;
    while (i < v.size() && isdigit(static_cast<unsigned char>(v[i])))
        major = major * 10 + (v[i++] - '0');
    if (i < v.size() && v[i] == '.')
        ++i;
    while (i < v.size() && isdigit(static_cast<unsigned char>(v[i])))
        minor = minor * 10 + (v[i++] - '0');
    return major * 256 + minor;
}

} // namespace lirmus
