// Read times of the MIDI file reader: a dense 1 MB song, the real test songs,
// 100 MB of noise and the densest possible track (memory per event).
#include "Midifile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

namespace {

std::string be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string smf(const std::string& track)
{
    return std::string("MThd") + be32(6) + std::string("\x00\x01\x00\x01\x01\xE0", 6) + "MTrk" +
           be32(uint32_t(track.size())) + track;
}

/// About 1 MB: 250 000 events of 4 bytes (notes with status), a lyric every 100.
std::string denseSong()
{
    std::string t;
    for (int i = 0; i < 250000; ++i) {
        if (i % 100 == 99) {
            t += std::string("\x00\xFF\x05\x01", 4) + char('a' + i % 26);
            continue;
        }
        t += char(i % 7 == 0 ? 1 : 0);
        t += char(0x90 | (i % 16));
        t += char(36 + i % 60);
        t += char(i % 2 ? 0 : 100);
    }
    return smf(t + std::string("\x00\xFF\x2F\x00", 4));
}

std::string saveTemp(const std::string& name, const std::string& bytes)
{
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

long walk(lirmus::Midifile& mf)
{
    long sum = 0;
    for (int t = 1; t <= mf.TrackCount(); ++t) {
        mf.setTrack(t);
        for (long i = 1; i <= mf.EventCount(); ++i) {
            mf.setEventIndex(i);
            sum += mf.Status() + long(mf.Text().size());
        }
    }
    return sum;
}

void BM_ReadDenseMegabyte(benchmark::State& state)
{
    static const std::string path = saveTemp("lirmus-bench-dense.mid", denseSong());
    lirmus::Midifile mf;
    mf.setFileName(path);
    for (auto _ : state) {
        mf.setAction(1);
        benchmark::DoNotOptimize(mf.TrackCount());
    }
    mf.setTrack(1);
    state.counters["events"] = double(mf.EventCount());
    state.counters["MB"] = double(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK(BM_ReadDenseMegabyte)->Unit(benchmark::kMillisecond);

void BM_WalkDenseMegabyte(benchmark::State& state)
{
    lirmus::Midifile mf;
    mf.loadBytes(denseSong());
    for (auto _ : state) benchmark::DoNotOptimize(walk(mf));
}
BENCHMARK(BM_WalkDenseMegabyte)->Unit(benchmark::kMillisecond);

void BM_ReadTestSong(benchmark::State& state, std::string path)
{
    lirmus::Midifile mf;
    mf.setFileName(path);
    for (auto _ : state) {
        mf.setAction(1);
        benchmark::DoNotOptimize(mf.TrackCount());
    }
    long events = 0;
    for (int t = 1; t <= mf.TrackCount(); ++t) {
        mf.setTrack(t);
        events += mf.EventCount();
    }
    state.counters["events"] = double(events);
}

std::string noise(size_t n)
{
    std::mt19937_64 rng(3);
    std::string s(n, '\0');
    for (auto& c : s) c = char(rng());
    return s;
}

void BM_ReadNoise100MB(benchmark::State& state)
{
    static const std::string path = saveTemp("lirmus-bench-noise.mid", noise(100u << 20));
    lirmus::Midifile mf;
    mf.setFileName(path);
    for (auto _ : state) {
        mf.setAction(1);
        benchmark::DoNotOptimize(mf.TrackCount());
    }
}
BENCHMARK(BM_ReadNoise100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadNoiseAsOneTrack100MB(benchmark::State& state)
{
    const std::string bytes = smf(noise(100u << 20));
    lirmus::Midifile mf;
    for (auto _ : state) {
        mf.loadBytes(bytes);
        benchmark::DoNotOptimize(mf.TrackCount());
    }
}
BENCHMARK(BM_ReadNoiseAsOneTrack100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

/// Two bytes per event (delta 0, running status, one data byte): the most events a file can hold.
void BM_ReadDensest50MB(benchmark::State& state)
{
    std::string t = std::string("\x00\xC0\x00", 3);
    t.reserve(50u << 20);
    while (t.size() < (50u << 20)) t += std::string("\x00\x01", 2);
    const std::string bytes = smf(t);
    lirmus::Midifile mf;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto _ : state) {
        mf.loadBytes(bytes);
        benchmark::DoNotOptimize(mf.TrackCount());
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    mf.setTrack(1);
    state.counters["events"] = double(mf.EventCount());
    state.counters["peak_rss_growth_MB"] = double(after.ru_maxrss - before.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ReadDensest50MB)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    const char* dir = std::getenv("LIRMUS_TESTDATA");
    if (dir && std::filesystem::is_directory(dir)) {
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            std::string ext = e.path().extension().string();
            if (ext == ".mid" || ext == ".kar")
                benchmark::RegisterBenchmark(("BM_ReadTestSong/" + e.path().filename().string()).c_str(),
                                             BM_ReadTestSong, e.path().string())
                    ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
