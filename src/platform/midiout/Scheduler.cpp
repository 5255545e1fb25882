#include "Scheduler.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

namespace lirmus {

Scheduler::Scheduler(Clock& clock, SendFn send, ReportFn report)
    : clock_(clock), send_(std::move(send)), report_(std::move(report))
{
    if (clock.isManual()) {
        manual_ = static_cast<ManualClock*>(&clock);
        manual_->attach(this);
    } else {
        thread_ = std::thread([this] { threadMain(); });
    }
}

Scheduler::~Scheduler()
{
    if (manual_)
        manual_->detach(this);
    {
        std::lock_guard lock(m_);
        quit_ = true;
    }
    cv_.notifyAll();
    if (thread_.joinable())
        thread_.join();
}

void Scheduler::add(TimedMessage m)
{
    bool front;
    {
        std::lock_guard lock(m_);
        if (queue_.empty() || m.timeMs >= queue_.back().timeMs) {
            queue_.push_back(std::move(m));
            front = queue_.size() == 1;
        } else {
            auto at = std::upper_bound(queue_.begin(), queue_.end(), m.timeMs,
                                       [](long t, const TimedMessage& q) { return t < q.timeMs; });
            front = at == queue_.begin();
            queue_.insert(at, std::move(m));
        }
    }
    if (front)
        cv_.notifyAll();
}

void Scheduler::clear()
{
    {
        std::lock_guard lock(m_);
        queue_.clear();
        ++epoch_;
    }
    cv_.notifyAll();
}

int64_t Scheduler::start()
{
    int64_t now;
    {
        std::lock_guard lock(m_);
        now = clock_.nowUs();
        if (running_ && !paused_)
            return anchorWallUs_ - std::llround(anchorSongUs_ * factor_);
        if (running_) { // paused: carry on from where it stood
            anchorSongUs_ = pausedSongUs_;
        } else {
            anchorSongUs_ = 0;
            running_ = true;
        }
        anchorWallUs_ = now;
        paused_ = false;
    }
    cv_.notifyAll();
    return now;
}

void Scheduler::stop()
{
    {
        std::lock_guard lock(m_);
        running_ = false;
        paused_ = false;
        ++epoch_;
    }
    cv_.notifyAll();
}

void Scheduler::pause()
{
    std::lock_guard lock(m_);
    if (!running_ || paused_)
        return;
    pausedSongUs_ = positionUsLocked(clock_.nowUs());
    paused_ = true;
}

void Scheduler::resume()
{
    {
        std::lock_guard lock(m_);
        if (!paused_)
            return;
        anchorSongUs_ = pausedSongUs_;
        anchorWallUs_ = clock_.nowUs();
        paused_ = false;
    }
    cv_.notifyAll();
}

void Scheduler::setTempoFactor(double factor)
{
    {
        std::lock_guard lock(m_);
        if (running_ && !paused_) {
            // Re-anchor at the current position so the song neither jumps nor bursts.
            const int64_t now = clock_.nowUs();
            anchorSongUs_ = positionUsLocked(now);
            anchorWallUs_ = now;
        }
        factor_ = factor;
    }
    cv_.notifyAll();
}

bool Scheduler::playing() const
{
    std::lock_guard lock(m_);
    return running_ && !paused_;
}

bool Scheduler::paused() const
{
    std::lock_guard lock(m_);
    return running_ && paused_;
}

double Scheduler::positionMs() const
{
    std::lock_guard lock(m_);
    if (!running_)
        return 0;
    return (paused_ ? pausedSongUs_ : positionUsLocked(clock_.nowUs())) / 1000.0;
}

size_t Scheduler::pending() const
{
    std::lock_guard lock(m_);
    return queue_.size();
}

int64_t Scheduler::dueLocked(long timeMs) const
{
    return anchorWallUs_ + std::llround((double(timeMs) * 1000.0 - anchorSongUs_) * factor_);
}

double Scheduler::positionUsLocked(int64_t nowUs) const
{
    return anchorSongUs_ + double(nowUs - anchorWallUs_) / factor_;
}

void Scheduler::takeDueLocked(int64_t nowUs, std::vector<Due>& out)
{
    while (!queue_.empty()) {
        const int64_t due = dueLocked(queue_.front().timeMs);
        if (due > nowUs)
            break;
        TimedMessage& m = queue_.front();
        out.push_back({std::move(m.bytes), due, m.tag});
        queue_.pop_front();
    }
}

void Scheduler::deliver(std::vector<Due>& batch, uint64_t epoch)
{
    std::vector<long> tags;
    for (const Due& d : batch) {
        if (!d.bytes.empty())
            send_(d.bytes, d.dueUs);
        if (d.tag != 0)
            tags.push_back(d.tag);
    }
    batch.clear();
    if (!tags.empty())
        report_(std::move(tags), epoch);
}

std::optional<int64_t> Scheduler::nextDueUs()
{
    std::lock_guard lock(m_);
    if (!activeLocked())
        return std::nullopt;
    return dueLocked(queue_.front().timeMs);
}

void Scheduler::runDue()
{
    std::vector<Due> batch;
    uint64_t epoch;
    {
        std::lock_guard lock(m_);
        if (!activeLocked())
            return;
        takeDueLocked(clock_.nowUs(), batch);
        epoch = epoch_.load();
    }
    deliver(batch, epoch);
}

void Scheduler::threadMain()
{
    pthread_setname_np(pthread_self(), "lirmus-midiout");
    // The default 50 µs timer slack would be most of our timing budget.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    // Ask for real-time scheduling, as audio programs do: a busy machine then
    // cannot make the song stumble. Without the right to it, we run as before.
    // The thread never spins: it sleeps until the next message is due.
    sched_param param{};
    param.sched_priority = std::min(20, sched_get_priority_max(SCHED_FIFO));
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    std::vector<Due> batch;
    std::unique_lock lock(m_);
    while (!quit_) {
        if (!activeLocked()) {
            cv_.wait(lock);
            continue;
        }
        const int64_t due = dueLocked(queue_.front().timeMs);
        const int64_t now = clock_.nowUs();
        if (due > now) {
            clock_.waitUntil(cv_, lock, due);
            continue;
        }
        takeDueLocked(now, batch);
        const uint64_t epoch = epoch_.load();
        lock.unlock();
        deliver(batch, epoch);
        lock.lock();
    }
}

} // namespace lirmus
