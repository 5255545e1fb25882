#include "SingSong.h"

#include "MelodyChannel.h"

#include <algorithm>
#include <array>
#include <deque>

namespace lirmus {

namespace {

/// The notes of channel ch paired with their note-offs (a note-on at velocity 0 is one).
std::vector<MelodyNote> notesOf(const SongQueue& q, int ch)
{
    std::vector<MelodyNote> notes;
    std::array<std::deque<size_t>, 128> open; // started notes by key, oldest first
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        if (e.Status == 255 || (e.Status & 0x0F) != ch) continue;
        const int cmd = e.Status & 0xF0;
        const size_t key = e.Data1 & 0x7F;
        if (cmd == 0x90 && e.Data2 > 0) {
            open[key].push_back(notes.size());
            notes.push_back({double(e.Time), double(e.Time), int(key), -1});
        } else if ((cmd == 0x80 || cmd == 0x90) && !open[key].empty()) {
            notes[open[key].front()].end = e.Time;
            open[key].pop_front();
        }
    }
    // A note never released lasts to the end of the song.
    const double last = q.lastTime();
    for (const auto& keyOpen : open)
        for (size_t n : keyOpen) notes[n].end = std::max(notes[n].start, last);
    std::erase_if(notes, [](const MelodyNote& n) { return n.end <= n.start; });
    // A tune in thirds or octaves: one note on the top key, not two the singer cannot both sing.
    std::vector<MelodyNote> merged;
    for (const MelodyNote& n : notes) {
        if (merged.empty() || n.start - merged.back().start > kChordMs) {
            merged.push_back(n);
            continue;
        }
        MelodyNote& m = merged.back();
        m.end = std::max(m.end, n.end);
        m.pitch = std::max(m.pitch, n.pitch);
    }
    return merged;
}

/// The lyric lines with their first and last syllable times.
std::vector<SungLine> linesOf(const SongState& song, std::vector<double>& lastSyllable)
{
    std::vector<SungLine> lines;
    const SongQueue& q = song.queue;
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        if (!isSyllable(e)) continue;
        if (lines.empty() || lines.back().number != e.Value) {
            lines.push_back({e.Value, e.Time - kLineLeadMs, double(e.Time), song.LyricLines.value(e.Value - 1)});
            lastSyllable.push_back(e.Time);
        }
        lastSyllable.back() = e.Time;
    }
    return lines;
}

} // namespace

SingSong singSongOnChannel(const SongState& song, int channel)
{
    SingSong s;
    s.channel = channel;
    s.timeOffset = song.queue.TimeOffset;
    if (channel < 0 || channel > 15) return s;
    s.notes = notesOf(song.queue, channel);
    std::vector<double> lastSyllable;
    s.lines = linesOf(song, lastSyllable);
    if (s.lines.empty()) {
        for (MelodyNote& n : s.notes) n.line = 0; // no lyrics: every note counts, on one line
        return s;
    }
    // A line ends with the notes sung on its last syllable, before the next line begins.
    for (size_t l = 0; l < s.lines.size(); ++l) {
        SungLine& line = s.lines[l];
        const double limit = l + 1 < s.lines.size() ? s.lines[l + 1].start : 1e18;
        double end = lastSyllable[l] + 500;
        for (const MelodyNote& n : s.notes)
            if (std::abs(n.start - lastSyllable[l]) <= kSyllableWindowMs) end = std::max(end, n.end);
        line.end = std::min(end, limit);
    }
    size_t l = 0;
    for (MelodyNote& n : s.notes) {
        while (l < s.lines.size() && n.start >= s.lines[l].end) ++l;
        if (l < s.lines.size() && n.start >= s.lines[l].start) n.line = int(l);
    }
    return s;
}

SingSong singSongOf(const SongState& song, int fallback)
{
    const MelodyGuess g = detectMelodyChannel(song.queue, fallback);
    SingSong s = singSongOnChannel(song, g.channel);
    s.detected = g.detected;
    return s;
}

} // namespace lirmus
