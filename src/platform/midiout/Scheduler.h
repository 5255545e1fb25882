#pragma once
// The timed queue of the MIDI output: holds messages stamped in ms from the
// start of the queue and sends each one when its time comes, on its own thread
// (steady clock) or at the manual clock's steps (tests). The tempo factor
// scales queue time to clock time; pause, resume and tempo changes re-anchor
// the song position so that it stays continuous.
//
// Each message is sent with the queue's lock held and the epoch checked, so
// once stop(), clear() or pause() has returned nothing of what they ended can
// reach the device. The tags sent go into a preallocated ring that the owner
// drains; the scheduler thread never allocates nor calls the owner.
#include "Clock.h"
#include "MidiBytes.h"
#include "SpscRing.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace lirmus {

/// One queued message: its queue time, its bytes (none = nothing goes on the wire) and tag.
struct TimedMessage {
    long timeMs = 0;
    MidiBytes bytes;
    long tag = 0;
};

/// One sent message's tag and the epoch of the queue it came from.
struct SentReport {
    long tag = 0;
    uint64_t epoch = 0;
};

class Scheduler : private ManualClock::Listener {
public:
    /// Puts one message on the device; dueUs is the clock time it was due. Runs with the queue locked.
    using SendFn = std::function<void(std::string_view bytes, int64_t dueUs)>;
    /// Tells the owner that reports wait in the ring; runs with nothing locked.
    using WakeFn = std::function<void()>;

    /// reportRoom: tags the ring holds before the scheduler waits for the owner.
    Scheduler(Clock& clock, SendFn send, WakeFn wake, size_t reportRoom = 65536);
    ~Scheduler() override;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    /// Queues a message; equal times keep the order they were added in.
    void add(TimedMessage m);
    /// Drops every unsent message and starts a new epoch.
    void clear();
    /// Plays the queue from time 0 (resumes instead when paused); returns the clock time of the start.
    /// atUs: the clock time of time 0 when set (not later than now), else now.
    int64_t start(std::optional<int64_t> atUs = std::nullopt);
    /// Ends playing; the position goes back to 0, unsent messages stay. New epoch.
    void stop();
    /// Holds the position; nothing is sent until resume().
    void pause();
    /// Goes on from the held position.
    void resume();
    /// Queue time × factor = clock time; a change while playing keeps the position.
    void setTempoFactor(double factor);

    bool playing() const;
    bool paused() const;
    /// Counts stops and clears: reports of an older epoch are stale.
    uint64_t epoch() const { return epoch_.load(); }
    /// The song position in queue ms (0 when not playing).
    double positionMs() const;
    /// Messages not yet sent.
    size_t pending() const;
    /// Owner's thread: takes the oldest report sent; false when there is none.
    bool takeReport(SentReport& r) { return reports_.pop(r); }
    /// Whether reports wait in the ring.
    bool hasReports() const { return reports_.size() > 0; }

private:
    std::optional<int64_t> nextDueUs() override;
    void runDue() override;
    void threadMain();
    int64_t dueLocked(long timeMs) const;
    double positionUsLocked(int64_t nowUs) const;
    bool activeLocked() const { return running_ && !paused_ && head_ < queue_.size(); }
    void sendDueLocked(std::unique_lock<PiMutex>& lock, int64_t nowUs);
    void reportLocked(std::unique_lock<PiMutex>& lock, long tag);

    Clock& clock_;
    SendFn send_;
    WakeFn wake_;
    mutable PiMutex m_;
    PiCondition cv_;
    // Sent entries stay in place (head_ moves on) until add() or clear() drops
    // them on the owner's thread: the scheduler thread never frees memory.
    std::vector<TimedMessage> queue_;
    size_t head_ = 0;
    bool running_ = false;
    bool paused_ = false;
    bool quit_ = false;
    double factor_ = 1.0;
    int64_t anchorWallUs_ = 0;    // clock time at which the song stood at anchorSongUs_
    double anchorSongUs_ = 0;
    double pausedSongUs_ = 0;
    std::atomic<uint64_t> epoch_{1};
    SpscRing<SentReport> reports_;
    ManualClock* manual_ = nullptr;
    std::thread thread_;
};

} // namespace lirmus
