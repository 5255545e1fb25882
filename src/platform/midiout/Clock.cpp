#include "Clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <time.h>

namespace lirmus {

int64_t SteadyClock::nowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::waitUntil(PiCondition& cv, std::unique_lock<PiMutex>& lock,
                            int64_t deadlineUs) const
{
    // steady_clock is CLOCK_MONOTONIC, the clock of the condition.
    cv.waitUntilUs(lock, deadlineUs);
}

void SteadyClock::sleepUntilUs(int64_t deadlineUs) const
{
    timespec t;
    t.tv_sec = time_t(deadlineUs / 1'000'000);
    t.tv_nsec = long(deadlineUs % 1'000'000) * 1000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

SteadyClock& SteadyClock::instance()
{
    static SteadyClock clock;
    return clock;
}

void ManualClock::waitUntil(PiCondition& cv, std::unique_lock<PiMutex>& lock, int64_t) const
{
    cv.wait(lock);
}

void ManualClock::advanceUs(int64_t us)
{
    const int64_t target = now_.load() + std::max<int64_t>(us, 0);
    for (;;) {
        Listener* first = nullptr;
        int64_t due = 0;
        for (Listener* l : listeners_) {
            std::optional<int64_t> d = l->nextDueUs();
            if (d && *d <= target && (!first || *d < due)) {
                first = l;
                due = *d;
            }
        }
        if (!first)
            break;
        if (due > now_.load())
            now_.store(due);
        first->runDue();
    }
    now_.store(target);
}

void ManualClock::attach(Listener* l)
{
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end())
        listeners_.push_back(l);
}

void ManualClock::detach(Listener* l)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

} // namespace lirmus
