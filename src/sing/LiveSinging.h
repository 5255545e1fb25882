#pragma once
// A performance as it happens: the voice's frames scored against the song as
// they arrive, the lines' ratings as each line ends, and what the pitch guide
// shows at any moment (notes in song time, moved by the key, the trace, hits).
#include "GuideRender.h"
#include "ScoreEngine.h"

#include <deque>
#include <memory>
#include <optional>

namespace lirmus {

/// A line just ended, with its score.
struct LineResult {
    size_t line = 0;   ///< index into the song's lines
    int score = -1;    ///< 0..100, -1 when it had no notes
    QString rating;
};

class LiveSinging {
public:
    /// A new song (its melody); every hit and the trace are forgotten.
    void setSong(const SingSong& song);
    /// No song: nothing is scored or shown.
    void clear();
    bool hasSong() const { return engine_ != nullptr; }
    const SingSong* song() const { return engine_ ? &engine_->song() : nullptr; }

    /// The song now plays this many semitones off its written key.
    void setKey(int semitones);
    int key() const { return engine_ ? engine_->key() : 0; }

    /// The singer sang midi (0: nothing) from songMs for lengthMs.
    void addFrame(double songMs, double lengthMs, float midi);

    /// The lines that ended by songMs since the last call, in order. A seek back lets lines end again.
    std::vector<LineResult> linesEndedBy(double songMs);
    /// The song's total so far, 0..100.
    int total() const { return engine_ ? engine_->total() : 0; }

    /// What the guide shows with songMs at the cue line.
    GuideView guide(double songMs) const;

    /// Milliseconds of trace kept behind the newest frame.
    static constexpr double kTraceKeptMs = 3000;

private:
    /// midi moved by octaves next to the note sung near songMs (or into the guide's range).
    float folded(double songMs, float midi) const;

    std::unique_ptr<ScoreEngine> engine_;
    std::deque<GuidePoint> trace_;
    size_t nextLine_ = 0;     // the first line not yet ended
    QString lastRating_;
    int low_ = 48, high_ = 72;
};

} // namespace lirmus
