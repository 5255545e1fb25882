#pragma once
// Reading back the WAV files the built-in synthesizer writes.
#include <cstdint>
#include <string>
#include <vector>

namespace lirmus::test {

struct Wav {
    bool valid = false;            ///< 16-bit stereo 44.1 kHz with header sizes matching the file
    std::vector<int16_t> samples;  ///< interleaved stereo
};

/// Reads a WAV file as the synthesizer writes it, checking the header against the file.
Wav readWav(const std::string& path);

/// Milliseconds from the start to the first sample louder than threshold; -1 when silent.
double firstOnsetMs(const Wav& wav, int threshold = 300);

/// The mean of channel (0 left, 1 right) from fromMs to toMs, full scale 1.
double meanLevel(const Wav& wav, int channel, int fromMs, int toMs);

} // namespace lirmus::test
