#include "PitchTracker.h"

#include <aubio/aubio.h>

#include <cmath>

namespace lirmus {

PitchTracker::PitchTracker(unsigned sampleRate, unsigned window, unsigned hop)
    : rate_(sampleRate ? sampleRate : 44100), window_(window), hop_(hop)
{
    aubio_pitch_t* p = new_aubio_pitch("yinfft", window_, hop_, rate_);
    if (!p) return;
    aubio_pitch_set_unit(p, "midi");
    aubio_pitch_set_silence(p, kSilenceDb);
    pitch_ = p;
    in_ = new_fvec(hop_);
    out_ = new_fvec(1);
}

PitchTracker::~PitchTracker()
{
    if (pitch_) del_aubio_pitch(static_cast<aubio_pitch_t*>(pitch_));
    if (in_) del_fvec(static_cast<fvec_t*>(in_));
    if (out_) del_fvec(static_cast<fvec_t*>(out_));
}

void PitchTracker::reset()
{
    fill_ = 0;
    hops_ = 0;
}

void PitchTracker::feed(const float* samples, size_t count, std::vector<PitchFrame>& out)
{
    if (!pitch_) return;
    auto* p = static_cast<aubio_pitch_t*>(pitch_);
    auto* in = static_cast<fvec_t*>(in_);
    auto* res = static_cast<fvec_t*>(out_);
    for (size_t i = 0; i < count;) {
        const size_t take = std::min<size_t>(count - i, hop_ - fill_);
        for (size_t k = 0; k < take; ++k) in->data[fill_ + k] = samples[i + k];
        fill_ += take;
        i += take;
        if (fill_ < hop_) break;
        fill_ = 0;
        double energy = 0;
        for (unsigned k = 0; k < hop_; ++k) energy += double(in->data[k]) * in->data[k];
        aubio_pitch_do(p, in, res);
        PitchFrame f;
        f.lengthMs = hopMs();
        // The estimate stands for the middle of the window that ends with this hop.
        const double endSample = double(++hops_) * hop_;
        f.ms = std::max(0.0, (endSample - window_ / 2.0 - hop_ / 2.0) * 1000.0 / rate_);
        f.levelDb = float(10.0 * std::log10(energy / hop_ + 1e-12));
        const float midi = res->data[0];
        // YIN-FFT answers 0 when no period stands out (noise, breath); its confidence is not kept.
        if (midi > 0 && f.levelDb > kSilenceDb) f.midi = midi;
        out.push_back(f);
    }
}

} // namespace lirmus
