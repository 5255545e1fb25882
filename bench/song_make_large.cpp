// lirmus-make-large-song OUT.mid: writes a large karaoke song for the
// benchmarks (about 1 MB, 250 000 events, 16 tracks, lyrics on one track).
#include "SmfWriter.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using lirmus::test::SmfTrack;

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
    lirmus::test::SmfWriter smf(1, int(division));
    for (int k = 0; k < 16; ++k) smf.track().runningStatus();
    auto& tracks = smf.tracks;

    // Conductor: tempo changes every 8 bars, a marker every 16 bars.
    SmfTrack& cond = tracks[0];
    cond.meta(0, 0x03, "Large song");
    cond.meta(0, 0x58, std::string("\x04\x02\x18\x08", 4));
    for (uint32_t t = 0, bar = 0; t < songTicks; t += 4 * division, ++bar) {
        if (bar % 8 == 0) cond.tempo(cond.deltaTo(t), 450000 + (lcg(seed) >> 8) % 100000);
        if (bar % 16 == 0) cond.meta(cond.deltaTo(t), 0x06, "Part " + std::to_string(bar / 16 + 1));
    }

    // Lyrics: a syllable every eighth note, a new line every 8 syllables.
    SmfTrack& words = tracks[1];
    words.meta(0, 0x03, "Words");
    static const char* syllables[] = {"la ", "li", "lo ", "sing", "ing ", "to", "night ", "a", "gain "};
    for (uint32_t t = 4 * division, n = 0; t < songTicks; t += division / 2, ++n)
        words.meta(words.deltaTo(t), 0x05, std::string(n % 8 == 0 ? "/" : "") + syllables[n % 9]);

    // Fourteen instrument tracks share the rest of the events.
    const int target = 250000;
    int used = tracks[0].events() + tracks[1].events() + 16;
    const int perTrack = (target - used) / 14;
    for (int k = 2; k < 16; ++k) {
        SmfTrack& tr = tracks[size_t(k)];
        const int ch = k == 11 ? 9 : (k - 2) % 16;
        tr.meta(0, 0x03, "Instrument " + std::to_string(k - 1));
        tr.program(0, ch, k * 5);
        tr.control(0, ch, 7, 100);
        const int notes = (perTrack - 4) / 2;
        const uint32_t step = songTicks / uint32_t(notes);
        for (int i = 0; i < notes; ++i) {
            const uint32_t t = uint32_t(i) * step;
            const int key = int(36 + (lcg(seed) >> 10) % 48);
            tr.note(tr.deltaTo(t), ch, key, int(60 + (lcg(seed) >> 12) % 60));
            tr.message(tr.deltaTo(t + step / 2), 0x80 | ch, key, 64);
        }
    }

    int events = 0;
    for (SmfTrack& t : tracks) events += t.end().events();
    const std::string file = smf.bytes();
    if (!lirmus::test::writeFile(argv[1], file)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %zu bytes, %d events, 16 tracks\n", argv[1], file.size(), events);
    return 0;
}
