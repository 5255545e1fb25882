#pragma once
// Hands the output's events to the owner's thread: through the owner's poster
// (a queued call into the GUI thread), or kept until the owner collects them.
#include "PiSync.h"

#include <functional>
#include <mutex>
#include <vector>

namespace lirmus {

class ReportQueue {
public:
    /// Runs a call on the owner's thread, later and in the order posted.
    using Poster = std::function<void(std::function<void()>)>;

    /// Sets the poster; an empty one keeps calls for deliver().
    void setPoster(Poster poster);
    /// Hands f over: through the poster, else kept for deliver(). Any thread.
    void post(std::function<void()> f);
    /// Runs the kept calls in order (also those they post); returns how many ran.
    int deliver();

private:
    PiMutex m_;
    Poster poster_;
    std::vector<std::function<void()>> pending_;
};

} // namespace lirmus
