#include "PlayerTimers.h"

#include "Clock.h"
#include "PlayerState.h"

#include <QTimer>

namespace lirmus {
namespace {

constexpr std::array<int, 4> kIntervalMs = {20, 125, 75, 100};
constexpr std::array<const char*, 4> kNames = {"TimerOut", "Timer1", "Timer2", "TimerCard"};

size_t at(PlayerTimer t) { return size_t(t); }

} // namespace

PlayerTimers::PlayerTimers(PlayerState& state, const Clock& clock, bool real) : state_(state), clock_(clock)
{
    if (!real) return;
    owner_ = std::make_unique<QObject>();
    for (size_t i = 0; i < timers_.size(); ++i) {
        auto* timer = new QTimer(owner_.get());
        timer->setObjectName(kNames[i]);
        timer->setInterval(kIntervalMs[i]);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, owner_.get(), [this, i] { tick(PlayerTimer(i)); });
        timers_[i] = timer;
    }
}

PlayerTimers::~PlayerTimers() { stopAll(); }

bool& PlayerTimers::flag(PlayerTimer t) const
{
    switch (t) {
    case PlayerTimer::Out: return state_.TimerOutOn;
    case PlayerTimer::Display: return state_.Timer1On;
    case PlayerTimer::Card: return state_.CardTimerOn;
    case PlayerTimer::External: break;
    }
    return state_.Timer2On;
}

void PlayerTimers::setHandler(PlayerTimer t, std::function<void()> handler) { handlers_[at(t)] = std::move(handler); }

void PlayerTimers::arm(PlayerTimer t, bool on)
{
    flag(t) = on;
    if (QTimer* timer = timers_[at(t)]) {
        if (!on) timer->stop();
        else if (!timer->isActive()) timer->start();
    }
}

bool PlayerTimers::armed(PlayerTimer t) const { return flag(t); }

void PlayerTimers::tick(PlayerTimer t)
{
    if (!flag(t)) {
        if (QTimer* timer = timers_[at(t)]) timer->stop();
        return;
    }
    if (handlers_[at(t)]) handlers_[at(t)]();
}

double PlayerTimers::now() const { return double(clock_.nowUs()) / 1e6; }

void PlayerTimers::stopAll()
{
    for (size_t i = 0; i < timers_.size(); ++i) {
        if (timers_[i]) timers_[i]->stop();
        handlers_[i] = nullptr;
    }
    owner_.reset();
    timers_.fill(nullptr);
}

} // namespace lirmus
