#include "ScoreEngine.h"

#include <algorithm>
#include <cmath>

namespace lirmus {

ScoreEngine::ScoreEngine(const SingSong& song) : song_(song), hit_(song.notes.size(), 0.0)
{
    for (const MelodyNote& n : song_.notes) longest_ = std::max(longest_, n.end - n.start);
}

void ScoreEngine::reset() { std::fill(hit_.begin(), hit_.end(), 0.0); }

bool ScoreEngine::onPitch(float midi, int note)
{
    if (!(midi > 0)) return false;
    double d = std::fmod(std::abs(double(midi) - note), 12.0);
    d = std::min(d, 12.0 - d);
    return d < 1.0;
}

void ScoreEngine::addFrame(double songMs, double lengthMs, float midi)
{
    if (!(midi > 0) || lengthMs <= 0) return;
    const double from = songMs, to = songMs + lengthMs;
    const auto& notes = song_.notes;
    // Notes are by start: those overlapping [from, to) start before `to` and after from - longest.
    auto it = std::lower_bound(notes.begin(), notes.end(), from - longest_,
                               [](const MelodyNote& n, double t) { return n.start < t; });
    for (; it != notes.end() && it->start < to; ++it) {
        if (it->line < 0 || it->end <= from) continue;
        if (!onPitch(midi, it->pitch + key_)) continue;
        const double overlap = std::min(to, it->end) - std::max(from, it->start);
        double& h = hit_[size_t(it - notes.begin())];
        h = std::min(h + overlap, it->end - it->start);
    }
}

int ScoreEngine::total() const
{
    double sung = 0, all = 0;
    for (size_t n = 0; n < hit_.size(); ++n) {
        if (song_.notes[n].line < 0) continue;
        sung += hit_[n];
        all += song_.notes[n].end - song_.notes[n].start;
    }
    return all > 0 ? int(std::lround(100.0 * sung / all)) : 0;
}

int ScoreEngine::lineScore(size_t l) const
{
    double sung = 0, all = 0;
    for (size_t n = 0; n < hit_.size(); ++n) {
        if (song_.notes[n].line != int(l)) continue;
        sung += hit_[n];
        all += song_.notes[n].end - song_.notes[n].start;
    }
    return all > 0 ? int(std::lround(100.0 * sung / all)) : -1;
}

double ScoreEngine::noteFraction(size_t n) const
{
    if (n >= hit_.size()) return 0;
    const double len = song_.notes[n].end - song_.notes[n].start;
    return len > 0 ? hit_[n] / len : 0;
}

QString ScoreEngine::rating(int percent)
{
    if (percent < 0) return QStringLiteral("-");
    if (percent >= 90) return QStringLiteral("Perfect");
    if (percent >= 75) return QStringLiteral("Great");
    if (percent >= 55) return QStringLiteral("Good");
    if (percent >= 30) return QStringLiteral("Fair");
    return QStringLiteral("Miss");
}

} // namespace lirmus
