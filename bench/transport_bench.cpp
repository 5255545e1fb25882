// lirmus-bench-transport [--seconds N] SONG...: the player with every window
// shown offscreen, on the real clock, sending to the recording test device.
// For each song it prints the time from Start_Play to the first note leaving
// the output, with the fast start on and off, and the cost of the
// message-sent dispatcher on the window thread per message (p50, p99, max)
// while the song plays.
#include "AppState.h"
#include "BenchTiming.h"
#include "TestDevice.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace lirmus;

namespace {

int64_t nowUs() { return benchNowUs(); }
double percentile(const std::vector<double>& v, double p) { return benchPercentile(v, p); }

struct Run {
    double firstNoteMs = -1;
    double leadInMs = -1; ///< when the song's own first note is due after the start of the output
    std::vector<double> dispatchUs;
};

Run play(const QString& song, bool turbo, int seconds)
{
    AppState state;
    state.settings.AutoStart = false;
    state.settings.TurboStart = turbo;
    TestDevice device;
    state.player.output().useTestDevice(&device);
    frmMain main(state);
    main.createChildWindows();
    main.showAll();
    main.layOutOrMaximize();
    state.player.openOutput();
    QApplication::processEvents();

    Run r;
    Player& player = state.player;
    state.player.output().MessageSent = [&](long tag) {
        const int64_t t0 = nowUs();
        player.MessageSent(tag);
        r.dispatchUs.push_back(double(nowUs() - t0));
    };
    const size_t before = device.count();
    const int64_t start = nowUs();
    main.playSong(song, 0);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (r.firstNoteMs < 0) {
            const std::vector<SentMessage> sent = device.messages();
            for (size_t i = before; i < sent.size(); ++i)
                if ((uint8_t(sent[i].bytes[0]) & 0xF0) == 0x90 && uint8_t(sent[i].bytes[2]) > 0) {
                    r.firstNoteMs = double(sent[i].sentUs - start) / 1000.0;
                    break;
                }
        }
    }
    const SongQueue& q = state.player.song().queue;
    for (long i = 1; i <= q.MsgCount && r.leadInMs < 0; ++i)
        if ((q[i].Status & 0xF0) == 0x90 && q[i].Data2 > 0) r.leadInMs = q[i].Time;
    state.player.shutDown();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 15;
    std::vector<QString> songs;
    for (int i = 1; i < argc; ++i) {
        const QString a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else songs.push_back(a);
    }
    if (songs.empty()) {
        std::fprintf(stderr, "usage: %s [--seconds N] SONG...\n", argv[0]);
        return 2;
    }
    for (const QString& song : songs) {
        for (bool turbo : {true, false}) {
            const Run r = play(song, turbo, seconds);
            std::printf("%s, TurboStart %s: Start_Play to first note %.1f ms (lead-in %.0f ms, beyond it %.1f ms)",
                        qPrintable(song), turbo ? "on " : "off", r.firstNoteMs, r.leadInMs, r.firstNoteMs - r.leadInMs);
            if (turbo)
                std::printf(" | dispatcher per message (%zu in %d s): p50 %.1f us, p99 %.1f us, max %.1f us",
                            r.dispatchUs.size(), seconds, percentile(r.dispatchUs, 0.5),
                            percentile(r.dispatchUs, 0.99), percentile(r.dispatchUs, 1.0));
            std::printf("\n");
        }
    }
    std::printf("goals: first note under 120 ms with TurboStart on; dispatcher p99 under 200 us\n");
    return 0;
}
