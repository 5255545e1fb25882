#pragma once
// The timed queue of the MIDI output: holds messages stamped in ms from the
// start of the queue and sends each one when its time comes, on its own thread
// (steady clock) or at the manual clock's steps (tests). The tempo factor
// scales queue time to clock time; pause, resume and tempo changes re-anchor
// the song position so that it stays continuous.
#include "Clock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lirmus {

/// One queued message: its queue time, its bytes ("" = nothing goes on the wire) and tag.
struct TimedMessage {
    long timeMs = 0;
    std::string bytes;
    long tag = 0;
};

class Scheduler : private ManualClock::Listener {
public:
    /// Puts one message on the device; dueUs is the clock time it was due.
    using SendFn = std::function<void(const std::string& bytes, int64_t dueUs)>;
    /// Takes the non-zero tags sent in one wake-up, in order, and the epoch they belong to.
    using ReportFn = std::function<void(std::vector<long> tags, uint64_t epoch)>;

    Scheduler(Clock& clock, SendFn send, ReportFn report);
    ~Scheduler() override;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    /// Queues a message; equal times keep the order they were added in.
    void add(TimedMessage m);
    /// Drops every unsent message and starts a new epoch.
    void clear();
    /// Plays the queue from time 0 (resumes instead when paused); returns the clock time of the start.
    int64_t start();
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

private:
    struct Due {
        std::string bytes;
        int64_t dueUs;
        long tag;
    };

    std::optional<int64_t> nextDueUs() override;
    void runDue() override;
    void threadMain();
    int64_t dueLocked(long timeMs) const;
    double positionUsLocked(int64_t nowUs) const;
    bool activeLocked() const { return running_ && !paused_ && !queue_.empty(); }
    void takeDueLocked(int64_t nowUs, std::vector<Due>& out);
    void deliver(std::vector<Due>& batch, uint64_t epoch);

    Clock& clock_;
    SendFn send_;
    ReportFn report_;
    mutable PiMutex m_;
    PiCondition cv_;
    std::deque<TimedMessage> queue_;
    bool running_ = false;
    bool paused_ = false;
    bool quit_ = false;
    double factor_ = 1.0;
    int64_t anchorWallUs_ = 0;    // clock time at which the song stood at anchorSongUs_
    double anchorSongUs_ = 0;
    double pausedSongUs_ = 0;
    std::atomic<uint64_t> epoch_{1};
    ManualClock* manual_ = nullptr;
    std::thread thread_;
};

} // namespace lirmus
