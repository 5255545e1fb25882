#include "VoiceFile.h"

#include "PitchTracker.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace lirmus {

namespace {

uint32_t le(const char* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(p[i]);
    return v;
}

float sampleAt(const char* p, int bits, bool isFloat)
{
    if (isFloat) {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    switch (bits) {
    case 8: return (int(uint8_t(*p)) - 128) / 128.0f;
    case 16: return float(int16_t(le(p, 2))) / 32768.0f;
    case 24: return float(int32_t(le(p, 3) << 8) >> 8) / 8388608.0f;
    default: return float(double(int32_t(le(p, 4))) / 2147483648.0);
    }
}

} // namespace

VoiceAudio readVoiceWav(const std::string& path)
{
    VoiceAudio v;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        v.error = "cannot open " + path;
        return v;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) {
        v.error = path + " is not a WAV file";
        return v;
    }
    int format = 0, channels = 0, bits = 0;
    const char* samples = nullptr;
    size_t bytes = 0;
    for (size_t at = 12; at + 8 <= data.size();) {
        const std::string id = data.substr(at, 4);
        const size_t size = le(data.data() + at + 4, 4), body = at + 8;
        const size_t avail = std::min(size, data.size() - body); // a writer cut short leaves a short chunk
        if (id == "fmt " && avail >= 16) {
            format = int(le(data.data() + body, 2));
            channels = int(le(data.data() + body + 2, 2));
            v.rate = le(data.data() + body + 4, 4);
            bits = int(le(data.data() + body + 14, 2));
            if (format == 0xFFFE && avail >= 26) format = int(le(data.data() + body + 24, 2)); // extensible
        } else if (id == "data") {
            samples = data.data() + body;
            bytes = avail;
        }
        at = body + size + (size & 1);
    }
    const bool isFloat = format == 3 && bits == 32;
    if (!samples || channels < 1 || v.rate == 0 || !(format == 1 || isFloat) ||
        !(bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        v.error = path + ": only PCM or 32-bit float WAV files can be read";
        v.rate = 0;
        return v;
    }
    const size_t frameBytes = size_t(channels) * size_t(bits / 8), frames = bytes / frameBytes;
    v.samples.resize(frames);
    for (size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += sampleAt(samples + f * frameBytes + size_t(c) * (bits / 8), bits, isFloat);
        v.samples[f] = sum / float(channels);
    }
    return v;
}

void scoreRecording(ScoreEngine& engine, const VoiceAudio& voice, double tempoFactor)
{
    PitchTracker tracker(voice.rate);
    std::vector<PitchFrame> frames;
    frames.reserve(voice.samples.size() / 256 + 1);
    tracker.feed(voice.samples.data(), voice.samples.size(), frames);
    const double offset = double(engine.song().timeOffset);
    for (const PitchFrame& f : frames)
        engine.addFrame(f.ms / tempoFactor - offset, f.lengthMs / tempoFactor, f.midi);
}

} // namespace lirmus
