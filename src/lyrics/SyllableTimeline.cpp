#include "SyllableTimeline.h"

#include "SongQueue.h"

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kMetaLyric = 5;
constexpr int kMetaTempo = 81;
constexpr long kDefaultBeatMs = 500; // 120 beats a minute, as a file without tempo plays
// A beat outside these is no count a singer can follow: half or double it.
constexpr long kShortestBeatMs = 300;
constexpr long kLongestBeatMs = 1200;

long countableBeat(long beatMs)
{
    while (beatMs < kShortestBeatMs) beatMs *= 2;
    while (beatMs > kLongestBeatMs) beatMs /= 2;
    return beatMs;
}

} // namespace

void SyllableTimeline::clear()
{
    syllables_.clear();
    countIns_.clear();
}

void SyllableTimeline::build(const SongQueue& q)
{
    clear();
    struct Tempo {
        long timeMs;
        long beatMs;
    };
    std::vector<Tempo> tempos;
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        if (e.Status != 255) continue;
        if (e.Data1 == kMetaTempo && e.Value > 0) tempos.push_back({e.Time, std::lround(60000.0 / e.Value)});
        else if (e.Data1 == kMetaLyric && e.Value > 0 && !e.Text.startsWith(QLatin1Char('%')))
            syllables_.push_back({e.Time, int(e.Value), int(e.Extra), 0});
    }
    std::stable_sort(syllables_.begin(), syllables_.end(),
                     [](const Syllable& a, const Syllable& b) { return a.timeMs < b.timeMs; });
    const auto beatAt = [&](long ms) {
        long beat = kDefaultBeatMs;
        for (const Tempo& t : tempos)
            if (t.timeMs <= ms) beat = t.beatMs;
        return countableBeat(beat);
    };
    for (size_t i = 0; i < syllables_.size(); ++i) {
        Syllable& s = syllables_[i];
        // Up to the next syllable that comes later: the colour reaches the end
        // of this one exactly when the next one falls due.
        long next = -1;
        for (size_t j = i + 1; j < syllables_.size(); ++j)
            if (syllables_[j].timeMs > s.timeMs) {
                next = syllables_[j].timeMs;
                break;
            }
        s.wipeMs = next < 0 ? kLongestWipeMs : std::clamp(next - s.timeMs, 1L, kLongestWipeMs);
        const bool afterGap = i == 0 || s.timeMs - syllables_[i - 1].timeMs >= kCountInGapMs;
        if (afterGap) countIns_.push_back({s.timeMs, s.line, beatAt(s.timeMs)});
    }
}

double SyllableTimeline::sungFraction(int line, int column, double posMs) const
{
    // Syllables are looked up near the position first: that is where the one sung is.
    const auto at = std::upper_bound(syllables_.begin(), syllables_.end(), posMs,
                                     [](double ms, const Syllable& s) { return ms < s.timeMs; });
    const auto matches = [&](const Syllable& s) { return s.line == line && s.column == column; };
    auto it = std::find_if(std::make_reverse_iterator(at), syllables_.rend(), matches);
    const Syllable* s = nullptr;
    if (it != syllables_.rend()) s = &*it;
    else if (auto later = std::find_if(at, syllables_.end(), matches); later != syllables_.end()) s = &*later;
    if (!s) return 1.0;
    return std::clamp((posMs - double(s->timeMs)) / double(s->wipeMs), 0.0, 1.0);
}

int SyllableTimeline::countInBeatsLeft(double posMs, int* line) const
{
    const auto next = std::upper_bound(countIns_.begin(), countIns_.end(), posMs,
                                       [](double ms, const CountIn& c) { return ms < c.firstMs; });
    if (next == countIns_.end()) return 0;
    const double before = double(next->firstMs) - posMs;
    const int beats = int(std::ceil(before / double(next->beatMs)));
    if (beats < 1 || beats > kCountInBeats) return 0;
    if (line) *line = next->line;
    return beats;
}

} // namespace lirmus
