#include "ReportQueue.h"

namespace lirmus {

void ReportQueue::setPoster(Poster poster)
{
    std::lock_guard lock(m_);
    poster_ = std::move(poster);
}

void ReportQueue::post(std::function<void()> f)
{
    Poster poster;
    {
        std::lock_guard lock(m_);
        if (!poster_) {
            pending_.push_back(std::move(f));
            return;
        }
        poster = poster_;
    }
    poster(std::move(f));
}

int ReportQueue::deliver()
{
    int ran = 0;
    for (;;) {
        std::vector<std::function<void()>> calls;
        {
            std::lock_guard lock(m_);
            calls.swap(pending_);
        }
        if (calls.empty())
            return ran;
        for (auto& f : calls) {
            f();
            ++ran;
        }
    }
}

} // namespace lirmus
