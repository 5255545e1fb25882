#pragma once
// One coalesced wake-up of the owner's thread. press() is fit for a real-time
// thread: it only posts a semaphore, and only when no wake-up is pending. A
// helper thread then runs the ring function, which may allocate and lock as
// a queued call into the GUI thread does. Without the helper (manual clock,
// where everything runs on the caller's thread) press() rings at once.
#include <atomic>
#include <functional>
#include <semaphore.h>
#include <thread>

namespace lirmus {

class Doorbell {
public:
    Doorbell(std::function<void()> ring, bool threaded);
    ~Doorbell();
    Doorbell(const Doorbell&) = delete;
    Doorbell& operator=(const Doorbell&) = delete;

    /// Wakes the owner unless a wake-up is already on its way. Any thread.
    void press();
    /// The owner is about to look: a press from now on wakes it again.
    void answered() { pending_.store(false, std::memory_order_seq_cst); }
    /// Owner: ends the helper (waiting for a ring in progress); press() does nothing from then on.
    void stop();

private:
    std::function<void()> ring_;
    std::atomic<bool> pending_{false};
    const bool threaded_;
    std::atomic<bool> quit_{false};
    sem_t sem_;
    std::thread helper_;
};

} // namespace lirmus
