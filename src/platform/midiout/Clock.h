#pragma once
// Time sources of the MIDI output. Production uses the steady clock; tests use
// a manual clock that only moves when told, so a whole song plays instantly
// and every message is sent exactly at its due time.
#include "PiSync.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace lirmus {

class Clock {
public:
    virtual ~Clock() = default;
    /// Microseconds on a monotonic scale (the origin is arbitrary).
    virtual int64_t nowUs() const = 0;
    /// True when time moves only by ManualClock::advance (no scheduler thread then).
    virtual bool isManual() const { return false; }
    /// Waits on cv until the clock reaches deadlineUs or cv is notified.
    virtual void waitUntil(PiCondition& cv, std::unique_lock<PiMutex>& lock,
                           int64_t deadlineUs) const = 0;
    /// Sleeps (holding nothing) until the clock reaches deadlineUs; for the last short stretch.
    virtual void sleepUntilUs(int64_t deadlineUs) const = 0;
};

/// The steady clock of the system.
class SteadyClock final : public Clock {
public:
    int64_t nowUs() const override;
    void waitUntil(PiCondition& cv, std::unique_lock<PiMutex>& lock,
                   int64_t deadlineUs) const override;
    void sleepUntilUs(int64_t deadlineUs) const override;
    /// The one instance every component shares.
    static SteadyClock& instance();
};

/// A clock for tests: time stands still until advance(). Whatever attaches to
/// it is run at each of its due times on the way, on the caller's thread.
class ManualClock final : public Clock {
public:
    /// Something that acts at due times (the scheduler).
    class Listener {
    public:
        virtual ~Listener() = default;
        /// The next time it has something to do, none when idle.
        virtual std::optional<int64_t> nextDueUs() = 0;
        /// Does everything due at the clock's current time.
        virtual void runDue() = 0;
    };

    explicit ManualClock(int64_t startUs = 1'000'000) : now_(startUs) {}
    int64_t nowUs() const override { return now_.load(); }
    bool isManual() const override { return true; }
    /// Only notifies: nothing can pass while time stands still.
    void waitUntil(PiCondition& cv, std::unique_lock<PiMutex>& lock,
                   int64_t deadlineUs) const override;
    /// Never needed: no thread waits on a manual clock.
    void sleepUntilUs(int64_t) const override {}

    /// Moves time forward by ms, stopping at every due time of the listeners.
    void advance(long ms) { advanceUs(int64_t(ms) * 1000); }
    /// Moves time forward by us, stopping at every due time of the listeners.
    void advanceUs(int64_t us);
    /// Registers a listener (not owned); detach before it dies.
    void attach(Listener* l);
    /// Removes a listener.
    void detach(Listener* l);

private:
    std::atomic<int64_t> now_;
    std::vector<Listener*> listeners_;
};

} // namespace lirmus
