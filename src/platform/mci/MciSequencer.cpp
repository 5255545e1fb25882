#include "MciSequencer.h"

#include "DeviceList.h"
#include "MciErrors.h"

#include <algorithm>
#include <cmath>

namespace lirmus {

MciSequencer::MciSequencer(MciOptions options)
    : player_(std::move(options), [this](int number, const std::string& message) {
          if (onNotice)
              onNotice(number, message);
      })
{
}

MciSequencer::~MciSequencer() { close(); }

bool MciSequencer::execute(const std::string& command)
{
    std::string reply;
    const int number = sendString(command, reply);
    if (number != 0 && onError)
        onError(number, lastError_);
    return number == 0;
}

int MciSequencer::sendString(const std::string& command, std::string& reply)
{
    reply.clear();
    lastError_.clear();
    const MciParsed parsed = parseMciCommand(command);
    if (parsed.error != 0)
        return fail(parsed.error, parsed.message);
    return run(parsed.command, reply);
}

int MciSequencer::fail(int number, const std::string& message)
{
    lastError_ = message;
    return number;
}

int MciSequencer::run(const MciCommand& c, std::string& reply)
{
    const std::string device = mciLower(c.device);
    if (c.verb == MciVerb::Close && device == "all") {
        close();
        return 0;
    }
    if (c.verb == MciVerb::Open)
        return open(c);
    if (!open_ || device != alias_)
        return fail(kMciErrNotOpen, "No MCI device named \"" + c.device + "\" is open.");
    switch (c.verb) {
    case MciVerb::Close: close(); return 0;
    case MciVerb::Set: return c.port ? setPort(*c.port) : 0;
    case MciVerb::Play: return play(c);
    case MciVerb::Pause:
    case MciVerb::Stop: player_.pause(); return 0;
    case MciVerb::Resume: player_.resume(); return 0;
    case MciVerb::Status: return status(c.item, reply);
    case MciVerb::Open: break;
    }
    return 0;
}

int MciSequencer::open(const MciCommand& c)
{
    const std::string alias = mciLower(c.alias.empty() ? c.device : c.alias);
    if (open_)
        return fail(kMciErrAliasInUse, alias == alias_ ? "A song is already open as \"" + c.alias + "\"."
                                                       : "The sequencer is busy with another song; close it first.");
    int number = 0;
    std::string message;
    if (!song_.load(c.device, number, message))
        return fail(number, message);
    open_ = true;
    alias_ = alias;
    port_ = -1;
    return 0;
}

int MciSequencer::setPort(int port)
{
    if (port == port_)
        return 0;
    if (player_.started() && player_.state() != FluidSongPlayer::State::Stopped)
        return fail(kMciErrDevice, "The port cannot be changed while the song plays.");
    PortInfo info;
    if (port >= 1) {
        DeviceList devices;
        if (!devices.exists(port) || !devices.port(port))
            return fail(kMciErrOutOfRange, "There is no MIDI output port number " + std::to_string(port) + ".");
        info = *devices.port(port);
    }
    player_.stop(); // the next Play starts on the new output
    port_ = port;
    portInfo_ = info;
    return 0;
}

int MciSequencer::play(const MciCommand& c)
{
    if (c.from && *c.from > song_.lengthMs())
        return fail(kMciErrOutOfRange, "Position " + std::to_string(*c.from) + " ms is past the song's end (" +
                                           std::to_string(song_.lengthMs()) + " ms).");
    if (!player_.started()) {
        std::string error;
        std::unique_ptr<OutputDevice> port;
        if (port_ >= 1 && !(port = openMidiPort(portInfo_, error)))
            return fail(kMciErrDevice, error);
        if (!player_.start(std::move(port), error))
            return fail(kMciErrDevice, error);
    } else if (!c.from) {
        if (player_.state() == FluidSongPlayer::State::Paused)
            player_.resume();
        if (player_.state() == FluidSongPlayer::State::Playing)
            return 0;
    }
    int64_t tick = 0;
    if (c.from)
        tick = song_.tickAt(double(*c.from));
    else if (player_.tick() < song_.lastTick())
        tick = player_.tick(); // a plain Play goes on from where it stood; from the end it starts again
    player_.playFrom(song_.smf(), tick);
    return 0;
}

long MciSequencer::positionMs()
{
    if (!player_.started())
        return 0;
    return std::min(std::lround(song_.msAt(player_.tick())), song_.lengthMs());
}

int MciSequencer::status(MciStatusItem item, std::string& reply)
{
    switch (item) {
    case MciStatusItem::Position: reply = std::to_string(positionMs()); break;
    case MciStatusItem::Length: reply = std::to_string(song_.lengthMs()); break;
    case MciStatusItem::Mode:
        switch (player_.state()) {
        case FluidSongPlayer::State::Playing: reply = "playing"; break;
        case FluidSongPlayer::State::Paused: reply = "paused"; break;
        case FluidSongPlayer::State::Stopped: reply = "stopped"; break;
        }
        break;
    case MciStatusItem::None: break;
    }
    return 0;
}

void MciSequencer::close()
{
    player_.stop();
    open_ = false;
    alias_.clear();
    song_ = MciSong();
    port_ = -1;
    portInfo_ = PortInfo();
}

} // namespace lirmus
