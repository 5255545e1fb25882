#include "midiout_onsets.h"

#include "MIDIOutput.h"
#include "SynthDevice.h"
#include "midiout_song.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace lirmus::bench {

namespace {

constexpr double kRate = 44100.0;

uint32_t le32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
           uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Loudness per frame (|left| + |right|) of 16-bit stereo PCM.
std::vector<int> envelope(const char* pcm, size_t bytes)
{
    std::vector<int> env(bytes / 4);
    for (size_t i = 0; i < env.size(); ++i) {
        int16_t l, r;
        std::memcpy(&l, pcm + 4 * i, 2);
        std::memcpy(&r, pcm + 4 * i + 2, 2);
        env[i] = std::abs(int(l)) + std::abs(int(r));
    }
    return env;
}

// The data chunk of a 16-bit stereo WAV, walking the chunks (other writers add some).
std::vector<int> readWavEnvelope(const std::string& path)
{
    const std::string s = slurp(path);
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0)
        return {};
    for (size_t at = 12; at + 8 <= s.size();) {
        const uint32_t len = le32(s, at + 4);
        if (s.compare(at, 4, "data") == 0)
            return envelope(s.data() + at + 8, std::min<size_t>(len, s.size() - at - 8));
        at += 8 + len + (len & 1);
    }
    return {};
}

int maxIn(const std::vector<int>& env, long from, long to)
{
    int m = 0;
    for (long i = std::max(0L, from); i < std::min<long>(long(env.size()), to); ++i)
        m = std::max(m, env[size_t(i)]);
    return m;
}

struct OnsetStats {
    size_t due = 0, found = 0;
    double median = 0, p95 = 0, maxAbs = 0, mean = 0;
};

// For each note-on with no other note-on in the 100 ms before it, finds the
// first frame near its due time where the sound clearly rises.
OnsetStats onsetErrors(const std::vector<int>& env, const std::vector<long>& dueMs)
{
    OnsetStats st;
    std::vector<double> err;
    const auto frame = [](double ms) { return long(std::lround(ms * kRate / 1000.0)); };
    for (size_t i = 0; i < dueMs.size(); ++i) {
        if (i > 0 && dueMs[i] - dueMs[i - 1] < 100)
            continue;
        const double d = double(dueMs[i]);
        if (frame(d + 60) >= long(env.size()))
            break;
        ++st.due;
        const int background = maxIn(env, frame(d - 40), frame(d - 15));
        const int threshold = std::max(background * 2, background + 600);
        for (long f = std::max(0L, frame(d - 15)); f < frame(d + 60); ++f) {
            if (env[size_t(f)] > threshold) {
                err.push_back(double(f) * 1000.0 / kRate - d);
                break;
            }
        }
    }
    st.found = err.size();
    if (err.empty())
        return st;
    std::vector<double> absErr;
    double sum = 0;
    for (double e : err) {
        absErr.push_back(std::fabs(e));
        sum += e;
    }
    std::sort(err.begin(), err.end());
    std::sort(absErr.begin(), absErr.end());
    st.median = err[err.size() / 2];
    st.p95 = absErr[std::min(absErr.size() - 1, absErr.size() * 95 / 100)];
    st.maxAbs = absErr.back();
    st.mean = sum / double(err.size());
    return st;
}

void printStats(const char* label, const OnsetStats& s)
{
    if (s.found == 0) {
        std::printf("%-40s no onsets found (%zu due)\n", label, s.due);
        return;
    }
    std::printf("%-40s %zu of %zu onsets found | error median %+.2f ms, mean %+.2f ms, |p95| %.2f ms, "
                "|max| %.2f ms\n",
                label, s.found, s.due, s.median, s.mean, s.p95, s.maxAbs);
}

// How much later b sounds than a, window by window (1 s windows, lags up to
// ±50 ms on 32-frame loudness bins, refined between bins). Works on any music,
// where single onsets cannot be picked out.
std::vector<double> windowOffsetsMs(const std::vector<int>& a, const std::vector<int>& b)
{
    constexpr int kBin = 32, kWindow = 1378, kMaxLag = 69;
    auto bins = [](const std::vector<int>& env) {
        std::vector<double> v(env.size() / kBin);
        for (size_t i = 0; i < v.size(); ++i)
            for (int k = 0; k < kBin; ++k)
                v[i] += env[i * kBin + size_t(k)];
        return v;
    };
    const std::vector<double> x = bins(a), y = bins(b);
    std::vector<double> out;
    for (size_t w = kMaxLag; w + kWindow + kMaxLag < std::min(x.size(), y.size()); w += kWindow) {
        double energy = 0;
        for (int i = 0; i < kWindow; ++i)
            energy += x[w + size_t(i)];
        if (energy < kWindow * 2000.0)
            continue; // too quiet to say
        std::vector<double> score(2 * kMaxLag + 1);
        for (int lag = -kMaxLag; lag <= kMaxLag; ++lag) {
            double xy = 0, yy = 0;
            for (int i = 0; i < kWindow; ++i) {
                const double yv = y[size_t(long(w) + i + lag)];
                xy += x[w + size_t(i)] * yv;
                yy += yv * yv;
            }
            score[size_t(lag + kMaxLag)] = yy > 0 ? xy / std::sqrt(yy) : 0;
        }
        const size_t best = size_t(std::max_element(score.begin(), score.end()) - score.begin());
        double lag = double(best) - kMaxLag;
        if (best > 0 && best + 1 < score.size()) {
            const double l = score[best - 1], c = score[best], r = score[best + 1];
            const double d = l - 2 * c + r;
            if (d < 0)
                lag += 0.5 * (l - r) / d;
        }
        out.push_back(lag * kBin * 1000.0 / kRate);
    }
    return out;
}

void printOffsets(const char* label, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("%-40s nothing loud enough to compare\n", label);
        return;
    }
    std::sort(v.begin(), v.end());
    double maxAbs = 0;
    for (double d : v)
        maxAbs = std::max(maxAbs, std::fabs(d));
    std::printf("%-40s %zu windows of 1 s | offset median %+.2f ms, min %+.2f ms, max %+.2f ms, |max| %.2f ms\n",
                label, v.size(), v[v.size() / 2], v.front(), v.back(), maxAbs);
}

std::string firstSoundFont()
{
    for (const std::string& f : defaultSoundFonts())
        if (std::filesystem::exists(f))
            return f;
    return {};
}

// Plays the song in real time through our synthesizer, writing wav.
bool renderOurs(const std::vector<SongEvent>& song, const std::string& wav)
{
    MIDIOutput out;
    std::string problem;
    out.onError = [&](int, const std::string& m) { problem = m; };
    out.setAudioOutput(false); // the file alone: its timing does not depend on a sound card
    out.setAudioFile(wav);
    out.setDeviceID(0);
    out.setAction(1);
    for (const SongEvent& e : song) {
        out.setMsgTime(e.ms);
        out.setMsgStatus(e.status);
        out.setMsgData1(e.data1);
        out.setMsgData2(e.data2);
        out.setMsgSysEx(e.sysex);
        out.setMsgTag(0);
        out.setAction(6);
    }
    out.setAction(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(song.back().ms + 800));
    out.setAction(5);
    out.setAction(2);
    out.deliverPending();
    if (!problem.empty())
        std::printf("note: %s\n", problem.c_str());
    return std::filesystem::exists(wav);
}

} // namespace

int onsetMode(const std::string& midi, int seconds)
{
    std::vector<SongEvent> song;
    std::string songFile = midi;
    const std::string dir = std::filesystem::temp_directory_path() /
                            ("lirmus-bench-output-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    if (midi.empty()) {
        song = sparseSong(400, seconds);
        songFile = dir + "/sparse.mid";
        writeMidiFile(songFile, song);
        std::printf("song: generated, one piano note every 400 ms for %d s\n", seconds);
    } else {
        std::string error;
        song = readMidiFile(midi, error);
        if (song.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        song.erase(std::remove_if(song.begin(), song.end(),
                                  [&](const SongEvent& e) { return e.ms > seconds * 1000L; }),
                   song.end());
        songFile = dir + "/cut.mid"; // the same events for FluidSynth's player
        writeMidiFile(songFile, song);
        std::printf("song: %s, first %d s\n", midi.c_str(), seconds);
    }
    const std::vector<long> due = noteOnTimes(song);
    const std::string sf = firstSoundFont();
    if (sf.empty()) {
        std::fprintf(stderr, "no General MIDI SoundFont installed\n");
        return 1;
    }

    const std::string ours = dir + "/ours.wav";
    if (renderOurs(song, ours))
        printStats("built-in synthesizer, real time:", onsetErrors(readWavEnvelope(ours), due));

    const std::string offline = dir + "/player-offline.wav";
    const std::string cmd1 = "fluidsynth -ni -F '" + offline + "' -r 44100 '" + sf + "' '" + songFile +
                             "' > /dev/null 2>&1";
    if (std::system(cmd1.c_str()) == 0) {
        printStats("FluidSynth's player, offline (-F):", onsetErrors(readWavEnvelope(offline), due));
        printOffsets("ours later than FluidSynth's offline:",
                     windowOffsetsMs(readWavEnvelope(offline), readWavEnvelope(ours)));
    } else
        std::printf("FluidSynth's offline player could not run\n");

    // The file driver writes raw 16-bit stereo in real time.
    const std::string raw = dir + "/player-realtime.raw";
    const std::string cmd2 = "timeout " + std::to_string(seconds + 20) +
                             " fluidsynth -ni -a file -o audio.file.name='" + raw +
                             "' -o audio.file.type=raw -r 44100 '" + sf + "' '" + songFile +
                             "' > /dev/null 2>&1";
    if (std::system(cmd2.c_str()) == 0 || std::filesystem::exists(raw)) {
        const std::string pcm = slurp(raw);
        printStats("FluidSynth's player, real time (-a file):",
                   onsetErrors(envelope(pcm.data(), pcm.size()), due));
    } else {
        std::printf("FluidSynth's real-time file player could not run\n");
    }
    std::printf("files kept in %s\n", dir.c_str());
    return 0;
}

} // namespace lirmus::bench
