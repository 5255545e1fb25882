// lirmus-mixer-demo SONG WAV PNGPREFIX [CHANNEL]: plays a song through the
// built-in synthesizer into a WAV, with the channel monitor on screen
// (offscreen). After 3 s it saves the monitor at two window sizes; at 4 s it
// mutes every channel but CHANNEL (1..16, default 7), at 8 s that channel too,
// at 12 s it turns it on again, and at 16 s it stops. It prints the loudness
// of the WAV per half second, so the muted stretch shows as silence.
#include "ControllerTable.h"
#include "Player.h"
#include "Settings.h"
#include "Twips.h"
#include "WavFile.h"
#include "frmIndic.h"
#include "frmPlay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <thread>

using namespace lirmus;

namespace {

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: lirmus-mixer-demo SONG WAV PNGPREFIX [CHANNEL]\n");
        return 2;
    }
    const int keep = argc > 4 ? std::atoi(argv[4]) - 1 : 6;
    Settings settings;
    settings.AutoStart = false;
    loadProgramNames(LIRMUS_DATA_DIR "/programs.txt", settings.ProgramNames);
    loadDrumKits(LIRMUS_DATA_DIR "/Drums.txt", settings.DrumKits);
    ControllerTable table = defaultControllerTable();
    Player player(settings, table);
    player.output().setAudioOutput(false);
    player.output().setAudioFile(argv[2]);
    player.output().onError = [](int, const std::string& m) { std::fprintf(stderr, "output: %s\n", m.c_str()); };
    frmPlay play(player);
    frmIndic monitor(player);
    player.hub().attachMonitor(&monitor);
    player.openOutput();
    monitor.resize(420, 560);
    monitor.setStripSize(twips(400));
    monitor.show();

    player.chooseSong(argv[1], 0);
    QElapsedTimer clock;
    clock.start();
    player.transport().Start_Play();
    auto at = [&](const char* what) {
        std::printf("%6.2f s (song %6.2f s): %s\n", clock.elapsed() / 1000.0, player.output().PositionMs() / 1000.0,
                    what);
    };
    runFor(3000 - int(clock.elapsed()));
    monitor.grab().save(QString(argv[3]) + "-420x560.png");
    monitor.resize(640, 560);
    monitor.setStripSize(twips(600));
    runFor(150);
    monitor.grab().save(QString(argv[3]) + "-640x560.png");
    monitor.resize(420, 560);
    monitor.setStripSize(twips(400));
    at("screenshots");

    runFor(4000 - int(clock.elapsed()));
    for (int ch = 0; ch < 16; ++ch)
        if (ch != keep && player.channels().ChannelOn[size_t(ch)]) monitor.cmdOn_Click(ch);
    at("every other channel muted");
    runFor(8000 - int(clock.elapsed()));
    monitor.cmdOn_Click(keep);
    at("kept channel muted too");
    monitor.grab().save(QString(argv[3]) + "-muted.png");
    runFor(12000 - int(clock.elapsed()));
    monitor.cmdOn_Click(keep);
    at("kept channel on again");
    runFor(16000 - int(clock.elapsed()));
    at("stop");
    player.transport().Stop_Play();
    player.output().setAction(2);
    runFor(300);

    const test::Wav w = test::readWav(argv[2]);
    if (!w.valid) {
        std::fprintf(stderr, "no WAV written\n");
        return 1;
    }
    const size_t window = 44100 / 2 * 2; // half a second of stereo samples
    std::printf("WAV loudness (RMS) per half second:\n");
    for (size_t i = 0; i + window <= w.samples.size(); i += window) {
        double sum = 0;
        for (size_t k = i; k < i + window; ++k) sum += double(w.samples[k]) * w.samples[k];
        std::printf("  %5.1f s  %7.1f\n", double(i) / 88200.0, std::sqrt(sum / double(window)));
    }
    return 0;
}
