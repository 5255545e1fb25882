#include "midiout_song.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace lirmus::bench {

std::vector<SongEvent> denseSong(int noteCount, int seconds)
{
    std::mt19937 rng(12345);
    std::vector<SongEvent> ev;
    for (int ch = 0; ch < 16; ++ch)
        ev.push_back({0, 0xC0 | ch, ch * 8, 0, {}});
    const int notes = noteCount / 2;
    const int chordSize = 4;
    const int chords = notes / chordSize;
    const double step = seconds * 1000.0 / chords;
    for (int c = 0; c < chords; ++c) {
        const long t = long(c * step);
        const long hold = 80 + long(rng() % 300);
        for (int k = 0; k < chordSize; ++k) {
            const int ch = int(rng() % 16);
            const int key = 40 + int(rng() % 48);
            ev.push_back({t, 0x90 | ch, key, 40 + int(rng() % 80), {}});
            ev.push_back({std::min<long>(t + hold, seconds * 1000L), 0x80 | ch, key, 0, {}});
        }
    }
    std::stable_sort(ev.begin(), ev.end(), [](const SongEvent& a, const SongEvent& b) { return a.ms < b.ms; });
    return ev;
}

std::vector<SongEvent> sparseSong(int gapMs, int seconds)
{
    std::vector<SongEvent> ev{{0, 0xC0, 0, 0, {}}};
    int key = 48;
    for (long t = 500; t + 200 < seconds * 1000L; t += gapMs) {
        ev.push_back({t, 0x90, key, 127, {}});
        ev.push_back({t + 150, 0x80, key, 0, {}});
        key = key == 72 ? 48 : key + 3;
    }
    return ev;
}

namespace {

struct Reader {
    const std::string& s;
    size_t at = 0;
    bool ok = true;
    uint32_t byte() { return at < s.size() ? uint8_t(s[at++]) : (ok = false, 0u); }
    uint32_t be(int n)
    {
        uint32_t v = 0;
        while (n--)
            v = v << 8 | byte();
        return v;
    }
    uint32_t vlq()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t b = byte();
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80))
                break;
        }
        return v;
    }
};

struct Raw {
    uint64_t tick;
    int order;
    SongEvent ev;
    uint32_t tempo; // 0 = not a tempo event
};

void readTrack(Reader& r, size_t end, int& order, std::vector<Raw>& out)
{
    uint64_t tick = 0;
    int running = 0;
    while (r.ok && r.at < end) {
        tick += r.vlq();
        int status = int(r.byte());
        if (status < 0x80) {
            --r.at; // running status: this byte is data
            status = running;
        } else if (status < 0xF0) {
            running = status;
        }
        if (status == 0xFF) {
            const int type = int(r.byte());
            const uint32_t len = r.vlq();
            if (type == 0x51 && len == 3)
                out.push_back({tick, order++, {}, r.be(3)});
            else
                r.at += len;
            if (type == 0x2F)
                break;
        } else if (status == 0xF0 || status == 0xF7) {
            const uint32_t len = r.vlq();
            if (status == 0xF0 && r.at + len <= r.s.size())
                out.push_back({tick, order++, {0, 0xF0, 0, 0, "\xF0" + r.s.substr(r.at, len)}, 0});
            r.at += len;
        } else if (status >= 0x80) {
            const int type = status & 0xF0;
            const int d1 = int(r.byte());
            const int d2 = type == 0xC0 || type == 0xD0 ? 0 : int(r.byte());
            out.push_back({tick, order++, {0, status, d1, d2, {}}, 0});
        } else {
            r.ok = false;
        }
    }
    r.at = end;
}

} // namespace

std::vector<SongEvent> readMidiFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    const std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Reader r{s};
    size_t head = s.find("MThd");
    if (head == std::string::npos) {
        error = "not a MIDI file: " + path;
        return {};
    }
    r.at = head + 8;
    r.be(2);
    const int tracks = int(r.be(2));
    const int division = int(r.be(2));
    if (division <= 0 || division & 0x8000) {
        error = "unsupported time division in " + path;
        return {};
    }
    r.at = head + 8 + 6;
    std::vector<Raw> raw;
    int order = 0;
    for (int t = 0; t < tracks && r.at + 8 <= s.size(); ++t) {
        if (s.compare(r.at, 4, "MTrk") != 0)
            break;
        r.at += 4;
        const size_t len = r.be(4);
        readTrack(r, std::min(s.size(), r.at + len), order, raw);
    }
    std::stable_sort(raw.begin(), raw.end(), [](const Raw& a, const Raw& b) { return a.tick < b.tick; });
    std::vector<SongEvent> ev;
    double usPerTick = 500000.0 / division, ms = 0;
    uint64_t lastTick = 0;
    for (Raw& x : raw) {
        ms += double(x.tick - lastTick) * usPerTick / 1000.0;
        lastTick = x.tick;
        if (x.tempo) {
            usPerTick = double(x.tempo) / division;
            continue;
        }
        x.ev.ms = long(ms + 0.5);
        ev.push_back(std::move(x.ev));
    }
    if (ev.empty())
        error = "no events in " + path;
    return ev;
}

bool writeMidiFile(const std::string& path, const std::vector<SongEvent>& events)
{
    // 1000 ticks per quarter at 1 000 000 µs per quarter: one tick is one ms.
    std::string track("\x00\xFF\x51\x03\x0F\x42\x40", 7);
    auto vlq = [&](uint32_t v) {
        std::string b(1, char(v & 0x7F));
        while (v >>= 7)
            b.insert(b.begin(), char(0x80 | (v & 0x7F)));
        track += b;
    };
    uint32_t lastTick = 0;
    for (const SongEvent& e : events) {
        const uint32_t tick = uint32_t(std::max(0L, e.ms));
        vlq(tick - std::min(tick, lastTick));
        lastTick = std::max(tick, lastTick);
        if (e.status == 0xF0) {
            track += char(0xF0);
            vlq(uint32_t(e.sysex.size() - 1));
            track += e.sysex.substr(1);
            continue;
        }
        track += char(e.status);
        track += char(e.data1);
        if ((e.status & 0xF0) != 0xC0 && (e.status & 0xF0) != 0xD0)
            track += char(e.data2);
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    auto be32 = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    std::string file = "MThd" + be32(6) + std::string("\x00\x00\x00\x01\x03\xE8", 6) + "MTrk" +
                       be32(uint32_t(track.size())) + track;
    std::ofstream out(path, std::ios::binary);
    out << file;
    return bool(out);
}

std::vector<long> noteOnTimes(const std::vector<SongEvent>& events)
{
    std::vector<long> t;
    for (const SongEvent& e : events)
        if ((e.status & 0xF0) == 0x90 && e.data2 > 0)
            t.push_back(e.ms);
    return t;
}

} // namespace lirmus::bench
