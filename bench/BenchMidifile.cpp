// Read times of the MIDI file reader: a dense 1 MB song, the real test songs,
// 100 MB of noise and the densest possible track (memory per event).
#include "Midifile.h"
#include "SmfWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/resource.h>

namespace {

/// A format 1 file of one track holding exactly the given bytes.
std::string smf(const std::string& track)
{
    lirmus::test::SmfWriter w(1, 480);
    w.track().raw(track);
    return w.bytes();
}

/// About 1 MB: 250 000 events of 4 bytes (notes with status), a lyric every 100.
std::string denseSong()
{
    lirmus::test::SmfWriter w(1, 480);
    lirmus::test::SmfTrack& t = w.track().reserve(1u << 20);
    for (int i = 0; i < 250000; ++i) {
        if (i % 100 == 99)
            t.meta(0, 0x05, std::string(1, char('a' + i % 26)));
        else
            t.note(i % 7 == 0 ? 1 : 0, i % 16, 36 + i % 60, i % 2 ? 0 : 100);
    }
    t.end();
    return w.bytes();
}

std::string saveTemp(const std::string& name, const std::string& bytes)
{
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    lirmus::test::writeFile(path, bytes);
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
    lirmus::test::SmfWriter w(1, 480);
    lirmus::test::SmfTrack& t = w.track().reserve(50u << 20).runningStatus().program(0, 0, 0);
    while (t.bytes().size() < (50u << 20)) t.program(0, 0, 1);
    const std::string bytes = w.bytes();
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
