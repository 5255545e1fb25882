#pragma once
// A mutex with priority inheritance and a condition on the monotonic clock.
// The scheduler thread runs at real-time priority when it may; if the GUI
// thread were preempted while holding a lock the scheduler needs, a plain
// mutex would let the song stumble for a whole time slice (we measured 70 ms
// on a loaded machine). With inheritance the holder is lifted until it lets go.
#include <cstdint>
#include <mutex>
#include <pthread.h>

namespace lirmus {

class PiMutex {
public:
    PiMutex();
    ~PiMutex();
    PiMutex(const PiMutex&) = delete;
    PiMutex& operator=(const PiMutex&) = delete;
    /// Blocks until the mutex is ours.
    void lock();
    /// Lets the mutex go.
    void unlock();
    /// Takes the mutex when free; false otherwise.
    bool try_lock();
    pthread_mutex_t* native() { return &m_; }

private:
    pthread_mutex_t m_;
};

class PiCondition {
public:
    PiCondition();
    ~PiCondition();
    PiCondition(const PiCondition&) = delete;
    PiCondition& operator=(const PiCondition&) = delete;
    /// Waits until notified (or a spurious wake-up).
    void wait(std::unique_lock<PiMutex>& lock);
    /// Waits until notified or the monotonic clock (steady_clock) reaches deadlineUs.
    void waitUntilUs(std::unique_lock<PiMutex>& lock, int64_t deadlineUs);
    /// Wakes every waiter.
    void notifyAll();

private:
    pthread_cond_t c_;
};

} // namespace lirmus
