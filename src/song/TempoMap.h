#pragma once
// Tick to millisecond conversion through the song's tempo segments.
#include <cstdint>
#include <vector>

namespace lirmus {

struct TempoSegment {
    int64_t StartTick = 0;  ///< first tick of the segment
    int64_t EndTick = 0;    ///< last tick; TempoMap::kOpenEnd for the last segment
    float MsPerTick = 0;    ///< (µs per quarter / 1000) / ticks per quarter
};

/// The growable array of segments, index 0..TempoLast(), in the order they were added.
class TempoMap {
public:
    static constexpr int64_t kOpenEnd = 999999999;

    /// Empties the map (TempoLast() becomes -1).
    void clear();
    /// Index of the last segment, -1 when empty.
    int TempoLast() const { return int(segments_.size()) - 1; }
    /// The segments, 0..TempoLast().
    const std::vector<TempoSegment>& segments() const { return segments_; }

    /// Appends a segment from startTick at the given tempo; the previous segment
    /// now ends at startTick - 1 (0 when startTick is below 1). A division below
    /// 1 counts as 1 so a broken header cannot divide by zero.
    void TempoAggiungi(int64_t startTick, long tempo, int division);

    /// Milliseconds at tick: walks the segments in order, each one that ends
    /// before tick adding (EndTick - StartTick) ticks, the one holding tick adding
    /// (tick - StartTick); past every segment the sum of all. 0 on an empty map.
    double msAt(int64_t tick) const;

private:
    std::vector<TempoSegment> segments_;
    std::vector<double> before_;   // ms summed over the segments before each one
    bool endsAscending_ = true;    // lets msAt() search instead of walking
};

} // namespace lirmus
