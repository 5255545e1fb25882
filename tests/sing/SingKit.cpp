#include "SingKit.h"

#include "LoadSong.h"
#include "Midifile.h"
#include "SmfWriter.h"
#include "SongSink.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>

namespace lirmus::test {

SongState prepared(const std::string& path, const Settings& settings)
{
    SongState song;
    QuietSongSink views;
    Midifile reader;
    PlayerFlags flags;
    if (OpenSongFile(reader, path, views)) SongLoader(reader, song, flags, settings, views, views).LoadSong();
    return song;
}

std::string twoLineSong(int melody, uint32_t usPerBeat, int countIn)
{
    // Twinkle, twinkle: C C G G A A G, F F E E D D C.
    const int tune[] = {60, 60, 67, 67, 69, 69, 67, 65, 65, 64, 64, 62, 62, 60};
    const char* words[] = {"Twin", "kle ", "twin", "kle ", "lit", "tle ", "star",
                           "/How ", "I ", "won", "der ", "what ", "you ", "are"};
    const uint32_t half = 240; // ticks of half a beat at 480 a beat
    SmfWriter file(1, 480);
    SmfTrack& meta = file.track();
    SmfTrack& lyrics = file.track();
    SmfTrack& tuneTrack = file.track();
    SmfTrack& chords = file.track();
    SmfTrack& drums = file.track();
    meta.tempo(0, usPerBeat).end();
    lyrics.text(0, 1, "@KMIDI KARAOKE FILE");
    uint32_t t = uint32_t(countIn) * 480;
    for (const char* w : words) {
        lyrics.text(lyrics.deltaTo(t), 1, w);
        t += half;
    }
    lyrics.end();
    t = uint32_t(countIn) * 480;
    for (const int& key : tune) {
        tuneTrack.note(tuneTrack.deltaTo(t), melody, key, 90);
        // The last note doubled a sixth below, a little late, and held longer.
        if (&key == &tune[13]) tuneTrack.note(10, melody, 51, 70).noteOff(half - 30, melody, key).noteOff(20, melody, 51);
        else tuneTrack.noteOff(half - 20, melody, key);
        t += half;
    }
    tuneTrack.end();
    // Chords from the start, on every other syllable (half of them), lasting a beat.
    for (uint32_t c = 0; c < uint32_t(countIn) * 480 + 14 * half; c += 480) {
        chords.note(chords.deltaTo(c), 0, 48, 70).note(0, 0, 52, 70).noteOff(470, 0, 48).noteOff(0, 0, 52);
    }
    chords.end();
    t = uint32_t(countIn) * 480;
    for (int i = 0; i < 14; ++i, t += half) drums.note(drums.deltaTo(t), 9, 36, 100).noteOff(60, 9, 36);
    drums.end();
    const std::string path = tempDir() + "twinkle.kar";
    file.save(path);
    return path;
}

std::string longSong(int seconds)
{
    const int scale[] = {60, 62, 64, 65, 67, 69, 71, 72};
    SmfWriter file(1, 480);
    SmfTrack& meta = file.track();
    SmfTrack& words = file.track();
    SmfTrack& tune = file.track();
    SmfTrack& band = file.track();
    meta.tempo(0, 600000).end(); // 100 beats a minute
    words.text(0, 1, "@KMIDI KARAOKE FILE");
    std::mt19937 gen(11);
    uint32_t t = 4 * 480;
    const uint32_t last = uint32_t(seconds) * 800; // ticks: 480 a beat, 100 beats a minute
    for (int syllable = 0; t < last; ++syllable) {
        const uint32_t length = gen() % 3 == 0 ? 240 : 480;
        words.text(words.deltaTo(t), 1, (syllable % 8 == 0 ? "/la" : "la") + std::string(syllable % 2 ? " " : ""));
        const int key = scale[gen() % 8];
        tune.note(tune.deltaTo(t), 3, key, 90).noteOff(length - 30, 3, key);
        t += length;
    }
    words.end();
    tune.end();
    for (uint32_t c = 0; c < last; c += 480)
        band.note(band.deltaTo(c), 0, 48, 60).note(0, 9, 36, 90).noteOff(400, 0, 48).noteOff(0, 9, 36);
    band.end();
    const std::string path = tempDir() + "long.kar";
    file.save(path);
    return path;
}

std::vector<float> singMelody(const SingSong& song, double shift, double tempoFactor, unsigned rate)
{
    double lastMs = 0;
    for (const MelodyNote& n : song.notes) lastMs = std::max(lastMs, (n.end + song.timeOffset) * tempoFactor);
    std::vector<float> out(size_t((lastMs + 500) * rate / 1000), 0.0f);
    for (const MelodyNote& n : song.notes) {
        if (n.line < 0) continue;
        const size_t a = size_t((n.start + song.timeOffset) * tempoFactor * rate / 1000);
        const size_t b = std::min(out.size(), size_t((n.end + song.timeOffset) * tempoFactor * rate / 1000));
        const size_t fade = rate / 100; // 10 ms in and out
        double phase = 0;
        for (size_t i = a; i < b; ++i) {
            const double s = double(i - a) / rate;
            const double midi = n.pitch + shift + 0.3 * std::sin(2 * M_PI * 5.5 * s);
            phase += 2 * M_PI * 440.0 * std::pow(2.0, (midi - 69) / 12) / rate;
            const double env = std::min({1.0, double(i - a) / fade, double(b - i) / fade});
            out[i] += float(0.25 * env * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase)));
        }
    }
    return out;
}

std::vector<float> noise(double ms, unsigned rate)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> d(-0.3f, 0.3f);
    std::vector<float> out(size_t(ms * rate / 1000));
    for (float& s : out) s = d(gen);
    return out;
}

bool writeMonoWav(const std::string& path, const std::vector<float>& samples, unsigned rate)
{
    std::string bytes;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bytes += char((v >> (8 * i)) & 0xFF); };
    auto u16 = [&](uint16_t v) { bytes += char(v & 0xFF); bytes += char(v >> 8); };
    const uint32_t data = uint32_t(samples.size() * 2);
    bytes += "RIFF"; u32(36 + data); bytes += "WAVEfmt "; u32(16);
    u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16);
    bytes += "data"; u32(data);
    for (float s : samples) u16(uint16_t(int16_t(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767))));
    return writeFile(path, bytes);
}

} // namespace lirmus::test
