#pragma once
// What the singing tests share: songs made in the test, prepared as the
// player prepares them, and singers made from their melody.
#include "Settings.h"
#include "SingSong.h"
#include "SongState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lirmus::test {

/// Prepares the song at path with settings (default settings when none given).
SongState prepared(const std::string& path, const Settings& settings = Settings());

/// A karaoke song written to a temporary file: two lines of syllables, the tune on channel
/// melody (0-based) one note per syllable, chords on channel 0 every other beat and drums on
/// every syllable. A syllable every half beat after countIn beats; 120 beats a minute
/// unless usPerBeat says otherwise.
std::string twoLineSong(int melody = 2, uint32_t usPerBeat = 500000, int countIn = 4);

/// A karaoke song of about seconds: lines of eight syllables, one note of the tune (channel 3)
/// each, a quarter or an eighth at 100 beats a minute, with chords and drums along.
std::string longSong(int seconds);

/// A voice singing song's scored notes: a tone with a few harmonics and 5.5 Hz vibrato at each
/// note's pitch plus shift semitones, played at tempoFactor (played time = queue time x factor),
/// from time 0 of the file; rate samples a second.
std::vector<float> singMelody(const SingSong& song, double shift, double tempoFactor = 1.0, unsigned rate = 44100);

/// White noise at about a singer's loudness for ms.
std::vector<float> noise(double ms, unsigned rate = 44100);

/// Writes mono samples as a 16-bit WAV file.
bool writeMonoWav(const std::string& path, const std::vector<float>& samples, unsigned rate = 44100);

} // namespace lirmus::test
