// lirmus-bench-dispatch [--runs N] FILE...: per song, the cost of the
// message-sent dispatcher for every entry the output pump tags (meta entries,
// note-ons, program changes, tracked controllers), with displays that show
// nothing and corrective messages going to a recording test device. Prints
// the median (p50), p99 and largest cost per message in µs over all runs.
#include "BenchArgs.h"
#include "ChannelState.h"
#include "Clock.h"
#include "ControllerTable.h"
#include "Dispatcher.h"
#include "LoadSong.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "Settings.h"
#include "SongState.h"
#include "SongSink.h"
#include "LyricCursor.h"
#include "TestDevice.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace lirmus;
using Steady = std::chrono::steady_clock;

namespace {

/// The queue indexes the pump would tag, the last entry left out (it stops
/// the song). Tracked controllers get their file value in Extra, as the pump leaves it.
std::vector<long> taggedEntries(SongQueue& q, const ControllerTable& mixer)
{
    std::vector<long> tags;
    for (long i = 1; i < q.MsgCount; ++i) {
        QueueEntry& e = q[i];
        const int kind = e.Status & 0xF0;
        const bool tracked = kind == 0xB0 && e.Status < 0xF0 && mixer.rowOf(e.Data1) >= 0;
        if (tracked) e.Extra = e.Data2;
        if (e.Status == 255 || (e.Status < 0xF0 && (kind == 0x90 || kind == 0xC0)) || tracked) tags.push_back(i);
    }
    return tags;
}

double percentile(const std::vector<double>& sorted, double p)
{
    return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
}

int measure(const std::string& path, int runs)
{
    Settings settings;
    QuietSongSink views;
    Midifile reader;
    SongState song;
    PlayerFlags flags;
    if (!OpenSongFile(reader, path, views) || reader.TrackCount() == 0) {
        std::printf("%s cannot be read\n", path.c_str());
        return 1;
    }
    SongLoader(reader, song, flags, settings, views, views).LoadSong();

    ControllerTable mixer = defaultControllerTable(); // volume master 100: every volume is corrected
    const std::vector<long> tags = taggedEntries(song.queue, mixer);
    if (tags.empty()) {
        std::printf("%s has no tagged entries\n", path.c_str());
        return 1;
    }
    ManualClock clock;
    TestDevice device;
    MIDIOutput out(&clock);
    out.useTestDevice(&device);
    out.setAction(1);

    NullDisplays nulls;
    std::vector<double> us;
    us.reserve(tags.size() * size_t(runs));
    size_t corrections = 0;
    for (int r = 0; r < runs; ++r) {
        PlayerState player;
        ChannelState channels;
        LyricDisplayState lyric;
        mixer.ClearControllerValues();
        device.clear();
        device.reserve(tags.size());
        const auto now = [&clock] { return double(clock.nowUs()) / 1e6; };
        LyricCursor lyrics(lyric, song, player, settings, out, now);
        Dispatcher d(song, flags, player, channels, lyric, mixer, settings, out, now, lyrics, nulls.displays());
        for (long tag : tags) {
            const auto t0 = Steady::now();
            d.MIDIOutput1_MessageSent(tag);
            us.push_back(std::chrono::duration<double, std::micro>(Steady::now() - t0).count());
        }
        corrections = device.count();
    }
    std::sort(us.begin(), us.end());
    std::printf("%-28s %7ld entries %7zu tagged %5zu corrections  p50 %.3f us  p99 %.3f us  max %.1f us\n",
                path.substr(path.find_last_of('/') + 1).c_str(), song.queue.MsgCount, tags.size(), corrections,
                percentile(us, 0.50), percentile(us, 0.99), us.back());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    std::vector<std::string> files;
    if (!readBenchArgs(argc, argv, "lirmus-bench-dispatch", runs, files)) return 2;
    int failures = 0;
    for (const std::string& f : files) failures += measure(f, runs);
    return failures == 0 ? 0 : 1;
}
