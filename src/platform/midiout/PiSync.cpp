#include "PiSync.h"

#include <ctime>

namespace lirmus {

PiMutex::PiMutex()
{
    pthread_mutexattr_t a;
    pthread_mutexattr_init(&a);
    pthread_mutexattr_setprotocol(&a, PTHREAD_PRIO_INHERIT);
    pthread_mutex_init(&m_, &a);
    pthread_mutexattr_destroy(&a);
}

PiMutex::~PiMutex() { pthread_mutex_destroy(&m_); }

void PiMutex::lock() { pthread_mutex_lock(&m_); }

void PiMutex::unlock() { pthread_mutex_unlock(&m_); }

bool PiMutex::try_lock() { return pthread_mutex_trylock(&m_) == 0; }

PiCondition::PiCondition()
{
    pthread_condattr_t a;
    pthread_condattr_init(&a);
    pthread_condattr_setclock(&a, CLOCK_MONOTONIC);
    pthread_cond_init(&c_, &a);
    pthread_condattr_destroy(&a);
}

PiCondition::~PiCondition() { pthread_cond_destroy(&c_); }

void PiCondition::wait(std::unique_lock<PiMutex>& lock)
{
    pthread_cond_wait(&c_, lock.mutex()->native());
}

void PiCondition::waitUntilUs(std::unique_lock<PiMutex>& lock, int64_t deadlineUs)
{
    timespec t;
    t.tv_sec = time_t(deadlineUs / 1'000'000);
    t.tv_nsec = long(deadlineUs % 1'000'000) * 1000;
    pthread_cond_timedwait(&c_, lock.mutex()->native(), &t);
}

void PiCondition::notifyAll() { pthread_cond_broadcast(&c_); }

} // namespace lirmus
