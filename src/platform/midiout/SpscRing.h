#pragma once
// A preallocated single-producer, single-consumer ring: how the real-time
// threads hand things over without allocating or taking a lock.
#include <atomic>
#include <bit>
#include <cstddef>
#include <vector>

namespace lirmus {

template <typename T>
class SpscRing {
public:
    /// Room for capacity items (rounded up to a power of two).
    explicit SpscRing(size_t capacity)
        : slots_(std::bit_ceil(capacity < 2 ? size_t(2) : capacity)), mask_(slots_.size() - 1)
    {
    }

    /// Producer: appends n items, all or none; false when there is not room for all.
    bool push(const T* items, size_t n)
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (slots_.size() - (head - tail_.load(std::memory_order_acquire)) < n)
            return false;
        for (size_t i = 0; i < n; ++i)
            slots_[(head + i) & mask_] = items[i];
        // Sequentially consistent: a consumer that clears its wake-up flag
        // before draining either sees these items or is woken again.
        head_.store(head + n, std::memory_order_seq_cst);
        return true;
    }
    bool push(const T& item) { return push(&item, 1); }

    /// Consumer: takes up to n of the oldest items into out; returns how many.
    size_t pop(T* out, size_t n)
    {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t avail = head_.load(std::memory_order_seq_cst) - tail;
        if (n > avail)
            n = avail;
        for (size_t i = 0; i < n; ++i)
            out[i] = slots_[(tail + i) & mask_];
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }
    bool pop(T& item) { return pop(&item, 1) == 1; }

    /// Producer: room for at least this many items.
    size_t room() const { return slots_.size() - size(); }
    /// Items waiting (a snapshot from either side).
    size_t size() const { return head_.load() - tail_.load(); }
    size_t capacity() const { return slots_.size(); }

    /// Doubles the room, keeping the order. Only while no other thread uses
    /// the ring (producer and consumer are one thread on the manual clock).
    void grow()
    {
        std::vector<T> bigger(slots_.size() * 2);
        const size_t n = pop(bigger.data(), bigger.size());
        slots_.swap(bigger);
        mask_ = slots_.size() - 1;
        tail_.store(0);
        head_.store(n);
    }

private:
    std::vector<T> slots_;
    size_t mask_;
    alignas(64) std::atomic<size_t> head_{0}; // next slot the producer fills
    alignas(64) std::atomic<size_t> tail_{0}; // next slot the consumer reads
};

} // namespace lirmus
