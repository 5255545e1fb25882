// lirmus-lyrics-shots OUTDIR SONG [ms] [rows] [centred 0/1] [points] [width px] [tempo %]:
// loads a song as the player does, reports every tagged entry up to song
// time ms to the dispatcher (the lyrics window listening through the lyric
// cursor), draws the countdown bars for that moment and saves the window
// offscreen as OUTDIR/<song>-<ms>ms-<rows>r-<c|l>-<points>pt-<width>.png.
#include "ControllerTable.h"
#include "Clock.h"
#include "Player.h"
#include "Settings.h"
#include "frmLyric.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

using namespace lirmus;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SONG [ms] [rows] [centred] [points] [width] [tempo]\n", argv[0]);
        return 2;
    }
    const QString outDir = argv[1];
    const std::string song = argv[2];
    const long atMs = argc > 3 ? std::atol(argv[3]) : 30000;
    Settings settings;
    settings.KaraokeRows = argc > 4 ? std::atoi(argv[4]) : 3;
    settings.KaraokeCentered = argc > 5 ? std::atoi(argv[5]) != 0 : true;
    settings.KaraokeFontSize = argc > 6 ? std::atoi(argv[6]) : 24;
    const int width = argc > 7 ? std::atoi(argv[7]) : 1000;
    settings.TempoChange = argc > 8 ? std::atoi(argv[8]) : 0;
    settings.AutoStart = true; // loaded and cued: the song time below is ours to set

    // The song clock stands where the song is: a manual clock moved entry by entry.
    ControllerTable controllers = defaultControllerTable();
    ManualClock clock(0);
    Player player{settings, controllers, &clock};
    frmLyric window{player.lyrics(), settings, nullptr};
    window.resize(width, window.height());
    window.show();

    player.playSong(QString::fromStdString(song), 0);
    const SongQueue& q = player.song().queue;
    if (q.MsgCount < 1) {
        std::fprintf(stderr, "cannot open %s\n", song.c_str());
        return 1;
    }
    const double factor = tempoFactor(settings.TempoChange);
    auto moveClockTo = [&clock](double seconds) { clock.advanceUs(int64_t(seconds * 1e6) - clock.nowUs()); };
    for (long i = 1; i < q.MsgCount && q[i].Time <= atMs; ++i) {
        moveClockTo(q[i].Time * factor / 1000.0);
        player.MessageSent(i);
        if (getenv("SHOTS_DEBUG") && q[i].Status == 255 && q[i].Data1 == 5 && q[i].Extra == 1) {
            std::printf("line %d cur %d:", q[i].Value, player.lyric().CurLyricRow);
            for (int r = 1; r <= settings.KaraokeRows; ++r)
                std::printf(" [%ld %s]", player.lyrics().rowLine(r), qPrintable(player.lyric().LyricRowText[size_t(r)]));
            std::printf("\n");
        }
    }
    moveClockTo(atMs * factor / 1000.0);
    player.lyrics().drawCountdowns(player.timerNow());
    QApplication::processEvents();

    const QString name = QString("%1/%2-%3ms-%4r-%5-%6pt-%7.png")
                             .arg(outDir, QFileInfo(QString::fromStdString(song)).completeBaseName())
                             .arg(atMs)
                             .arg(settings.KaraokeRows)
                             .arg(settings.KaraokeCentered ? "c" : "l")
                             .arg(settings.KaraokeFontSize)
                             .arg(width);
    if (!window.grab().save(name)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        return 1;
    }
    std::printf("%s  line row %d, lyric bar %d ms, chord bar %d ms\n", qPrintable(name), player.lyric().CurLyricRow,
                player.lyrics().lyricCountdownMs(), player.lyrics().chordCountdownMs());
    return 0;
}
