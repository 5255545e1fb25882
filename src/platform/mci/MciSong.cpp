#include "MciSong.h"

#include "MciErrors.h"
#include "Midifile.h"

#include <algorithm>
#include <cmath>

namespace lirmus {

namespace {

constexpr int kMetaTempo = 0x51;
constexpr int kMetaEndOfTrack = 0x2F;

void putVlq(std::string& out, uint32_t v)
{
    char buf[5];
    int n = 0;
    buf[n++] = char(v & 0x7F);
    while (v >>= 7)
        buf[n++] = char(0x80 | (v & 0x7F));
    while (n > 0)
        out += buf[--n];
}

void putBe(std::string& out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char((v >> (8 * i)) & 0xFF);
}

// One track of the selected file, event by event, with explicit status bytes.
std::string trackBytes(Midifile& f, int64_t& endTick, std::vector<std::pair<int64_t, long>>& tempos)
{
    std::string t;
    int64_t tick = 0;
    bool ended = false;
    for (long e = 1; e <= f.EventCount() && !ended; ++e) {
        f.setEventIndex(e);
        const uint32_t delta = uint32_t(f.EventTime());
        tick += delta;
        putVlq(t, delta);
        const int status = f.Status();
        const std::string& data = f.DataString();
        if (status == 255) {
            t += char(0xFF);
            t += char(f.Data1());
            putVlq(t, uint32_t(data.size()));
            t += data;
            if (f.Data1() == kMetaTempo && data.size() >= 3)
                tempos.emplace_back(tick, (long(uint8_t(data[0])) << 16) | (uint8_t(data[1]) << 8) |
                                              uint8_t(data[2]));
            ended = f.Data1() == kMetaEndOfTrack;
        } else if (status == 240) {
            // "\xF0" + data is a whole message; anything else is an F7 escape packet.
            const bool whole = !data.empty() && uint8_t(data[0]) == 0xF0;
            t += char(whole ? 0xF0 : 0xF7);
            putVlq(t, uint32_t(data.size() - (whole ? 1 : 0)));
            t += whole ? data.substr(1) : data;
        } else {
            t += char(status);
            t += char(f.Data1());
            if ((status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0)
                t += char(f.Data2());
        }
    }
    if (!ended)
        t += std::string("\x00\xFF\x2F\x00", 4);
    endTick = tick;
    return t;
}

} // namespace

bool MciSong::load(const std::string& path, int& error, std::string& message)
{
    Midifile f;
    int readError = 0;
    f.onError = [&](int number, const std::string& text) {
        if (!readError)
            readError = number, message = text;
    };
    f.setFileName(path);
    f.setAction(1);
    if (f.TrackCount() == 0 || readError) {
        error = readError == Midifile::kErrorCannotOpen ? kMciErrFileNotFound : kMciErrBadFile;
        if (message.empty())
            message = "\"" + path + "\" is not a MIDI song.";
        return false;
    }
    if (f.TimeFormat() == 1 || f.Division() < 1) {
        error = kMciErrBadFile;
        message = "\"" + path + "\" is timed in " +
                  (f.TimeFormat() == 1 ? "SMPTE frames" : "zero ticks per quarter note") +
                  "; the sequencer cannot play it.";
        return false;
    }
    const int division = f.Division();
    std::vector<std::pair<int64_t, long>> tempos;
    smf_ = "MThd";
    putBe(smf_, 6, 4);
    putBe(smf_, 1, 2);
    putBe(smf_, uint32_t(f.TrackCount()), 2);
    putBe(smf_, uint32_t(division), 2);
    lastTick_ = 0;
    for (int tr = 1; tr <= f.TrackCount(); ++tr) {
        f.setTrack(tr);
        int64_t end = 0;
        const std::string body = trackBytes(f, end, tempos);
        lastTick_ = std::max(lastTick_, end);
        smf_ += "MTrk";
        putBe(smf_, uint32_t(body.size()), 4);
        smf_ += body;
    }

    // Every track's tempo events count, as the player applies them all.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    tempo_.assign(1, {0, 0.0, 500.0 / division});
    for (const auto& [tick, us] : tempos) {
        if (us <= 0)
            continue;
        const Segment& last = tempo_.back();
        const double ms = last.ms + double(tick - last.tick) * last.msPerTick;
        if (tick == last.tick)
            tempo_.back().msPerTick = us / 1000.0 / division;
        else
            tempo_.push_back({tick, ms, us / 1000.0 / division});
    }
    return true;
}

const MciSong::Segment& MciSong::segmentAtTick(int64_t tick) const
{
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), tick,
                               [](int64_t t, const Segment& s) { return t < s.tick; });
    return *std::prev(it); // the first segment starts at tick 0
}

double MciSong::msAt(int64_t tick) const
{
    if (tempo_.empty())
        return 0;
    const Segment& s = segmentAtTick(std::max<int64_t>(tick, 0));
    return s.ms + double(std::max<int64_t>(tick, 0) - s.tick) * s.msPerTick;
}

int64_t MciSong::tickAt(double ms) const
{
    if (tempo_.empty() || ms <= 0)
        return 0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), ms,
                               [](double m, const Segment& s) { return m < s.ms; });
    const Segment& s = *std::prev(it);
    return s.tick + int64_t(std::floor((ms - s.ms) / s.msPerTick + 1e-9));
}

long MciSong::lengthMs() const { return std::lround(msAt(lastTick_)); }

} // namespace lirmus
