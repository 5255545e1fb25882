#include "WavFile.h"

#include "SmfWriter.h"

#include <cstdlib>
#include <cstring>

namespace lirmus::test {
namespace {

uint32_t le32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

} // namespace

Wav readWav(const std::string& path)
{
    const std::string s = readFile(path);
    Wav w;
    if (s.size() < 44 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 8, "WAVEfmt ") != 0 ||
        s.compare(36, 4, "data") != 0)
        return w;
    w.valid = le32(s, 4) == s.size() - 8 && le32(s, 40) == s.size() - 44 && le32(s, 24) == 44100 &&
              uint8_t(s[22]) == 2 && uint8_t(s[34]) == 16;
    w.samples.resize((s.size() - 44) / 2);
    std::memcpy(w.samples.data(), s.data() + 44, w.samples.size() * 2);
    return w;
}

double firstOnsetMs(const Wav& wav, int threshold)
{
    for (size_t i = 0; i < wav.samples.size(); ++i)
        if (std::abs(wav.samples[i]) >= threshold) return double(i / 2) / 44.1;
    return -1;
}

double meanLevel(const Wav& wav, int channel, int fromMs, int toMs)
{
    double sum = 0;
    for (size_t f = size_t(fromMs) * 441 / 10; f < size_t(toMs) * 441 / 10; ++f)
        sum += wav.samples.at(2 * f + size_t(channel)) / 32767.0;
    return sum / ((toMs - fromMs) * 44.1);
}

} // namespace lirmus::test
