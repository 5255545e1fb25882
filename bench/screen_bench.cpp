// lirmus-bench-screen [SECONDS] SONG...: the karaoke screen offscreen (Qt's raster
// engine), 4 rows, at 3840 x 2160 and at 1920 x 1080.
//  1. Frame cost while the first SECONDS of the song play at 60 frames a second (a
//     manual clock moved each frame, frames at their real pace):
//     the frame's work (the colour moving on, the count-in, an image drawn
//     ahead) and the repaint it causes, the syllables' own repaints included
//     (p50, p99, largest), and the same for the frames in which a line begins.
//  2. CPU of the whole program while the song plays on the real clock for
//     SECONDS (default 20) with the screen's own frame timer: process CPU time
//     over wall time, in percent of one core.
#include "BenchTiming.h"
#include "Clock.h"
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "TestDevice.h"
#include "frmKaraokeScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

using namespace lirmus;
using Steady = std::chrono::steady_clock;

namespace {

void report(const char* what, std::vector<double> us)
{
    if (us.empty()) {
        std::printf("  %-40s no samples\n", what);
        return;
    }
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) { return us[std::min(us.size() - 1, size_t(q * double(us.size())))]; };
    std::printf("  %-40s n=%-6zu p50 %7.0f us  p99 %7.0f us  max %7.0f us\n", what, us.size(), at(0.5), at(0.99),
                us.back());
}

struct Rig {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    TestDevice device;
    std::unique_ptr<Player> player;

    explicit Rig(Clock* clock)
    {
        settings.KaraokeRows = 4;
        settings.AutoStart = false;
        player = std::make_unique<Player>(settings, controllers, clock);
        device.reserve(400000);
        player->output().useTestDevice(&device);
        player->openOutput();
    }
};

void frameCosts(const std::string& song, QSize size, int seconds)
{
    ManualClock clock;
    Rig rig(&clock);
    Player& p = *rig.player;
    frmKaraokeScreen screen(p.lyrics(), rig.settings);
    screen.resize(size);
    screen.show();
    QApplication::processEvents();
    p.playSong(QString::fromStdString(song), 0);
    for (int guard = 0; guard < 100000 && p.state().TimerOutOn; ++guard) p.tick(PlayerTimer::Out);
    std::vector<double> all, lineStarts, first;
    const long lengthMs = p.song().SongLength;
    int64_t elapsedUs = 0;
    long lastLine = 0;
    // Frames come at their real pace: the helper thread draws the lines to come meanwhile.
    const auto start = Steady::now();
    for (int frame = 0; elapsedUs / 1000 < lengthMs && frame < 60 * seconds; ++frame) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t(frame) * 16'667));
        const int64_t step = 16'667;
        clock.advanceUs(step);
        elapsedUs += step;
        const auto t0 = Steady::now();
        p.output().deliverPending(); // the syllables due: the cursor moves, rows change
        p.tick(PlayerTimer::Out);
        screen.frame();
        QApplication::processEvents(); // the repaint
        const double us = std::chrono::duration<double, std::micro>(Steady::now() - t0).count();
        const long line = p.lyrics().rowLine(std::max(p.lyrics().state().LastSungRow, 1));
        // The song's first frame draws the whole screen, before anything is sung.
        if (frame == 0) {
            first.push_back(us);
            lastLine = line;
            continue;
        }
        all.push_back(us);
        if (line != lastLine) lineStarts.push_back(us), lastLine = line;
    }
    std::printf("%dx%d, rows at %d px (song size %d px)\n", size.width(), size.height(),
                screen.render().rowFont().pixelSize(), screen.songPixels());
    report("frame: its work and its repaint", all);
    report("  frames in which a line begins", lineStarts);
    report("the song's first frame (the whole screen)", first);
}

void cpuWhilePlaying(const std::string& song, QSize size, int seconds)
{
    Rig rig(nullptr);
    Player& p = *rig.player;
    frmKaraokeScreen screen(p.lyrics(), rig.settings);
    screen.resize(size);
    screen.show();
    screen.frameTimer()->start();
    p.playSong(QString::fromStdString(song), 0);
    int frames = 0;
    screen.afterPaint = [&] { ++frames; };
    const double cpu0 = benchCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, qApp, [] { QApplication::quit(); });
    QApplication::exec(); // the program's own event loop, as it runs
    const double cpu = benchCpuSeconds() - cpu0, secondsPassed = wall.elapsed() / 1000.0;
    std::printf("  CPU while playing %d s: %.1f %% of one core (%d repaints, %.0f a second)\n", seconds,
                100.0 * cpu / secondsPassed, frames, frames / secondsPassed);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lirmus-bench-screen [SECONDS] SONG...\n");
        return 2;
    }
    int first = 1, seconds = 20;
    if (argc > 2 && std::atoi(argv[1]) > 0) seconds = std::atoi(argv[1]), first = 2;
    for (int a = first; a < argc; ++a) {
        const std::string song = argv[a];
        std::printf("== %s\n", song.c_str());
        for (const QSize size : {QSize(3840, 2160), QSize(1920, 1080)}) {
            frameCosts(song, size, seconds);
            cpuWhilePlaying(song, size, seconds);
        }
    }
    return 0;
}
