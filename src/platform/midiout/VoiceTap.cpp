#include "VoiceTap.h"

#include <algorithm>
#include <cmath>

namespace lirmus {

VoiceTap::VoiceTap(int rate, int seconds)
    : rate_(rate), samples_(size_t(rate) * size_t(seconds)), blocks_(size_t(rate) * size_t(seconds) / 64)
{
}

void VoiceTap::push(int64_t capturedUs, const float* mono, int n, int inputRate)
{
    if (n <= 0 || inputRate <= 0)
        return;
    // Chunks of the output rate, each stamped with the capture time of its first sample.
    const double step = double(inputRate) / rate_; // input samples per output sample
    // Rounded, not cut: 960 samples at 48 kHz are 882 at 44.1 kHz, not 881 and a gap.
    const int64_t total = std::llround(double(n) / step);
    for (int64_t done = 0; done < total;) {
        const int m = int(std::min<int64_t>(kChunk, total - done));
        for (int i = 0; i < m; ++i) {
            const double at = double(done + i) * step;
            const int k = int(at);
            const double frac = at - k;
            const float next = k + 1 < n ? mono[k + 1] : mono[k];
            scratch_[i] = float(mono[k] + (next - mono[k]) * frac);
        }
        const int64_t stamp = capturedUs + done * 1'000'000 / rate_;
        if (blocks_.room() == 0 || !samples_.push(scratch_, size_t(m)))
            lost_.fetch_add(m, std::memory_order_relaxed);
        else
            blocks_.push(Block{stamp, m});
        done += m;
    }
}

int VoiceTap::pop(int64_t& capturedUs, float* out, int max)
{
    Block b;
    if (max < kChunk || !blocks_.pop(b))
        return 0;
    capturedUs = b.capturedUs;
    return int(samples_.pop(out, size_t(b.samples)));
}

} // namespace lirmus
