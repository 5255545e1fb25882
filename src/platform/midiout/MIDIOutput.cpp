// The typed core of the MIDI output: device, queue, and the way its events
// reach the owner's thread.
#include "MIDIOutput.h"

#include "Clock.h"
#include "Doorbell.h"
#include "MidiMessage.h"
#include "OutputDevice.h"
#include "RecordingTakes.h"
#include "Scheduler.h"
#include "TestDevice.h"

#include <algorithm>

namespace lirmus {

namespace {

// How often the owner's thread asks a port whether it is still there.
constexpr auto kCheckEvery = std::chrono::seconds(2);

OutputError notWhole(std::string_view bytes, const char* what)
{
    return {kErrorBadMessage, "The MIDI message " + hexBytes(std::string(bytes)) + " cannot be " + what +
                                  ": it is not one whole MIDI message."};
}

} // namespace

double tempoFactor(int percent) { return std::max(0.25, 1.0 - percent / 100.0); }

MIDIOutput::MIDIOutput(Clock* clock)
    : clock_(clock ? *clock : SteadyClock::instance()), alive_(std::make_shared<char>(0)),
      lastCheck_(std::chrono::steady_clock::now())
{
    // The doorbell's helper thread brings one drain call to the owner's thread
    // per wake-up, however many reports came meanwhile.
    doorbell_ = std::make_unique<Doorbell>(
        [this, alive = std::weak_ptr<char>(alive_)] {
            reports_.post([this, alive] {
                if (!alive.expired())
                    drain();
            });
        },
        !clock_.isManual());
    scheduler_ = std::make_unique<Scheduler>(
        clock_,
        [this](std::string_view bytes, int64_t due) {
            const std::string error = sendToDevice(bytes, due);
            if (!error.empty())
                deviceFailed(error);
        },
        [this] { doorbell_->press(); });
}

MIDIOutput::~MIDIOutput()
{
    stopReports(); // first: nothing may be posted while the rest goes away
    (void)close(); // no one is left to tell
    scheduler_.reset(); // joins its thread before the members it calls go away
    doorbell_.reset();
}

void MIDIOutput::setPoster(Poster poster)
{
    reports_.setPoster(std::move(poster));
    if (reports_.hasKept() || scheduler_->hasReports()) {
        doorbell_->answered();
        doorbell_->press();
    }
}

void MIDIOutput::stopReports()
{
    doorbell_->stop(); // joins the helper: no post is in flight after this
    reports_.setPoster({});
}

int MIDIOutput::deliverPending() { return drain(); }

int MIDIOutput::drain()
{
    const std::weak_ptr<char> alive = alive_;
    int ran = 0;
    for (bool any = true; any;) {
        doorbell_->answered(); // before looking, so nothing that comes later is missed
        any = false;
        for (auto& call : reports_.take()) {
            call();
            ++ran;
            any = true;
            if (alive.expired())
                return ran;
        }
        checkDevice();
        for (SentReport r; scheduler_->takeReport(r);) {
            any = true;
            // Checked before each: a handler may stop the song, and what the
            // stopped queue sent must not reach the next song's displays.
            if (r.epoch != scheduler_->epoch())
                continue;
            ++ran;
            if (MessageSent)
                MessageSent(r.tag);
            if (alive.expired())
                return ran;
        }
    }
    return ran;
}

void MIDIOutput::setSoundFont(const std::string& path) { synthOptions_.soundFont = path; }

void MIDIOutput::setAudioFile(const std::string& path)
{
    if (path.empty())
        synthOptions_.recording.reset();
    else if (!synthOptions_.recording || synthOptions_.recording->path() != path)
        synthOptions_.recording = std::make_shared<RecordingTakes>(path);
}

void MIDIOutput::setRecording(std::shared_ptr<RecordingTakes> takes) { synthOptions_.recording = std::move(takes); }

void MIDIOutput::endTake()
{
    if (synthOptions_.recording)
        synthOptions_.recording->endTake();
}

void MIDIOutput::setAudioOutput(bool enabled) { synthOptions_.audioOutput = enabled; }

void MIDIOutput::setAudioDriver(const std::string& driver) { synthOptions_.audioDriver = driver; }

void MIDIOutput::useTestDevice(TestDevice* device) { testDevice_ = device; }

OutputError MIDIOutput::open(int deviceId)
{
    deviceId_ = deviceId;
    {
        std::lock_guard lock(deviceM_);
        if (device_ && openId_ == deviceId)
            return {};
    }
    (void)close(); // cannot fail
    std::string name;
    OutputError error;
    std::unique_ptr<OutputDevice> device = openDevice(deviceId, name, error);
    if (!device)
        return error;
    std::lock_guard lock(deviceM_);
    device_ = std::move(device);
    deviceName_ = name;
    openId_ = deviceId;
    sendFailureTold_ = false;
    lastCheck_ = std::chrono::steady_clock::now();
    return {};
}

std::unique_ptr<OutputDevice> MIDIOutput::openDevice(int deviceId, std::string& name, OutputError& error)
{
    if (testDevice_) {
        name = "test device";
        return testDevice_->open(clock_);
    }
    if (!devices_.exists(deviceId)) {
        error = {kErrorBadDevice, "There is no MIDI output device number " + std::to_string(deviceId) +
                                      "; choose another one in the options."};
        return nullptr;
    }
    std::string why;
    std::unique_ptr<OutputDevice> device;
    if (deviceId <= 0) {
        auto notice = [this](int number, const std::string& message) {
            std::lock_guard lock(toldM_);
            if (told_.insert(message).second)
                raise(number, message);
        };
        device = openSynth(synthOptions_, synthCache_, clock_, notice, why);
        name = devices_.name(0);
    } else {
        device = openMidiPort(*devices_.port(deviceId), why);
        name = devices_.name(deviceId);
    }
    if (!device)
        error = {kErrorOpenFailed, why};
    return device;
}

OutputError MIDIOutput::close()
{
    (void)stop(); // cannot fail
    std::unique_ptr<OutputDevice> old;
    {
        std::lock_guard lock(deviceM_);
        old.swap(device_);
    }
    // Destroyed outside the lock: the synthesizer finishes its audio file first.
    return {};
}

OutputError MIDIOutput::start()
{
    if (scheduler_->paused())
        return resume();
    if (scheduler_->playing())
        return {};
    if (!device_) // only this thread changes it
        return {kErrorNotOpen, "The MIDI output device is not open, so the song cannot play."};
    // The device learns where the take begins before the first message can
    // reach it: one sent before would be silenced with what the idle time left.
    // Without the device lock: the scheduler sends with its own lock held and
    // then takes the device lock, so holding both here the other way round could deadlock.
    const int64_t startUs = clock_.nowUs();
    device_->playStarted(startUs);
    scheduler_->start(startUs);
    return {};
}

OutputError MIDIOutput::stop()
{
    const bool wasActive = scheduler_->playing() || scheduler_->paused();
    scheduler_->stop(); // from here on nothing of the queue reaches the device
    if (wasActive && device_)
        device_->playStopped();
    return {};
}

OutputError MIDIOutput::clear()
{
    scheduler_->clear();
    return {};
}

OutputError MIDIOutput::pause()
{
    scheduler_->pause();
    return {};
}

OutputError MIDIOutput::resume()
{
    scheduler_->resume();
    return {};
}

OutputError MIDIOutput::queueMessage(long timeMs, MidiBytes bytes, long tag)
{
    if (!isWholeMessage(bytes.view()))
        return notWhole(bytes.view(), "queued");
    scheduler_->add({timeMs, std::move(bytes), tag});
    return {};
}

OutputError MIDIOutput::queueMessage(long timeMs, std::string_view bytes, long tag)
{
    if (!isWholeMessage(bytes))
        return notWhole(bytes, "queued");
    scheduler_->add({timeMs, MidiBytes(bytes), tag});
    return {};
}

OutputError MIDIOutput::sendNow(std::string_view bytes)
{
    if (!isWholeMessage(bytes))
        return notWhole(bytes, "sent");
    if (bytes.empty())
        return {};
    checkDevice();
    const std::string error = sendToDevice(bytes, clock_.nowUs());
    if (error.empty())
        return {};
    return {kErrorSendFailed, "The MIDI output device \"" + deviceName_ + "\" no longer takes messages (" +
                                  error + "); the song goes on without it."};
}

std::string MIDIOutput::sendToDevice(std::string_view bytes, int64_t dueUs)
{
    std::lock_guard lock(deviceM_);
    // With no device open there is nowhere to send it, and nothing to say.
    return device_ ? device_->send(bytes, dueUs) : std::string();
}

void MIDIOutput::tell(const OutputError& e)
{
    if (!e || (e.number == kErrorSendFailed && sendFailureTold_.exchange(true)))
        return;
    raise(e);
}

void MIDIOutput::deviceFailed(const std::string& why)
{
    // Said once per device. This may run on the scheduler thread, which then
    // allocates for the message: a device that fails is no steady state.
    if (sendFailureTold_.exchange(true))
        return;
    raise(kErrorSendFailed, "The MIDI output device \"" + deviceName_ + "\" no longer takes messages (" +
                                why + "); the song goes on without it.");
}

void MIDIOutput::checkDevice()
{
    const auto now = std::chrono::steady_clock::now();
    if (!device_ || now - lastCheck_ < kCheckEvery)
        return;
    lastCheck_ = now;
    const std::string why = device_->check();
    if (!why.empty())
        deviceFailed(why);
}

void MIDIOutput::raise(int number, const std::string& message)
{
    reports_.keep([this, alive = std::weak_ptr<char>(alive_), number, message] {
        if (!alive.expired() && onError)
            onError(number, message);
    });
    doorbell_->press();
}

} // namespace lirmus
