#pragma once
// The singer's pitch, hop by hop, from mono samples: aubio's YIN-FFT. Plain
// and single-threaded: the microphone's worker thread and lirmus-score both
// drive one.
#include <cstdint>
#include <memory>
#include <vector>

namespace lirmus {

/// One hop of voice.
struct PitchFrame {
    double ms = 0;     ///< start of the time it stands for, from the first sample fed
    double lengthMs = 0;
    float midi = 0;    ///< fractional MIDI pitch; 0 = no pitch (silence, noise, breath)
    float levelDb = -120; ///< loudness of the hop, dB full scale
};

class PitchTracker {
public:
    /// Hop of 512 samples (about 11 ms at 44.1 kHz) over a 2048-sample window.
    explicit PitchTracker(unsigned sampleRate, unsigned window = 2048, unsigned hop = 512);
    ~PitchTracker();
    PitchTracker(const PitchTracker&) = delete;
    PitchTracker& operator=(const PitchTracker&) = delete;

    /// The tracker could be made (aubio accepted the sizes).
    bool valid() const { return pitch_ != nullptr; }
    /// Feeds count mono samples (-1..1); appends one frame per hop completed.
    void feed(const float* samples, size_t count, std::vector<PitchFrame>& out);
    /// Starts again at time 0.
    void reset();

    unsigned sampleRate() const { return rate_; }
    double hopMs() const { return 1000.0 * hop_ / rate_; }

    /// Quieter hops are silence.
    static constexpr float kSilenceDb = -50.0f;

private:
    unsigned rate_, window_, hop_;
    void* pitch_ = nullptr;   // aubio_pitch_t
    void* in_ = nullptr;      // fvec_t of one hop
    void* out_ = nullptr;     // fvec_t of one value
    size_t fill_ = 0;         // samples in the hop being filled
    uint64_t hops_ = 0;       // hops done
};

} // namespace lirmus
