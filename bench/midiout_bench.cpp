// Output benchmark: how exactly the MIDI output sends a dense song in real
// time, what it costs, and (with --synth) how exactly the built-in
// synthesizer's audio file places the notes.
//
//   lirmus-bench-output [--seconds N] [song.mid]      send timing, idle and with a busy core
//   lirmus-bench-output --synth [--seconds N] [song.mid]  audio onsets, ours and FluidSynth's player
//
// The timing runs play the song as the player does: prepared by the song
// pipeline and handed over by the output pump every 20 ms.
#include "ControllerTable.h"
#include "LoadSong.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "OutputQueue.h"
#include "Settings.h"
#include "SongSink.h"
#include "Clock.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "PlayerTimers.h"
#include "Settings.h"
#include "TestDevice.h"
#include "midiout_onsets.h"
#include "midiout_song.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace lirmus;
using namespace lirmus::bench;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Stands in for the GUI thread: runs the posted calls in order.
class GuiQueue {
public:
    void post(std::function<void()> f)
    {
        std::lock_guard lock(m_);
        calls_.push_back(std::move(f));
        cv_.notify_one();
    }
    /// Runs what is queued, waiting at most ms for something to arrive.
    void runFor(int ms)
    {
        std::unique_lock lock(m_);
        cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !calls_.empty(); });
        while (!calls_.empty()) {
            auto f = std::move(calls_.front());
            calls_.pop_front();
            lock.unlock();
            f();
            lock.lock();
        }
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> calls_;
};

struct TimingResult {
    size_t sent = 0;
    long reports = 0;
    double p50 = 0, p99 = 0, max = 0;
    double cpuMsPerSecond = 0;
};

// Messages that reach the device (meta entries and the lead-in send nothing).
size_t sendingEntries(const SongState& song, long last)
{
    size_t n = 0;
    for (long i = 1; i <= last; ++i)
        n += song.queue[i].Status != 255 && song.queue[i].Status != 0;
    return n;
}

// Plays the first `seconds` of the prepared song through the test device on the
// real clock, pumped by OutputPump exactly as the player window does.
TimingResult playTimed(SongState& song, int seconds)
{
    TestDevice device;
    GuiQueue gui;
    MIDIOutput out;
    out.useTestDevice(&device);
    out.setPoster([&gui](std::function<void()> f) { gui.post(std::move(f)); });
    long reports = 0;
    out.MessageSent = [&reports](long) { ++reports; };
    out.setAction(1);

    PlayerFlags flags;
    PlayerState player;
    const ControllerTable mixer = defaultControllerTable();
    // The pump's timer is ticked by the loop below; the lyric cursor shows nothing.
    NullDisplays view;
    SteadyClock clock;
    PlayerTimers timers(player, clock, false);
    Settings settings;
    LyricDisplayState lyricState;
    LyricCursor lyrics(lyricState, song, player, settings, out, [&timers] { return timers.now(); });
    OutputPump pump(song, flags, player, mixer, out, timers, lyrics, view.displays());
    long last = song.queue.firstAtOrAfter(seconds * 1000L + 1) - 1;
    if (last < 0) last = song.queue.MsgCount;
    const size_t expected = sendingEntries(song, last);
    device.reserve(expected);
    player.NextToSend = 1;
    player.LastToSend = last;
    timers.setHandler(PlayerTimer::Out, [&pump] { pump.TimerOut_Timer(); });
    timers.arm(PlayerTimer::Out, true);

    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const long songMs = last > 0 ? song.queue[last].Time : 0;
    while (device.count() < expected || out.PendingCount() > 0) {
        gui.runFor(20);
        timers.tick(PlayerTimer::Out);
        if (std::chrono::steady_clock::now() - t0 > std::chrono::milliseconds(songMs + 5000)) break;
    }
    gui.runFor(50);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    out.setAction(2);

    std::vector<double> err;
    for (const SentMessage& m : device.messages())
        err.push_back(double(m.sentUs - m.dueUs));
    std::sort(err.begin(), err.end());
    TimingResult r;
    r.sent = err.size();
    r.reports = reports;
    if (!err.empty()) {
        r.p50 = err[err.size() / 2];
        r.p99 = err[std::min(err.size() - 1, err.size() * 99 / 100)];
        r.max = err.back();
    }
    r.cpuMsPerSecond = cpu * 1000.0 / std::max(wall, 0.001);
    return r;
}

// The generated events as a prepared song.
void songFromEvents(const std::vector<SongEvent>& events, SongState& song)
{
    song.queue.create(long(events.size()));
    for (const SongEvent& e : events) {
        const long i = song.queue.add(double(e.ms), e.status, e.data1, e.data2);
        if (e.status == 240) song.queue[i].Text = QString::fromLatin1(e.sysex.data(), qsizetype(e.sysex.size()));
    }
}

// A song file prepared as the player prepares it (settings at their defaults).
bool prepareFile(const std::string& path, SongState& song)
{
    Settings settings;
    Midifile reader;
    QuietSongSink views;
    PlayerFlags flags;
    if (!OpenSongFile(reader, path, views)) return false;
    SongLoader(reader, song, flags, settings, views, views).LoadSong();
    return song.queue.MsgCount > 0;
}

void printTiming(const char* label, const TimingResult& r)
{
    std::printf("%-28s sent %zu, reports %ld | send error p50 %.0f us, p99 %.0f us, max %.0f us | "
                "CPU %.2f ms per s of music (%.2f %% of a core)\n",
                label, r.sent, r.reports, r.p50, r.p99, r.max, r.cpuMsPerSecond,
                r.cpuMsPerSecond / 10.0);
}

// What the machine itself allows: how late a thread set up like the
// scheduler's wakes from a timed sleep (1 kHz for the given seconds).
TimingResult machineFloor(int seconds)
{
    TimingResult r;
    std::thread probe([&] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        sched_param param{};
        param.sched_priority = std::min(20, sched_get_priority_max(SCHED_FIFO));
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        std::vector<double> late;
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        for (int i = 0; i < seconds * 1000; ++i) {
            t.tv_nsec += 1'000'000;
            if (t.tv_nsec >= 1'000'000'000) {
                t.tv_nsec -= 1'000'000'000;
                ++t.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            late.push_back(double(now.tv_sec - t.tv_sec) * 1e6 + double(now.tv_nsec - t.tv_nsec) / 1e3);
        }
        std::sort(late.begin(), late.end());
        r.sent = late.size();
        r.p50 = late[late.size() / 2];
        r.p99 = late[late.size() * 99 / 100];
        r.max = late.back();
    });
    probe.join();
    return r;
}

void printFloor(const char* label, const TimingResult& r)
{
    std::printf("%-28s timed-sleep wake-up p50 %.0f us, p99 %.0f us, max %.0f us (%zu wake-ups)\n",
                label, r.p50, r.p99, r.max, r.sent);
}

// A child process that keeps one core busy until killed.
pid_t startBusyChild()
{
    const pid_t pid = fork();
    if (pid == 0) {
        volatile unsigned long x = 0;
        for (;;)
            x = x + 1;
    }
    return pid;
}

void stopChild(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int timingMode(const std::string& midi, int seconds)
{
    SongState song;
    if (midi.empty()) {
        const std::vector<SongEvent> events = denseSong(20000, seconds);
        songFromEvents(events, song);
        std::printf("song: generated, 16 channels, %zu messages over %d s in chords of 4\n",
                    events.size(), seconds);
    } else {
        if (!prepareFile(midi, song)) {
            std::fprintf(stderr, "%s: cannot be prepared\n", midi.c_str());
            return 1;
        }
        const long last = song.queue.firstAtOrAfter(seconds * 1000L + 1) - 1;
        std::printf("song: %s, %ld queue entries in the first %d s\n", midi.c_str(),
                    last < 0 ? song.queue.MsgCount : last, seconds);
    }
    printFloor("machine floor, idle:", machineFloor(3));
    printTiming("idle machine:", playTimed(song, seconds));
    const pid_t busy = startBusyChild();
    const TimingResult loadedFloor = machineFloor(3);
    const TimingResult loaded = playTimed(song, seconds);
    stopChild(busy);
    printFloor("machine floor, core busy:", loadedFloor);
    printTiming("one core kept busy:", loaded);
    std::printf("goals: p99 < 500 us, max < 2000 us, CPU < 2 %% of one core\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool synth = false;
    int seconds = -1;
    std::string midi;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--synth")
            synth = true;
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (!a.empty() && a[0] != '-')
            midi = a;
        else {
            std::fprintf(stderr, "usage: %s [--synth] [--seconds N] [song.mid]\n", argv[0]);
            return 2;
        }
    }
    if (synth)
        return onsetMode(midi, seconds < 0 ? 12 : seconds);
    return timingMode(midi, seconds < 0 ? 30 : seconds);
}
