// The properties and Action codes of the MIDI output: a thin layer over its
// typed calls that turns their errors into the error event.
#include "MIDIOutput.h"

#include "MidiMessage.h"
#include "Scheduler.h"

namespace lirmus {

void MIDIOutput::setDeviceID(int id) { deviceId_ = id; }

int MIDIOutput::DeviceCount() { return devices_.refresh(); }

int MIDIOutput::Technology() { return devices_.technology(deviceId_); }

int MIDIOutput::DriverVersion() { return devices_.driverVersion(deviceId_); }

std::string MIDIOutput::DeviceName()
{
    std::string name = devices_.name(deviceId_);
    std::lock_guard lock(deviceM_);
    // The open synthesizer also says how it is heard: "... (FluidSynth, pulseaudio)".
    const std::string path = device_ && openId_ == deviceId_ ? device_->soundPath() : std::string();
    if (!path.empty() && !name.empty() && name.back() == ')')
        name.insert(name.size() - 1, ", " + path);
    return name;
}

OutputStateCode MIDIOutput::stateCode() const
{
    if (scheduler_->playing())
        return OutputStateCode::Playing;
    if (scheduler_->paused())
        return OutputStateCode::Paused;
    std::lock_guard lock(deviceM_);
    return device_ ? OutputStateCode::Open : OutputStateCode::Closed;
}

double MIDIOutput::PositionMs() const { return scheduler_->positionMs(); }

long MIDIOutput::PendingCount() const { return long(scheduler_->pending()); }

void MIDIOutput::setTempoPercent(int percent)
{
    tempoPercent_ = percent;
    scheduler_->setTempoFactor(tempoFactor(percent));
}

void MIDIOutput::setAction(int action)
{
    switch (OutputAction(action)) {
    case OutputAction::Open:
    case OutputAction::Close:
    case OutputAction::Clear:
    case OutputAction::Start:
    case OutputAction::Stop:
    case OutputAction::Queue:
    case OutputAction::SendNow:
    case OutputAction::PauseResume: setAction(OutputAction(action)); return;
    }
    raise(kErrorBadAction, "Unknown MIDI output action " + std::to_string(action) + ".");
}

void MIDIOutput::setAction(OutputAction action)
{
    OutputError e;
    switch (action) {
    case OutputAction::Open: e = open(deviceId_); break;
    case OutputAction::Close: e = close(); break;
    case OutputAction::Clear: e = clear(); break;
    case OutputAction::Start: e = start(); break;
    case OutputAction::Stop: e = stop(); break;
    case OutputAction::Queue: queuePrepared(); return;
    case OutputAction::SendNow: sendPrepared(); return;
    case OutputAction::PauseResume: e = scheduler_->paused() ? resume() : pause(); break;
    }
    if (e)
        raise(e);
}

void MIDIOutput::queuePrepared()
{
    std::string bytes;
    // Something that cannot go on the wire (a note transposed out of range)
    // still counts as sent: the displays follow the song all the same.
    if (encodeMessage(msgStatus_, msgData1_, msgData2_, msgSysEx_, bytes) != MessageKind::Wire)
        bytes.clear();
    if (msgStatus_ == 0xF0)
        msgSysEx_.clear(); // never send one system exclusive twice by accident
    if (OutputError e = queueMessage(msgTime_, std::string_view(bytes), msgTag_))
        raise(e);
}

void MIDIOutput::sendPrepared()
{
    std::string bytes;
    const MessageKind kind = encodeMessage(msgStatus_, msgData1_, msgData2_, msgSysEx_, bytes);
    if (msgStatus_ == 0xF0)
        msgSysEx_.clear();
    if (kind == MessageKind::Invalid) {
        raise(kErrorBadMessage,
              "The MIDI message (status " + std::to_string(msgStatus_) + ", data " +
                  std::to_string(msgData1_) + ", " + std::to_string(msgData2_) +
                  ") cannot be sent: a data byte is out of range or the system exclusive is not F0 .. F7.");
        return;
    }
    if (kind != MessageKind::Wire)
        return;
    // A device that refuses is said once, as for the queue's messages.
    if (OutputError e = sendNow(std::string_view(bytes)); e && !sendFailureTold_.exchange(true))
        raise(e);
}

} // namespace lirmus
