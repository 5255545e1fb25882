#pragma once
// Stereo frames handed from our render thread to the sound card's callback.
// One writer, one reader, no locks and no allocation after construction, so
// the real-time side never waits.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace lirmus {

class AudioRing {
public:
    /// Room for capacity frames, allocated now.
    explicit AudioRing(size_t capacity) : left_(capacity), right_(capacity) {}

    /// Frames waiting to be read.
    size_t size() const { return size_t(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire)); }
    /// Frames that can still be written.
    size_t space() const { return left_.size() - size(); }

    /// Writer: appends n frames; false (nothing written) when they do not fit.
    bool push(const float* l, const float* r, size_t n)
    {
        if (n > space())
            return false;
        const uint64_t w = written_.load(std::memory_order_relaxed);
        for (size_t i = 0; i < n; ++i) {
            const size_t at = size_t((w + i) % left_.size());
            left_[at] = l[i];
            right_[at] = r[i];
        }
        written_.store(w + n, std::memory_order_release);
        return true;
    }

    /// Reader: takes up to n frames; the rest of l and r is silence. Returns frames taken.
    size_t pop(float* l, float* r, size_t n)
    {
        const uint64_t rd = read_.load(std::memory_order_relaxed);
        const size_t k = std::min(n, size_t(written_.load(std::memory_order_acquire) - rd));
        for (size_t i = 0; i < k; ++i) {
            const size_t at = size_t((rd + i) % left_.size());
            l[i] = left_[at];
            r[i] = right_[at];
        }
        std::fill(l + k, l + n, 0.0f);
        std::fill(r + k, r + n, 0.0f);
        read_.store(rd + k, std::memory_order_release);
        return k;
    }

private:
    std::vector<float> left_, right_;
    std::atomic<uint64_t> written_{0}, read_{0};
};

} // namespace lirmus
