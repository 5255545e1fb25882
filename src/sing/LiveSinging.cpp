#include "LiveSinging.h"

#include <algorithm>
#include <cmath>

namespace lirmus {

void LiveSinging::setSong(const SingSong& song)
{
    engine_ = std::make_unique<ScoreEngine>(song);
    trace_.clear();
    nextLine_ = 0;
    lastRating_.clear();
    int lo = 127, hi = 0;
    for (const MelodyNote& n : song.notes) {
        lo = std::min(lo, n.pitch);
        hi = std::max(hi, n.pitch);
    }
    if (lo > hi) lo = hi = 60;
    // A little room above and below, and at least an octave and a half.
    const int centre = (lo + hi) / 2, half = std::max(9, (hi - lo) / 2 + 2);
    low_ = centre - half;
    high_ = centre + half;
}

void LiveSinging::clear()
{
    engine_.reset();
    trace_.clear();
    nextLine_ = 0;
    lastRating_.clear();
}

void LiveSinging::setKey(int semitones)
{
    if (engine_) engine_->setKey(semitones);
}

float LiveSinging::folded(double songMs, float midi) const
{
    double target = (low_ + high_) / 2.0 + key();
    const auto& notes = engine_->song().notes;
    // The note sounding then, else the nearest one starting within a second.
    double best = 1000;
    for (auto it = std::lower_bound(notes.begin(), notes.end(), songMs - 8000,
                                    [](const MelodyNote& n, double t) { return n.start < t; });
         it != notes.end() && it->start < songMs + 1000; ++it) {
        const double d = songMs < it->start ? it->start - songMs : (songMs > it->end ? songMs - it->end : 0);
        if (d < best) {
            best = d;
            target = it->pitch + key();
        }
    }
    return float(midi + 12.0 * std::round((target - midi) / 12.0));
}

void LiveSinging::addFrame(double songMs, double lengthMs, float midi)
{
    if (!engine_) return;
    engine_->addFrame(songMs, lengthMs, midi);
    if (!trace_.empty() && songMs < trace_.back().ms - 500) trace_.clear(); // a seek back
    trace_.push_back({songMs, midi > 0 ? folded(songMs, midi) : 0.0f});
    while (!trace_.empty() && trace_.front().ms < songMs - kTraceKeptMs) trace_.pop_front();
}

std::vector<LineResult> LiveSinging::linesEndedBy(double songMs)
{
    std::vector<LineResult> ended;
    if (!engine_) return ended;
    const auto& lines = engine_->song().lines;
    // After a seek back the lines from there on are sung again.
    while (nextLine_ > 0 && lines[nextLine_ - 1].end > songMs) --nextLine_;
    while (nextLine_ < lines.size() && lines[nextLine_].end <= songMs) {
        const int s = engine_->lineScore(nextLine_);
        ended.push_back({nextLine_, s, ScoreEngine::rating(s)});
        if (s >= 0) lastRating_ = ScoreEngine::rating(s);
        ++nextLine_;
    }
    return ended;
}

GuideView LiveSinging::guide(double songMs) const
{
    GuideView v;
    v.nowMs = songMs;
    v.low = low_ + key();
    v.high = high_ + key();
    if (!engine_) return v;
    const auto& notes = engine_->song().notes;
    for (size_t n = 0; n < notes.size(); ++n) {
        const MelodyNote& note = notes[n];
        if (note.end < songMs - v.pastMs || note.line < 0) continue;
        if (note.start > songMs + v.aheadMs) break;
        v.bars.push_back({note.start, note.end, note.pitch + key(), float(engine_->noteFraction(n))});
    }
    for (const GuidePoint& p : trace_)
        if (p.ms >= songMs - v.pastMs && p.ms <= songMs + 100) v.trace.push_back(p);
    v.rating = lastRating_;
    return v;
}

} // namespace lirmus
