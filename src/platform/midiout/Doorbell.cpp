#include "Doorbell.h"

#include <cerrno>
#include <pthread.h>

namespace lirmus {

Doorbell::Doorbell(std::function<void()> ring, bool threaded) : ring_(std::move(ring))
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
    quit_.store(true);
    sem_post(&sem_);
    if (helper_.joinable())
        helper_.join();
    sem_destroy(&sem_);
}

void Doorbell::press()
{
    if (pending_.exchange(true, std::memory_order_seq_cst))
        return;
    if (helper_.joinable())
        sem_post(&sem_);
    else
        ring_();
}

} // namespace lirmus
