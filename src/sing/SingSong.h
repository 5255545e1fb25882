#pragma once
// What a singer is measured against: the melody channel's notes with their
// times, and the lyric lines they belong to. Times are queue milliseconds
// (the song's own tempo, the fast start's offset taken off, as the player's
// position runs).
#include "SongState.h"

#include <QString>

#include <vector>

namespace lirmus {

/// One note of the melody.
struct MelodyNote {
    double start = 0, end = 0; ///< queue ms
    int pitch = 0;             ///< MIDI key as written (untransposed); the top one of a chord
    int line = 0;              ///< index into SingSong::lines; -1 = sung on no line (not scored)
};

/// One lyric line as sung: from a little before its first syllable to the end of its last note.
struct SungLine {
    int number = 0;            ///< the lyric line (1-based, as in the song's LyricLines)
    double start = 0, end = 0; ///< queue ms
    QString text;
};

struct SingSong {
    int channel = -1;          ///< 0-based melody channel
    bool detected = false;     ///< found from the lyrics (else the setting)
    long timeOffset = 0;       ///< ms the fast start took off: file time = queue time + this
    std::vector<MelodyNote> notes; ///< by start time
    std::vector<SungLine> lines;   ///< by time; empty for a song without lyrics (all notes count)
};

/// Notes starting this close together sound as one chord: a tune doubled in thirds or
/// octaves is sung on its top voice.
constexpr double kChordMs = 30;

/// A line's span starts this long before its first syllable (a singer comes in a little early).
constexpr double kLineLeadMs = 100;

/// The melody of a prepared song: channel detected from its lyrics, fallback (0-based) otherwise.
SingSong singSongOf(const SongState& song, int fallback);

/// The melody of a song with a known channel (0-based).
SingSong singSongOnChannel(const SongState& song, int channel);

} // namespace lirmus
