#include "Doorbell.h"

#include <cerrno>
#include <pthread.h>

namespace lirmus {

Doorbell::Doorbell(std::function<void()> ring, bool threaded) : ring_(std::move(ring)), threaded_(threaded)
{
    sem_init(&sem_, 0, 0);
    if (threaded)
        helper_ = std::thread([this] {
            pthread_setname_np(pthread_self(), "lirmus-doorbell");
            for (;;) {
                while (sem_wait(&sem_) != 0 && errno == EINTR) {
                }
                if (quit_.load())
                    return;
                ring_();
            }
        });
}

Doorbell::~Doorbell()
{
    stop();
    sem_destroy(&sem_);
}

void Doorbell::stop()
{
    quit_.store(true);
    sem_post(&sem_);
    if (helper_.joinable())
        helper_.join();
}

void Doorbell::press()
{
    if (quit_.load() || pending_.exchange(true, std::memory_order_seq_cst))
        return;
    if (threaded_)
        sem_post(&sem_); // after stop() only counts up: no one waits any more
    else
        ring_();
}

} // namespace lirmus
