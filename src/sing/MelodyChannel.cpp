#include "MelodyChannel.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lirmus {

namespace {
constexpr int kDrums = 9;
}

bool isSyllable(const QueueEntry& e)
{
    return e.Status == 255 && e.Data1 == 5 && e.Value > 0 && !e.Text.startsWith(QLatin1Char('%'));
}

MelodyGuess detectMelodyChannel(const SongQueue& queue, int fallback)
{
    std::vector<int32_t> syllables;
    std::array<std::vector<int32_t>, 16> onsets;
    std::array<int, 16> notes{};
    for (long i = 1; i <= queue.MsgCount; ++i) {
        const QueueEntry& e = queue[i];
        if (isSyllable(e)) syllables.push_back(e.Time);
        const int ch = e.Status & 0x0F;
        if ((e.Status & 0xF0) == 0x90 && e.Status != 255 && e.Data2 > 0 && ch != kDrums) {
            std::vector<int32_t>& on = onsets[size_t(ch)];
            if (on.empty() || on.back() != e.Time) ++notes[size_t(ch)]; // a chord counts once
            on.push_back(e.Time);
        }
    }
    MelodyGuess g;
    g.channel = fallback;
    g.syllables = int(syllables.size());
    if (syllables.empty()) return g;
    // The queue is time-ordered, so both lists are sorted: a binary search per syllable.
    int best = -1, bestHits = -1;
    for (int ch = 0; ch < 16; ++ch) {
        const std::vector<int32_t>& on = onsets[size_t(ch)];
        if (on.empty()) continue;
        int hits = 0;
        for (int32_t t : syllables) {
            const auto it = std::lower_bound(on.begin(), on.end(), t - kSyllableWindowMs);
            if (it != on.end() && *it <= t + kSyllableWindowMs) ++hits;
        }
        // The tune has about a note per syllable; an accompaniment that also sounds on each plays more.
        if (hits > bestHits || (hits == bestHits && notes[size_t(ch)] < notes[size_t(best)])) {
            best = ch;
            bestHits = hits;
        }
    }
    if (best < 0) return g;
    g.hits = bestHits;
    if (2 * bestHits >= g.syllables) {
        g.channel = best;
        g.detected = true;
    }
    return g;
}

} // namespace lirmus
