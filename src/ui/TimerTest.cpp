#include "TimerTest.h"

#include <cmath>

namespace lirmus {

ScoreColour scoreColour(double score)
{
    if (score > 69) return ScoreColour::LightGreen;
    if (score < 40) return ScoreColour::LightRed;
    return ScoreColour::Unchanged;
}

int roundedScore(double score) { return static_cast<int>(std::nearbyint(score)); }

double Test_Timers(const std::function<long long()>& millisecondClock)
{
    constexpr int kSamples = 30;
    // A clock that never moves must not hang the about box.
    constexpr long long kMaxReads = 2'000'000;
    double sum = 0;
    for (int i = 0; i < kSamples; ++i) {
        const long long start = millisecondClock();
        long long count = 0;
        while (millisecondClock() == start && count < kMaxReads) ++count;
        sum += count * 100.0 / 125.0;
    }
    // The classic arithmetic kept four decimals (currency); that precision is plenty.
    return std::round(sum / kSamples * 10000.0) / 10000.0;
}

} // namespace lirmus
