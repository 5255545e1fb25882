#include "Scheduler.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

namespace lirmus {

namespace {

// The thread sleeps on the condition until this long before a message is due,
// then takes a short plain sleep for the rest. A long sleep lets the core idle
// deeply and wakes late (we measured 80-400 µs); a short one wakes within tens
// of µs, like the 1 ms timer the floor is measured with. Costs one wake-up more.
constexpr int64_t kLastStretchUs = 400;

} // namespace

Scheduler::Scheduler(Clock& clock, SendFn send, WakeFn wake, size_t reportRoom)
    : clock_(clock), send_(std::move(send)), wake_(std::move(wake)), reports_(reportRoom)
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
        // Drop what was sent once it is half the storage (amortised, and here
        // on the owner's thread rather than the scheduler's).
        if (head_ > 0 && head_ * 2 >= queue_.size()) {
            queue_.erase(queue_.begin(), queue_.begin() + long(head_));
            head_ = 0;
        }
        if (head_ == queue_.size() || m.timeMs >= queue_.back().timeMs) {
            queue_.push_back(std::move(m));
            front = queue_.size() - head_ == 1;
        } else {
            auto at = std::upper_bound(queue_.begin() + long(head_), queue_.end(), m.timeMs,
                                       [](long t, const TimedMessage& q) { return t < q.timeMs; });
            front = at == queue_.begin() + long(head_);
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
        head_ = 0;
        ++epoch_;
    }
    cv_.notifyAll();
}

int64_t Scheduler::start(std::optional<int64_t> atUs)
{
    int64_t now;
    {
        std::lock_guard lock(m_);
        now = atUs.value_or(clock_.nowUs());
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
    return queue_.size() - head_;
}

int64_t Scheduler::dueLocked(long timeMs) const
{
    return anchorWallUs_ + std::llround((double(timeMs) * 1000.0 - anchorSongUs_) * factor_);
}

double Scheduler::positionUsLocked(int64_t nowUs) const
{
    return anchorSongUs_ + double(nowUs - anchorWallUs_) / factor_;
}

void Scheduler::sendDueLocked(std::unique_lock<PiMutex>& lock, int64_t nowUs)
{
    bool reported = false;
    // activeLocked() is asked again after each message: a stop, clear or pause
    // that got the lock in between ends the sending at once.
    while (activeLocked()) {
        const TimedMessage& m = queue_[head_];
        const int64_t due = dueLocked(m.timeMs);
        if (due > nowUs)
            break;
        if (!m.bytes.empty())
            send_(m.bytes.view(), due);
        const long tag = m.tag;
        ++head_;
        if (tag != 0) {
            reportLocked(lock, tag);
            reported = true;
        }
        // Between messages of a burst a waiting owner gets its turn.
        lock.unlock();
        lock.lock();
    }
    // The owner is woken once the chord is out, not in the middle of it.
    if (reported) {
        lock.unlock();
        wake_();
        lock.lock();
    }
}

void Scheduler::reportLocked(std::unique_lock<PiMutex>& lock, long tag)
{
    const SentReport r{tag, epoch_.load()};
    while (!reports_.push(r)) {
        if (manual_) { // the owner drains on this same thread, later
            reports_.grow();
            continue;
        }
        // Full: wait for the owner rather than lose a tag. A stop or clear
        // meanwhile makes the tag stale, and the owner may be waiting for us.
        lock.unlock();
        wake_();
        clock_.sleepUntilUs(clock_.nowUs() + 1000);
        lock.lock();
        if (quit_ || epoch_.load() != r.epoch)
            return;
    }
}

std::optional<int64_t> Scheduler::nextDueUs()
{
    std::lock_guard lock(m_);
    if (!activeLocked())
        return std::nullopt;
    return dueLocked(queue_[head_].timeMs);
}

void Scheduler::runDue()
{
    std::unique_lock lock(m_);
    sendDueLocked(lock, clock_.nowUs());
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
    std::unique_lock lock(m_);
    while (!quit_) {
        if (!activeLocked()) {
            cv_.wait(lock);
            continue;
        }
        const int64_t due = dueLocked(queue_[head_].timeMs);
        const int64_t now = clock_.nowUs();
        if (due - now > kLastStretchUs) {
            clock_.waitUntil(cv_, lock, due - kLastStretchUs);
            continue;
        }
        if (due > now) {
            lock.unlock();
            clock_.sleepUntilUs(due);
            lock.lock();
            continue;
        }
        sendDueLocked(lock, now);
    }
}

} // namespace lirmus
