// lirmus-bench-encoding [--runs N] [--write DIR] [FILE...]: what choosing a song's text
// encoding adds to its preparation. For typical karaoke songs made here in
// seven legacy encodings (36 lines, about 300 syllables each) and for the files
// named: the time to detect and decode all texts ("auto"), the time the old
// rule takes (every text read as Windows-1252), the difference, detection
// alone, and the whole read + preparation for scale. --write also saves the
// songs made here into DIR, to look at with lirmus-info or play.
#include "LoadSong.h"
#include "Midifile.h"
#include "SampleLyrics.h"
#include "Settings.h"
#include "SmfData.h"
#include "SmfWriter.h"
#include "SongState.h"
#include "SongSink.h"
#include "TextEncoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace lirmus;
using Clock = std::chrono::steady_clock;

namespace {

/// Median milliseconds of runs calls of f.
double medianMs(int runs, const std::function<void()>& f)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void measure(const std::string& name, const std::string& bytes, int runs)
{
    smf::SmfData d;
    d.bytes = bytes;
    if (!smf::parse(d).ok || d.tracks.empty()) {
        std::printf("%-26s cannot be read\n", name.c_str());
        return;
    }
    std::string encoding;
    const double autoMs = medianMs(runs, [&] { encoding = smf::decodeTexts(d, smf::kAutoEncoding)->name(); });
    const double oldMs = medianMs(runs, [&] { smf::decodeTexts(d, smf::kWindows1252); });

    // Detection alone, on the sample decodeTexts gives it: every text with bytes beyond ASCII.
    std::string sample;
    size_t high = 0;
    for (const smf::SmfEvent& e : d.events) {
        if ((e.kind & smf::kKindMask) != smf::kMeta || e.data1 < 1 || e.data1 > 15) continue;
        const smf::Span s = smf::eventData(d, e);
        const auto* p = reinterpret_cast<const unsigned char*>(d.bytes.data() + s.offset);
        const size_t h = size_t(std::count_if(p, p + s.length, [](unsigned char c) { return c >= 0x80; }));
        if (h == 0) continue;
        high += h;
        sample.append(d.bytes, s.offset, s.length);
        sample += '\n';
    }
    const double detectMs = medianMs(runs, [&] { smf::detectEncoding(sample, high); });

    Settings settings;
    const double prepareMs = medianMs(std::max(1, runs / 10), [&] {
        QuietSongSink views;
        Midifile reader;
        SongState song;
        PlayerFlags flags;
        reader.loadBytes(bytes);
        SongLoader(reader, song, flags, settings, views, views).LoadSong();
    });
    std::printf("%-26s %-13s texts %6zu B (%5zu high)  auto %7.3f ms  old rule %7.3f ms  added %7.3f ms  "
                "detection %7.3f ms  read+prepare %8.3f ms\n",
                name.c_str(), encoding.c_str(), sample.size(), high, autoMs, oldMs, autoMs - oldMs, detectMs,
                prepareMs);
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 200;
    std::string writeDir;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--write" && i + 1 < argc) writeDir = argv[++i];
        else files.push_back(a);
    }
    std::printf("median of %d runs\n", runs);
    for (const test::SampleLyrics& l : test::sampleLyrics()) {
        const std::string song = test::karaokeSong(l.lines, l.encoding, l.lines.front(), 6);
        if (!writeDir.empty() && !test::writeFile(writeDir + "/" + l.encoding + ".kar", song))
            std::fprintf(stderr, "cannot write into %s\n", writeDir.c_str());
        measure(l.what, song, runs);
    }
    for (const std::string& f : files) measure(f.substr(f.find_last_of('/') + 1), test::readFile(f), runs);
    return 0;
}
