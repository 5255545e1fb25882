// lirmus-bench-song [--runs N] FILE...: per song, the time to read it, to
// prepare it (both passes, no window events), to reach the first output call,
// the entries per second of the preparation and the peak memory. Each file is
// measured in a child process of its own so its peak memory is its own.
#include "BenchArgs.h"
#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "SongState.h"
#include "SongSink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace lirmus;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

/// Null views that note when the output is first started.
class TimingViews : public QuietSongSink {
public:
    void OutputSong(long, long, long, int) override
    {
        if (firstOutput == Clock::time_point()) firstOutput = Clock::now();
    }
    Clock::time_point firstOutput;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakRssKb()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

/// Measures one file in this process; returns the exit status for the child.
int measure(const std::string& path, int runs, const Settings& settings)
{
    const long rssBefore = peakRssKb();
    std::vector<double> read, prepare, firstOutput;
    double coldMs = 0;
    long entries = 0;
    for (int r = 0; r <= runs; ++r) {  // run 0, with cold caches, is shown on its own
        TimingViews views;
        Midifile reader;
        SongState song;
        PlayerFlags flags;
        const auto t0 = Clock::now();
        if (!OpenSongFile(reader, path, views) || reader.TrackCount() == 0) {
            std::printf("%s cannot be read\n", path.c_str());
            return 1;
        }
        const double readMs = msSince(t0);
        const auto t1 = Clock::now();
        SongLoader(reader, song, flags, settings, views, views).LoadSong();
        const double prepareMs = msSince(t1);
        if (r == 0) {
            coldMs = readMs + prepareMs;
            continue;
        }
        read.push_back(readMs);
        prepare.push_back(prepareMs);
        firstOutput.push_back(readMs + std::chrono::duration<double, std::milli>(views.firstOutput - t1).count());
        entries = song.queue.MsgCount;
    }
    const double prep = median(prepare);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::printf("%-26s read %8.2f ms  prepare %8.2f ms  read+prepare %8.2f ms (first run %8.2f ms)  first output after %7.2f ms  "
                "%7ld entries  %6.2f M entries/s  peak %6.1f MB (before reading %5.1f MB)\n",
                name.c_str(), median(read), prep, median(read) + prep, coldMs, median(firstOutput), entries,
                double(entries) / prep / 1000.0, double(peakRssKb()) / 1024.0, double(rssBefore) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::vector<std::string> files;
    if (!readBenchArgs(argc, argv, "lirmus-bench-song", runs, files)) return 2;
    Settings settings;  // the player's defaults (fast start on)
    std::printf("median of %d runs per file\n", runs);
    std::fflush(stdout);
    int status = 0;
    for (const std::string& f : files) {
        const pid_t pid = fork();
        if (pid < 0) return 1;
        if (pid == 0) {
            const int rc = measure(f, runs, settings);
            std::fflush(stdout);
            std::_Exit(rc);
        }
        int st = 0;
        waitpid(pid, &st, 0);
        if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) status = 1;
        std::fflush(stdout);
    }
    return status;
}
