#include "VoiceMix.h"

#include <algorithm>

namespace lirmus {

namespace {

// A voice this far ahead of what was handed out is not the take's (a clock gone wrong).
constexpr int64_t kFarAheadFrames = 44100 * 30;

void dropFront(std::vector<float>& v, size_t n) { v.erase(v.begin(), v.begin() + std::ptrdiff_t(n)); }

} // namespace

VoiceMix::VoiceMix(int holdFrames) : hold_(holdFrames) {}

void VoiceMix::start(int64_t from, bool voice)
{
    voice_ = voice;
    base_ = backingEnd_ = voiceEnd_ = from;
    late_ = 0;
    l_.clear();
    r_.clear();
    v_.clear();
}

void VoiceMix::growTo(int64_t end)
{
    if (end - base_ > int64_t(l_.size())) {
        const size_t n = size_t(end - base_);
        l_.resize(n, 0.0f);
        r_.resize(n, 0.0f);
        v_.resize(n, 0.0f);
    }
}

void VoiceMix::addBacking(int64_t start, int n, const float* left, const float* right)
{
    const int skip = int(std::clamp<int64_t>(std::max(base_, backingEnd_) - start, 0, n));
    if (skip >= n)
        return;
    const int64_t first = start + skip, end = start + n;
    growTo(end);
    for (int64_t f = first; f < end; ++f) {
        l_[size_t(f - base_)] = left[f - start];
        r_[size_t(f - base_)] = right[f - start];
    }
    backingEnd_ = end;
}

void VoiceMix::addVoice(int64_t start, int n, const float* mono)
{
    if (!voice_)
        return;
    const int64_t end = start + n;
    const int64_t first = std::max(start, base_), last = std::min(end, base_ + kFarAheadFrames);
    late_ += (first - start) + (end - std::max(last, first));
    if (first >= last)
        return;
    growTo(last);
    for (int64_t f = first; f < last; ++f)
        v_[size_t(f - base_)] += mono[f - start];
    voiceEnd_ = std::max(voiceEnd_, last);
}

int64_t VoiceMix::take(std::vector<float>& left, std::vector<float>& right, bool finishing, int64_t endFrame)
{
    int64_t ready = backingEnd_;
    if (voice_ && !finishing)
        ready = std::min(ready, std::max(voiceEnd_, backingEnd_ - hold_));
    ready = std::min(ready, endFrame);
    const int64_t n = std::max<int64_t>(0, ready - base_);
    left.resize(size_t(n));
    right.resize(size_t(n));
    for (size_t i = 0; i < size_t(n); ++i) {
        left[i] = l_[i] + v_[i];
        right[i] = r_[i] + v_[i];
    }
    dropFront(l_, size_t(n));
    dropFront(r_, size_t(n));
    dropFront(v_, size_t(n));
    base_ += n;
    return n;
}

} // namespace lirmus
