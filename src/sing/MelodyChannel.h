#pragma once
// Which channel carries the tune: the one whose notes start with the lyrics'
// syllables. Karaoke files put the melody on any channel, so the setting is
// only the fallback.
#include "SongQueue.h"

namespace lirmus {

/// What the search found.
struct MelodyGuess {
    int channel = -1;     ///< 0-based; the fallback when not detected
    bool detected = false;///< the syllables chose it (else the fallback)
    int hits = 0;         ///< syllables with a note-on of channel within the window
    int syllables = 0;    ///< syllables of the song
};

/// A note-on this close to a syllable (ms, either side) sounds it.
constexpr int kSyllableWindowMs = 60;

/// The channel whose note-ons fall on the syllables (within kSyllableWindowMs) most often,
/// drums excluded; of channels that tie, the one with fewer notes (a chord counted once);
/// fallback (0-based) when the song has no syllables or no channel sounds at least half of them.
MelodyGuess detectMelodyChannel(const SongQueue& queue, int fallback);

/// A queue entry that is a lyric syllable (not a chord, not a title).
bool isSyllable(const QueueEntry& e);

} // namespace lirmus
