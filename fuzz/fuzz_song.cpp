// libFuzzer entry point: the reader, then the whole song preparation as the
// player runs it, on every input.
#include "FuzzOne.h"
#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "SongState.h"
#include "SongSink.h"

#include <string>

namespace {

/// Checks what every prepared queue must satisfy; aborts so the fuzzer keeps the input.
void check(const lirmus::SongState& song)
{
    const lirmus::SongQueue& q = song.queue;
    if (q.MsgCount < 0 || (q.MsgCount > 0 && size_t(q.MsgCount) >= q.MsgQueue.size())) __builtin_trap();
    for (long i = 2; i <= q.MsgCount; ++i)
        if (q[i].Time < q[i - 1].Time) __builtin_trap();  // the finished queue is in time order
    for (long i = 1; i <= q.MsgCount; ++i) {
        const lirmus::QueueEntry& e = q[i];
        if (e.Status == 255 && e.Data1 == 5 && !e.Text.startsWith('%') &&
            (e.Value < 1 || e.Value > song.LyricLineCount()))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    lirmus::fuzz::fuzzOne(data, size);

    // The last byte picks the settings, so each file is tried several ways.
    const uint8_t pick = size ? data[size - 1] : 0;
    lirmus::Settings settings;
    settings.TurboStart = pick & 1;
    settings.ExternalMCI = pick & 2;
    settings.FilterLyrics = pick & 4;
    settings.ItalianNotation = pick & 8;
    settings.MelodyChannel = (pick >> 4) & 15;

    lirmus::QuietSongSink views(150, 1920 * 15);
    lirmus::Midifile reader;
    reader.setFileName("fuzz.mid");
    reader.loadBytes(std::string(reinterpret_cast<const char*>(data), size));
    lirmus::SongState song;
    lirmus::PlayerFlags flags;
    lirmus::SongLoader(reader, song, flags, settings, views, views).LoadSong();
    check(song);
    return 0;
}
