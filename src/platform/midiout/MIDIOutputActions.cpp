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

int MIDIOutput::State() const
{
    if (scheduler_->playing())
        return 2;
    if (scheduler_->paused())
        return 4;
    std::lock_guard lock(deviceM_);
    return device_ ? 1 : 0;
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
    switch (action) {
    case 1:
        if (OutputError e = open(deviceId_))
            raise(e);
        break;
    case 2: close(); break;
    case 3: clear(); break;
    case 4:
        if (OutputError e = start())
            raise(e);
        break;
    case 5: stop(); break;
    case 6: queuePrepared(); break;
    case 7: sendPrepared(); break;
    case 9:
        if (scheduler_->paused())
            resume();
        else
            pause();
        break;
    default: raise(kErrorBadAction, "Unknown MIDI output action " + std::to_string(action) + ".");
    }
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
    queueMessage(msgTime_, MidiBytes(bytes), msgTag_);
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
    if (OutputError e = sendNow(MidiBytes(bytes)); e && !sendFailureTold_.exchange(true))
        raise(e);
}

} // namespace lirmus
