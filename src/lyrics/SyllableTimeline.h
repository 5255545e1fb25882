#pragma once
// When each syllable of a song is sung and for how long, read from its
// message queue: the karaoke screen moves the sung colour through a syllable
// over its own duration, and counts singers in before the first line and
// after every long instrumental gap. Plain code; times are queue ms (the
// song's own time, before any tempo change), as the output reports positions.
#include <vector>

namespace lirmus {

struct SongQueue;

class SyllableTimeline {
public:
    /// The longest a syllable's colour takes to move through it: a held
    /// syllable before a pause is sung at once, not over the whole pause.
    static constexpr long kLongestWipeMs = 1500;
    /// Singers are counted in after a gap of at least this long between two syllables.
    static constexpr long kCountInGapMs = 5000;
    /// Beats counted before a line.
    static constexpr int kCountInBeats = 3;

    struct Syllable {
        long timeMs = 0;     ///< when it falls due
        int line = 0;        ///< lyric line, 1-based
        int column = 0;      ///< 1-based column in its line
        long wipeMs = 0;     ///< how long its colour takes to move through it (at least 1)
    };
    /// A count-in: beats before the first syllable of a line.
    struct CountIn {
        long firstMs = 0;    ///< when the line's first syllable is sung
        int line = 0;        ///< the line that comes next
        long beatMs = 0;     ///< one beat at the song's tempo there
    };

    /// Reads the syllables (lyric entries that are not chords) and tempos of q.
    void build(const SongQueue& q);
    void clear();

    const std::vector<Syllable>& syllables() const { return syllables_; }
    const std::vector<CountIn>& countIns() const { return countIns_; }

    /// How much of the syllable at line and column is sung at posMs: 0 before it
    /// falls due, 1 once its wipe time has passed (1 for a syllable it does not know).
    double sungFraction(int line, int column, double posMs) const;

    /// The count-in under way at posMs: beats still to come (kCountInBeats..1) and its line; 0 when none.
    int countInBeatsLeft(double posMs, int* line = nullptr) const;

private:
    std::vector<Syllable> syllables_; // by time
    std::vector<CountIn> countIns_;   // by time
};

} // namespace lirmus
