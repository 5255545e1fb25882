// lirmus-bench-sing-latency [PNGPREFIX]: a voice played into a PulseAudio
// server of its own, heard by the microphone while the player plays the song
// and the karaoke screen (offscreen, 1920 x 1080) shows the pitch guide.
//  1. Microphone to trace: from the time a block of voice reached the
//     microphone's thread to the paint that first shows its trace (p50, p95).
//  2. CPU of the whole program while it listens and draws, in percent of one core.
// With PNGPREFIX, the screen mid-song is saved at 1920 x 1080 and 1280 x 720.
#include "BenchTiming.h"
#include "ControllerTable.h"
#include "Player.h"
#include "PulseServer.h"
#include "SingController.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "TestDevice.h"
#include "frmKaraokeScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/wait.h>

using namespace lirmus;

int main(int argc, char** argv)
{
    test::PulseServer server; // before Qt Multimedia looks for a microphone
    if (!test::onPath("pacat") || !server.start()) {
        std::fprintf(stderr, "no PulseAudio server could start:\n%s\n", server.logText().c_str());
        return 1;
    }
    QApplication app(argc, argv);
    const std::string prefix = argc > 1 ? argv[1] : "";

    Settings settings;
    settings.TurboStart = false;
    settings.AutoStart = false;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    NullDisplays displays;
    Player player(settings, controllers);
    player.output().useTestDevice(&device);
    player.hub().attachPlayer(&displays);
    player.hub().attachMonitor(&displays);
    player.hub().attachApp(&displays);
    player.openOutput();
    SingController sing(player, settings);

    const std::string song = test::twoLineSong(2, 1000000, 2), wav = test::tempDir() + "voice.wav";
    const SingSong melody = singSongOf(test::prepared(song, settings), 3);
    const std::vector<float> voice = test::singMelody(melody, -12);
    const double cutMs = melody.notes.front().start - 300;
    test::writeMonoWav(wav, std::vector<float>(voice.begin() + long(cutMs * 44.1), voice.end()));

    frmKaraokeScreen screen(player.lyrics(), settings);
    screen.resize(1920, 1080);
    screen.cardSource = [&] { return sing.card(player.titleCard()); };
    screen.guideSource = [&] { return sing.guide(); };
    std::vector<double> latency;
    double shownCapture = 0;
    screen.afterPaint = [&] {
        const auto& g = screen.guide();
        if (!g || g->capturedMs <= shownCapture) return;
        shownCapture = g->capturedMs;
        latency.push_back(steadyNowMs() - g->capturedMs);
    };
    screen.show();
    screen.frameTimer()->start(frmKaraokeScreen::kFrameMs);
    sing.setActive(true);
    if (!sing.microphone().running()) {
        std::fprintf(stderr, "no microphone: %s\n", qPrintable(sing.microphone().error()));
        return 1;
    }
    player.playSong(QString::fromStdString(song), 0);
    const auto runUntil = [&](auto done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
    };
    runUntil([&] { return player.lyrics().songPositionMs() >= cutMs; }, 10000);
    const pid_t pacat = test::spawn({"pacat", "--device=lirmus", "--file-format=wav", "--latency-msec=20", wav},
                                    server.dir + "/pacat.log");
    const double cpu0 = benchCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const double shotAt = melody.notes[9].start + 200;
    runUntil([&] { return player.lyrics().songPositionMs() >= shotAt; }, 30000);
    if (!prefix.empty()) {
        screen.grab().save(QString::fromStdString(prefix + "-1920x1080.png"));
        screen.resize(1280, 720);
        runUntil([] { return false; }, 300);
        screen.grab().save(QString::fromStdString(prefix + "-1280x720.png"));
        screen.resize(1920, 1080);
    }
    runUntil([&] { return sing.lastScore() >= 0; }, 30000);
    const double cpu = benchCpuSeconds() - cpu0, seconds = double(wall.elapsed()) / 1000;
    if (!prefix.empty()) {
        runUntil([] { return false; }, 500);
        screen.grab().save(QString::fromStdString(prefix + "-score.png"));
    }
    waitpid(pacat, nullptr, 0);

    std::sort(latency.begin(), latency.end());
    const auto at = [&](double q) { return latency.empty() ? 0.0 : latency[std::min(latency.size() - 1, size_t(q * double(latency.size())))]; };
    std::printf("microphone to trace: n=%zu p50 %.1f ms p95 %.1f ms max %.1f ms\n", latency.size(), at(0.5), at(0.95),
                latency.empty() ? 0.0 : latency.back());
    std::printf("CPU while singing: %.1f %% of a core (%.1f s), score %d\n", 100.0 * cpu / seconds, seconds,
                sing.lastScore());
    return 0;
}
