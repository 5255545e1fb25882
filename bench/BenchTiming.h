#pragma once
// The clock and the percentiles the benchmarks that play songs share.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <vector>

/// The steady clock in microseconds.
inline int64_t benchNowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// The value at fraction p (0..1) of v once sorted, nearest rank; 0 for no values.
inline double benchPercentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

/// CPU seconds used so far by the clock's owner: CLOCK_PROCESS_CPUTIME_ID or CLOCK_THREAD_CPUTIME_ID.
inline double benchCpuSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
