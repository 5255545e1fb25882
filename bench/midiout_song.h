#pragma once
// Songs for the output benchmark: generated ones, and the events of a .mid
// file as the player's own song preparation reads it.
#include <string>
#include <vector>

namespace lirmus::bench {

/// One message of a song at its time in ms.
struct SongEvent {
    long ms = 0;
    int status = 0;
    int data1 = 0;
    int data2 = 0;
    std::string sysex; ///< F0 .. F7 for status 240
};

/// Dense: 16 channels, noteCount note messages (on and off) over seconds, in chords.
std::vector<SongEvent> denseSong(int noteCount, int seconds);
/// Sparse: one loud piano note every gapMs, each held 150 ms, for seconds.
std::vector<SongEvent> sparseSong(int gapMs, int seconds);
/// Channel and system-exclusive events of a Standard MIDI File, time-ordered; error when unreadable.
std::vector<SongEvent> readMidiFile(const std::string& path, std::string& error);
/// Writes events as a format-0 file in which one tick is one ms.
bool writeMidiFile(const std::string& path, const std::vector<SongEvent>& events);
/// Times in ms of the note-ons (velocity > 0).
std::vector<long> noteOnTimes(const std::vector<SongEvent>& events);

} // namespace lirmus::bench
