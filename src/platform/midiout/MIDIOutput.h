#pragma once
// The MIDI output component: one output device and a queue of time-stamped
// messages that it plays by itself once started, reporting each tagged
// message sent.
//
// Two faces over one core. The typed calls (open, queueMessage, sendNow,
// start, stop...) return their errors. The properties and Action codes
// (OutputCodes.h) are a thin layer over them: messages are prepared field by
// field, then handed over with an Action code, and errors come as the onError event.
//
// Everything here is called from the owner's (GUI) thread. Events never run
// on the scheduler's thread: the tags sent wait in a lock-free ring, and one
// coalesced wake-up reaches the owner's thread through the poster (a queued
// call), or they wait until deliverPending(). Reports of a queue that was
// stopped (5), cleared (3) or closed (2) and not yet delivered are dropped:
// they belong to a song that is gone. Once stop or clear has returned,
// nothing of the old queue reaches the device.
//
// Shutting down: an owner whose poster's target dies before this object calls
// stopReports() first; the destructor does it too.
#include "DeviceList.h"
#include "MidiBytes.h"
#include "OutputCodes.h"
#include "OutputErrors.h"
#include "PiSync.h"
#include "ReportQueue.h"
#include "SynthDevice.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace lirmus {

class Clock;
class Doorbell;
class OutputDevice;
class RecordingTakes;
class Scheduler;
class TestDevice;

/// Queue time × tempoFactor(p) = played time: 1 − p/100, never below 0.25.
double tempoFactor(int percent);

class MIDIOutput {
public:
    using Poster = ReportQueue::Poster;

    /// clock: null for the steady clock; a ManualClock plays only as it advances.
    explicit MIDIOutput(Clock* clock = nullptr);
    ~MIDIOutput();
    MIDIOutput(const MIDIOutput&) = delete;
    MIDIOutput& operator=(const MIDIOutput&) = delete;

    /// Raised for each queued message with a tag other than 0, in the order sent.
    std::function<void(long tag)> MessageSent;
    /// Raised with a number (OutputErrors.h) and a message text.
    std::function<void(int number, const std::string& message)> onError;
    /// Raises onError for an error a typed call returned (nothing for none); a device
    /// that refuses messages is told once until it is opened again.
    void tell(const OutputError& e);

    /// How events reach the owner's thread. Without one they wait for deliverPending(),
    /// which the owner must then call regularly: with 64k reports waiting the scheduler waits too.
    /// Returns once a post in flight with the old poster has ended.
    void setPoster(Poster poster);
    /// Call before the poster's target goes: once it returns the poster is never called again
    /// (events then wait for deliverPending()). Also done by the destructor.
    void stopReports();
    /// Raises the events kept so far, in order; returns how many ran.
    int deliverPending();

    /// SoundFont of the built-in synthesizer ("" = the system's default).
    void setSoundFont(const std::string& path);
    /// WAV file the built-in synthesizer writes while the queue plays ("" = none); a new
    /// name starts new takes (see RecordingTakes), the same name keeps them.
    void setAudioFile(const std::string& path);
    /// The takes the built-in synthesizer records to, shared with others (null = none).
    void setRecording(std::shared_ptr<RecordingTakes> takes);
    /// The song has ended: the next start records a new take.
    void endTake();
    /// Whether the built-in synthesizer may open a sound card (tests turn it off).
    void setAudioOutput(bool enabled);
    /// Audio driver of the built-in synthesizer ("" = FluidSynth's default; see SynthOptions).
    void setAudioDriver(const std::string& driver);
    /// Opens this recording device instead of the real ones from now on (null = the real ones).
    void useTestDevice(TestDevice* device);

    // The typed core.

    /// Opens device id (-1 default, 0 built-in synthesizer, 1.. ports), closing another one first.
    [[nodiscard]] OutputError open(int deviceId);
    /// Stops playing and closes the device (a recording is complete when this returns).
    [[nodiscard]] OutputError close();
    /// Plays the queue from time 0, or resumes when paused; an error when no device is open.
    [[nodiscard]] OutputError start();
    /// Ends playing; once it returns nothing of the queue reaches the device. Unsent messages stay.
    [[nodiscard]] OutputError stop();
    /// Drops the unsent messages; once it returns none of them reaches the device.
    [[nodiscard]] OutputError clear();
    /// Holds the song position; nothing is sent until resume(). Nothing to do unless playing.
    [[nodiscard]] OutputError pause();
    /// Goes on from the held position. Nothing to do unless paused.
    [[nodiscard]] OutputError resume();
    /// Queues bytes at timeMs (tag 0 = no report); an error, nothing queued, when they are not one whole message.
    [[nodiscard]] OutputError queueMessage(long timeMs, MidiBytes bytes, long tag);
    /// The same from bytes at hand: up to three are kept inline, without allocating.
    [[nodiscard]] OutputError queueMessage(long timeMs, std::string_view bytes, long tag);
    /// Sends bytes at once, unreported; an error when they are not one whole message or the device refuses them.
    [[nodiscard]] OutputError sendNow(std::string_view bytes);
    [[nodiscard]] OutputError sendNow(const MidiBytes& bytes) { return sendNow(bytes.view()); }

    // The properties and Actions.

    /// Selects the device that Action 1 opens and the getters below describe.
    void setDeviceID(int id);
    int DeviceID() const { return deviceId_; }
    /// Number of devices from 0 on (reads the MIDI ports again).
    int DeviceCount();
    /// Kind of the selected device: 1 port, 2 internal synthesizer, 5 mapper, 0 none.
    int Technology();
    /// Version of the library behind the selected device, major × 256 + minor.
    int DriverVersion();
    /// Name of the selected device.
    std::string DeviceName();
    /// 0 closed, 1 open and idle, 2 playing the queue, 4 paused.
    int State() const { return int(stateCode()); }
    OutputStateCode stateCode() const;

    /// Time of the prepared message in ms from the start of the queue.
    void setMsgTime(long ms) { msgTime_ = ms; }
    /// Status byte of the prepared message (240 = system exclusive, 255 = meta, 0 = empty).
    void setMsgStatus(int status) { msgStatus_ = status; }
    /// First data byte of the prepared message.
    void setMsgData1(int value) { msgData1_ = value; }
    /// Second data byte of the prepared message.
    void setMsgData2(int value) { msgData2_ = value; }
    /// Whole system-exclusive message, one char per byte from F0 to F7; used by one Action 6 or 7.
    void setMsgSysEx(const std::string& bytes) { msgSysEx_ = bytes; }
    /// Number reported back by MessageSent (0 = no report).
    void setMsgTag(long tag) { msgTag_ = tag; }
    /// Signed tempo change in percent; a change while playing keeps the song position.
    void setTempoPercent(int percent);
    int TempoPercent() const { return tempoPercent_; }
    /// Carries out an Action code (OutputCodes.h); errors go to onError.
    void setAction(int action);
    void setAction(OutputAction action);

    /// Song position in queue ms (0 when not playing), for displays and tests.
    double PositionMs() const;
    /// Messages queued and not sent yet.
    long PendingCount() const;

private:
    void queuePrepared();
    void sendPrepared();
    std::unique_ptr<OutputDevice> openDevice(int deviceId, std::string& name, OutputError& error);
    std::string sendToDevice(std::string_view bytes, int64_t dueUs);
    void deviceFailed(const std::string& why);
    void checkDevice();
    int drain();
    void raise(int number, const std::string& message);
    void raise(const OutputError& e) { raise(e.number, e.message); }

    Clock& clock_;
    ReportQueue reports_;
    std::shared_ptr<char> alive_; // posted calls check it: the owner may be gone by then
    DeviceList devices_;
    SynthOptions synthOptions_;
    SynthCache synthCache_;
    TestDevice* testDevice_ = nullptr;

    // device_ changes only on the owner's thread; deviceM_ keeps the
    // scheduler's sends off it while it does.
    mutable PiMutex deviceM_;
    std::unique_ptr<OutputDevice> device_;
    std::string deviceName_;
    std::atomic<bool> sendFailureTold_{false};
    int openId_ = 0;
    std::chrono::steady_clock::time_point lastCheck_;

    std::mutex toldM_;
    std::set<std::string> told_; // device notices are said once per run

    int deviceId_ = -1;
    long msgTime_ = 0;
    int msgStatus_ = 0;
    int msgData1_ = 0;
    int msgData2_ = 0;
    std::string msgSysEx_;
    long msgTag_ = 0;
    int tempoPercent_ = 0;

    std::unique_ptr<Doorbell> doorbell_;   // before the scheduler, which rings it
    std::unique_ptr<Scheduler> scheduler_;
};

} // namespace lirmus
