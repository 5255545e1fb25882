// The settings service against reading the file on every call, and what a
// slider drag costs in file writes.
#include "ProfileFile.h"
#include "SettingsService.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

// The files of one run, removed when it ends.
struct BenchFolder {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("lirmus-bench-" + std::to_string(::getpid()));
    BenchFolder() { std::filesystem::create_directories(dir); }
    ~BenchFolder() { std::filesystem::remove_all(dir); }
};

// A settings file of the usual size: every option, controllers and masters.
std::string makeIni()
{
    static BenchFolder folder;
    static int serial = 0;
    const auto& dir = folder.dir;
    const std::string path = (dir / ("LIRMUS" + std::to_string(serial++) + ".INI")).string();
    std::ofstream out(path, std::ios::binary);
    out << "[OPTIONS]\r\n";
    for (const char* k : {"KaraokeBackColor=16777215", "KaraokeForeColor=0", "KaraokePlayColor=255",
                          "KaraokeCentered=-1", "KaraokeRows=3", "KaraokeFontSize=24", "KaraokeFont=Arial",
                          "TurboStart=-1", "AutoStart=-1", "SoloLevel=32", "MelodyChannel=4"})
        out << k << "\r\n";
    out << "\r\n[CONTROLLERS]\r\n0=7,Vol,0,127\r\n1=10,Pan,-100,100\r\n2=93,Chorus,-100,100\r\n3=91,Reverb,-100,100\r\n";
    out << "\r\n[SETUP]\r\n";
    for (int c = 0; c < 128; ++c) out << "C" << c << "=0\r\n";
    return path;
}

void BM_ReadFromFileEachTime(benchmark::State& state)
{
    const lirmus::ProfileFile ini(makeIni());
    for (auto _ : state) benchmark::DoNotOptimize(ini.getInt("SETUP", "C100", 0));
}
BENCHMARK(BM_ReadFromFileEachTime);

void BM_ReadFromMemory(benchmark::State& state)
{
    const lirmus::SettingsService ini(makeIni());
    for (auto _ : state) benchmark::DoNotOptimize(ini.getInt("SETUP", "C100", 0));
}
BENCHMARK(BM_ReadFromMemory);

// What the GUI thread pays per change; the writer saves in the background meanwhile.
void BM_SetOnTheGuiThread(benchmark::State& state)
{
    lirmus::SettingsService ini(makeIni());
    int v = 0;
    for (auto _ : state) ini.setInt("SETUP", "C7", ++v % 200 - 100);
    ini.flush();
    state.counters["file_writes"] = ini.fileWrites();
}
BENCHMARK(BM_SetOnTheGuiThread);

// A two-second drag of a master slider: 100 changes 20 ms apart.
void BM_SliderDrag(benchmark::State& state)
{
    for (auto _ : state) {
        lirmus::SettingsService ini(makeIni());
        for (int i = 0; i < 100; ++i) {
            ini.setInt("SETUP", "C7", i);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ini.flush();
        state.counters["changes"] = 100;
        state.counters["file_writes"] = ini.fileWrites();
    }
}
BENCHMARK(BM_SliderDrag)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
