#include "midiout_song.h"

#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "SmfWriter.h"
#include "SongSink.h"

#include <algorithm>
#include <cstdint>
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

std::vector<SongEvent> readMidiFile(const std::string& path, std::string& error)
{
    // The song as the player prepares it, with its own times: no fast start.
    Midifile reader;
    QuietSongSink views;
    reader.onError = [&error](int, const std::string& message) { error = message; };
    if (!OpenSongFile(reader, path, views)) {
        if (error.empty()) error = "cannot open " + path;
        return {};
    }
    Settings settings;
    settings.TurboStart = false;
    SongState song;
    PlayerFlags flags;
    SongLoader(reader, song, flags, settings, views, views).LoadSong();
    std::vector<SongEvent> ev;
    for (long i = 1; i <= song.queue.MsgCount; ++i) {
        const QueueEntry& e = song.queue[i];
        if (e.Status == 240) ev.push_back({e.Time, 0xF0, 0, 0, e.sysExBytes().toStdString()});
        else if (e.Status >= 0x80 && e.Status < 0xF0) ev.push_back({e.Time, e.Status, e.Data1, e.Data2, {}});
    }
    if (ev.empty() && error.empty()) error = "no events in " + path;
    return ev;
}

bool writeMidiFile(const std::string& path, const std::vector<SongEvent>& events)
{
    test::SmfWriter smf(0, 1000); // 1000 ticks per quarter at one second per quarter: one tick is one ms
    test::SmfTrack& t = smf.track().tempo(0, 1000000);
    for (const SongEvent& e : events) {
        const uint32_t dt = t.deltaTo(uint32_t(std::max(0L, e.ms)));
        if (e.status == 0xF0) t.sysex(dt, e.sysex.substr(1));
        else t.message(dt, e.status, e.data1, e.data2);
    }
    t.end();
    return smf.save(path);
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
