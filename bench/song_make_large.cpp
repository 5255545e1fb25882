// lirmus-make-large-song OUT.mid: writes a large karaoke song for the
// benchmarks (about 1 MB, 250 000 events, 16 tracks, lyrics on one track).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string be16(uint16_t v) { return {char(v >> 8), char(v)}; }

std::string vlq(uint32_t v)
{
    std::string out(1, char(v & 0x7F));
    while (v >>= 7) out.insert(out.begin(), char((v & 0x7F) | 0x80));
    return out;
}

struct Track {
    std::string bytes;
    uint32_t now = 0;    // tick of the last event written
    int events = 0;
    uint8_t running = 0;

    void at(uint32_t tick) { bytes += vlq(tick - now); now = tick; ++events; }
    void channel(uint32_t tick, uint8_t status, uint8_t d1, uint8_t d2, bool two = true)
    {
        at(tick);
        if (status != running) bytes += char(status);
        running = status;
        bytes += char(d1);
        if (two) bytes += char(d2);
    }
    void meta(uint32_t tick, uint8_t type, const std::string& data)
    {
        at(tick);
        bytes += '\xFF';
        bytes += char(type);
        bytes += vlq(uint32_t(data.size())) + data;
        running = 0;
    }
    std::string chunk()
    {
        meta(now, 0x2F, "");
        return "MTrk" + be32(uint32_t(bytes.size())) + bytes;
    }
};

// A small fixed generator so every run writes the same song.
uint32_t lcg(uint32_t& s) { return s = s * 1664525u + 1013904223u; }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lirmus-make-large-song OUT.mid\n");
        return 2;
    }
    const uint32_t division = 480;
    const uint32_t songTicks = 960 * 600;  // 600 half notes: 10 minutes at 120 beats per minute
    uint32_t seed = 12345;
    std::vector<Track> tracks(16);

    // Conductor: tempo changes every 8 bars, a marker every 16 bars.
    Track& cond = tracks[0];
    cond.meta(0, 0x03, "Large song");
    cond.meta(0, 0x58, std::string("\x04\x02\x18\x08", 4));
    for (uint32_t t = 0, bar = 0; t < songTicks; t += 4 * division, ++bar) {
        if (bar % 8 == 0) {
            uint32_t tempo = 450000 + (lcg(seed) >> 8) % 100000;
            cond.meta(t, 0x51, std::string{char(tempo >> 16), char(tempo >> 8), char(tempo)});
        }
        if (bar % 16 == 0) cond.meta(t, 0x06, "Part " + std::to_string(bar / 16 + 1));
    }

    // Lyrics: a syllable every eighth note, a new line every 8 syllables.
    Track& words = tracks[1];
    words.meta(0, 0x03, "Words");
    static const char* syllables[] = {"la ", "li", "lo ", "sing", "ing ", "to", "night ", "a", "gain "};
    for (uint32_t t = 4 * division, n = 0; t < songTicks; t += division / 2, ++n)
        words.meta(t, 0x05, std::string(n % 8 == 0 ? "/" : "") + syllables[n % 9]);

    // Fourteen instrument tracks share the rest of the events.
    const int target = 250000;
    int used = tracks[0].events + tracks[1].events + 16;
    const int perTrack = (target - used) / 14;
    for (int k = 2; k < 16; ++k) {
        Track& tr = tracks[size_t(k)];
        const uint8_t ch = uint8_t(k == 11 ? 9 : (k - 2) % 16);
        tr.meta(0, 0x03, "Instrument " + std::to_string(k - 1));
        tr.channel(0, uint8_t(0xC0 | ch), uint8_t(k * 5), 0, false);
        tr.channel(0, uint8_t(0xB0 | ch), 7, 100);
        const int notes = (perTrack - 4) / 2;
        const uint32_t step = songTicks / uint32_t(notes);
        for (int i = 0; i < notes; ++i) {
            const uint32_t t = uint32_t(i) * step;
            const uint8_t key = uint8_t(36 + (lcg(seed) >> 10) % 48);
            tr.channel(t, uint8_t(0x90 | ch), key, uint8_t(60 + (lcg(seed) >> 12) % 60));
            tr.channel(t + step / 2, uint8_t(0x80 | ch), key, 64);
        }
    }

    std::string file = "MThd" + be32(6) + be16(1) + be16(16) + be16(uint16_t(division));
    int events = 0;
    for (Track& t : tracks) {
        file += t.chunk();
        events += t.events;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(file.data(), std::streamsize(file.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes, %d events, 16 tracks\n", argv[1], file.size(), events);
    return 0;
}
