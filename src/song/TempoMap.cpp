#include "TempoMap.h"

#include <algorithm>

namespace lirmus {

void TempoMap::clear()
{
    segments_.clear();
    before_.clear();
    endsAscending_ = true;
}

void TempoMap::TempoAggiungi(int64_t startTick, long tempo, int division)
{
    TempoSegment s;
    s.StartTick = startTick;
    s.EndTick = kOpenEnd;
    s.MsPerTick = float((double(tempo) / 1000.0) / double(std::max(division, 1)));
    if (!segments_.empty()) {
        TempoSegment& prev = segments_.back();
        prev.EndTick = startTick < 1 ? 0 : startTick - 1;
        if (segments_.size() > 1 && prev.EndTick < segments_[segments_.size() - 2].EndTick)
            endsAscending_ = false;
        // Same sum, in the same order, as walking the segments one by one.
        before_.push_back(before_.back() + double(prev.EndTick - prev.StartTick) * double(prev.MsPerTick));
    } else {
        before_.push_back(0.0);
    }
    segments_.push_back(s);
}

double TempoMap::msAt(int64_t tick) const
{
    if (segments_.empty()) return 0.0;
    size_t k = 0;
    if (endsAscending_) {
        auto it = std::lower_bound(segments_.begin(), segments_.end(), tick,
                                   [](const TempoSegment& s, int64_t t) { return s.EndTick < t; });
        k = size_t(it - segments_.begin());
    } else {
        while (k < segments_.size() && tick > segments_[k].EndTick) ++k;
    }
    if (k == segments_.size()) {
        const TempoSegment& last = segments_.back();
        return before_.back() + double(last.EndTick - last.StartTick) * double(last.MsPerTick);
    }
    return before_[k] + double(tick - segments_[k].StartTick) * double(segments_[k].MsPerTick);
}

} // namespace lirmus
