#include "ReportQueue.h"

#include <mutex>

namespace lirmus {

void ReportQueue::setPoster(Poster poster)
{
    std::lock_guard lock(postM_);
    poster_ = std::move(poster);
}

bool ReportQueue::post(std::function<void()> f)
{
    std::lock_guard lock(postM_);
    if (!poster_)
        return false;
    const Poster poster = poster_; // it may replace itself
    poster(std::move(f));
    return true;
}

void ReportQueue::keep(std::function<void()> f)
{
    std::lock_guard lock(m_);
    kept_.push_back(std::move(f));
}

std::vector<std::function<void()>> ReportQueue::take()
{
    std::lock_guard lock(m_);
    std::vector<std::function<void()>> calls;
    calls.swap(kept_);
    return calls;
}

bool ReportQueue::hasKept()
{
    std::lock_guard lock(m_);
    return !kept_.empty();
}

} // namespace lirmus
