#pragma once
// The output's events other than "message sent" (errors and notices), kept in
// order until the owner's thread runs them, and the owner's poster that brings
// a call to that thread. Never used on a real-time thread: it allocates and locks.
#include "PiSync.h"

#include <functional>
#include <mutex>
#include <vector>

namespace lirmus {

class ReportQueue {
public:
    /// Runs a call on the owner's thread, later and in the order posted.
    using Poster = std::function<void(std::function<void()>)>;

    /// Sets the poster; an empty one leaves everything for deliverPending().
    /// Waits for a post in flight on another thread, so the old poster is not called after it returns.
    void setPoster(Poster poster);
    /// Hands f to the poster; false (f not run) when there is none.
    bool post(std::function<void()> f);
    /// Keeps f until take().
    void keep(std::function<void()> f);
    /// The kept calls, oldest first, and forgets them.
    std::vector<std::function<void()>> take();
    /// Whether calls are kept.
    bool hasKept();

private:
    // Held while the poster runs; recursive for a poster that runs its call at once.
    std::recursive_mutex postM_;
    Poster poster_;
    PiMutex m_;
    std::vector<std::function<void()>> kept_;
};

} // namespace lirmus
