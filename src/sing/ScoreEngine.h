#pragma once
// The score of a performance: for every melody note, how long the singer's
// pitch class stayed within a semitone of it (any octave: men sing an
// octave down, and trackers slip an octave), weighted by the note's length.
#include "SingSong.h"

#include <QString>

#include <vector>

namespace lirmus {

class ScoreEngine {
public:
    /// Scores against song's scored notes (those on a line).
    explicit ScoreEngine(const SingSong& song);

    /// The song is played this many semitones off its written key (the singer follows it).
    void setKey(int semitones) { key_ = semitones; }
    int key() const { return key_; }
    /// Forgets every hit (a new performance of the same song).
    void reset();

    /// The singer sang midi (fractional MIDI pitch; <= 0: no pitch) from songMs for lengthMs (queue time).
    void addFrame(double songMs, double lengthMs, float midi);

    /// Does midi sound note (transposed by key), octave-agnostic, within a semitone?
    static bool onPitch(float midi, int note);

    /// 0..100: sung time over note time, all scored notes together.
    int total() const;
    /// 0..100 for line l (index into the song's lines); -1 when it has no notes.
    int lineScore(size_t l) const;
    /// Hit time of note n over its length, 0..1.
    double noteFraction(size_t n) const;
    /// A word for a line's score.
    static QString rating(int percent);

    const SingSong& song() const { return song_; }

private:
    SingSong song_;
    std::vector<double> hit_; // ms sung on pitch, per note
    double longest_ = 0;      // the longest note, to bound the search for overlaps
    int key_ = 0;
};

} // namespace lirmus
