#include "MIDIOutput.h"

#include "Clock.h"
#include "MidiMessage.h"
#include "OutputDevice.h"
#include "Scheduler.h"
#include "TestDevice.h"

#include <algorithm>

namespace lirmus {

double tempoFactor(int percent) { return std::max(0.25, 1.0 - percent / 100.0); }

MIDIOutput::MIDIOutput(Clock* clock)
    : clock_(clock ? *clock : SteadyClock::instance()), alive_(std::make_shared<char>(0))
{
    scheduler_ = std::make_unique<Scheduler>(
        clock_, [this](const std::string& bytes, int64_t due) { sendToDevice(bytes, due); },
        [this](std::vector<long> tags, uint64_t epoch) { reportSent(std::move(tags), epoch); });
}

MIDIOutput::~MIDIOutput()
{
    close();
    scheduler_.reset(); // joins its thread before the members it calls go away
}

void MIDIOutput::setPoster(Poster poster) { reports_.setPoster(std::move(poster)); }

int MIDIOutput::deliverPending() { return reports_.deliver(); }

void MIDIOutput::setSoundFont(const std::string& path) { synthOptions_.soundFont = path; }

void MIDIOutput::setAudioFile(const std::string& path) { synthOptions_.audioFile = path; }

void MIDIOutput::setAudioOutput(bool enabled) { synthOptions_.audioOutput = enabled; }

void MIDIOutput::useTestDevice(TestDevice* device) { testDevice_ = device; }

void MIDIOutput::setDeviceID(int id) { deviceId_ = id; }

int MIDIOutput::DeviceCount() { return devices_.refresh(); }

int MIDIOutput::Technology() { return devices_.technology(deviceId_); }

int MIDIOutput::DriverVersion() { return devices_.driverVersion(deviceId_); }

std::string MIDIOutput::DeviceName() { return devices_.name(deviceId_); }

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
    case 1: open(); break;
    case 2: close(); break;
    case 3: scheduler_->clear(); break;
    case 4: start(); break;
    case 5: stop(); break;
    case 6: queuePrepared(); break;
    case 7: sendPrepared(); break;
    case 9:
        if (scheduler_->paused())
            scheduler_->resume();
        else
            scheduler_->pause();
        break;
    default: raise(kErrorBadAction, "Unknown MIDI output action " + std::to_string(action) + ".");
    }
}

void MIDIOutput::open()
{
    {
        std::lock_guard lock(deviceM_);
        if (device_ && openId_ == deviceId_)
            return;
    }
    close();
    std::unique_ptr<OutputDevice> device;
    std::string error, name;
    if (testDevice_) {
        device = testDevice_->open(clock_);
        name = "test device";
    } else if (!devices_.exists(deviceId_)) {
        raise(kErrorBadDevice, "There is no MIDI output device number " + std::to_string(deviceId_) +
                                   "; choose another one in the options.");
        return;
    } else if (deviceId_ <= 0) {
        auto notice = [this](int number, const std::string& message) {
            std::lock_guard lock(toldM_);
            if (told_.insert(message).second)
                raise(number, message);
        };
        device = openSynth(synthOptions_, synthCache_, clock_, notice, error);
        name = devices_.name(0);
    } else {
        device = openMidiPort(*devices_.port(deviceId_), error);
        name = devices_.name(deviceId_);
    }
    if (!device) {
        raise(kErrorOpenFailed, error);
        return;
    }
    std::lock_guard lock(deviceM_);
    device_ = std::move(device);
    deviceName_ = name;
    openId_ = deviceId_;
    sendFailureTold_ = false;
}

void MIDIOutput::close()
{
    stop();
    std::unique_ptr<OutputDevice> old;
    {
        std::lock_guard lock(deviceM_);
        old.swap(device_);
    }
    // Destroyed outside the lock: the synthesizer finishes its audio file first.
}

void MIDIOutput::start()
{
    if (scheduler_->paused()) {
        scheduler_->resume();
        return;
    }
    if (scheduler_->playing())
        return;
    std::lock_guard lock(deviceM_);
    if (!device_) {
        raise(kErrorNotOpen, "The MIDI output device is not open, so the song cannot play.");
        return;
    }
    device_->playStarted(scheduler_->start());
}

void MIDIOutput::stop()
{
    const bool wasActive = scheduler_->playing() || scheduler_->paused();
    scheduler_->stop();
    if (!wasActive)
        return;
    std::lock_guard lock(deviceM_);
    if (device_)
        device_->playStopped();
}

void MIDIOutput::queuePrepared()
{
    TimedMessage m;
    m.timeMs = msgTime_;
    m.tag = msgTag_;
    // Something that cannot go on the wire (a note transposed out of range)
    // still counts as sent: the displays follow the song all the same.
    if (encodeMessage(msgStatus_, msgData1_, msgData2_, msgSysEx_, m.bytes) != MessageKind::Wire)
        m.bytes.clear();
    if (msgStatus_ == 0xF0)
        msgSysEx_.clear(); // never send one system exclusive twice by accident
    scheduler_->add(std::move(m));
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
    if (kind == MessageKind::Wire)
        sendToDevice(bytes, clock_.nowUs()); // with no device open there is nowhere to send it
}

void MIDIOutput::sendToDevice(const std::string& bytes, int64_t dueUs)
{
    std::lock_guard lock(deviceM_);
    if (!device_)
        return;
    const std::string error = device_->send(bytes, dueUs);
    if (error.empty() || sendFailureTold_)
        return;
    sendFailureTold_ = true;
    raise(kErrorSendFailed, "The MIDI output device \"" + deviceName_ + "\" no longer takes messages (" +
                                error + "); the song goes on without it.");
}

void MIDIOutput::reportSent(std::vector<long> tags, uint64_t epoch)
{
    reports_.post([this, alive = std::weak_ptr<char>(alive_), tags = std::move(tags), epoch] {
        for (long tag : tags) {
            // Checked before each: a handler may stop the song, and what the
            // stopped queue sent must not reach the next song's displays.
            if (alive.expired() || scheduler_->epoch() != epoch)
                return;
            if (MessageSent)
                MessageSent(tag);
        }
    });
}

void MIDIOutput::raise(int number, const std::string& message)
{
    reports_.post([this, alive = std::weak_ptr<char>(alive_), number, message] {
        if (!alive.expired() && onError)
            onError(number, message);
    });
}

} // namespace lirmus
