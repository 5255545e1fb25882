#pragma once
// The singer's voice on its way into the recording: the microphone's thread
// pushes blocks stamped with their capture time into a preallocated ring, the
// WAV writer's thread takes them out. Neither side waits or takes a lock.
#include "SpscRing.h"

#include <atomic>
#include <cstdint>

namespace lirmus {

class VoiceTap {
public:
    /// The most samples one pop gives.
    static constexpr int kChunk = 1024;

    /// rate: the recording's sample rate; seconds: voice the ring holds while the writer is busy.
    explicit VoiceTap(int rate, int seconds = 4);

    /// Microphone thread: n mono samples at inputRate, the first captured at capturedUs
    /// (steady clock). Converted to the recording's rate; dropped (and counted) when the ring is full.
    void push(int64_t capturedUs, const float* mono, int n, int inputRate);
    /// Writer thread: the next block, up to max (at least kChunk) samples into out; its first sample's capture time in
    /// capturedUs. Returns how many (0: none waiting).
    int pop(int64_t& capturedUs, float* out, int max);
    /// Whether a take wants the voice (the microphone skips the work otherwise).
    bool wanted() const { return wanted_.load(std::memory_order_relaxed); }
    /// Writer thread: a take starts or ends.
    void setWanted(bool on) { wanted_.store(on, std::memory_order_relaxed); }
    /// Samples dropped for a full ring.
    int64_t lost() const { return lost_.load(); }
    /// The recording's sample rate.
    int rate() const { return rate_; }

private:
    struct Block {
        int64_t capturedUs = 0;
        int samples = 0;
    };
    const int rate_;
    SpscRing<float> samples_;
    SpscRing<Block> blocks_;
    std::atomic<bool> wanted_{false};
    std::atomic<int64_t> lost_{0};
    float scratch_[kChunk];
};

} // namespace lirmus
