#pragma once
// What the MIDI output needs from a device: the built-in synthesizer, a MIDI
// port, or the recording test device.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lirmus {

/// Tells the owner something worth a message without stopping (number, text).
using DeviceNotice = std::function<void(int number, const std::string& message)>;

class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    /// Puts one complete message on the device; dueUs is the clock time it was
    /// due. Returns "" or why it failed. May run on the real-time thread: no
    /// allocation and no waiting in the usual case.
    virtual std::string send(std::string_view bytes, int64_t dueUs) = 0;
    /// Owner's thread, now and then: "" while the device is still there, else why not.
    virtual std::string check() { return {}; }
    /// Playing of the queue begins; its time 0 is the clock time startUs.
    virtual void playStarted(int64_t startUs) { (void)startUs; }
    /// Playing of the queue has ended (stop or close).
    virtual void playStopped() {}
    /// How it sounds, for its name: the audio driver in use, "no sound", or "" when nothing to say.
    virtual std::string soundPath() const { return {}; }
};

} // namespace lirmus
