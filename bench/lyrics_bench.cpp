// lirmus-bench-lyrics [--play SECONDS] SONG: the lyrics window offscreen,
// 1920 pixels wide, 4 rows at 48 points.
//  1. Paint cost of each syllable of the song: the cursor's PrintLyric and
//     the repaint of the row's band it causes (p50, p99, largest).
//  2. Full redraw of the karaoke rows (p50, p99).
//  3. The karaoke screen at 3840 x 2160, 4 rows, the font fitted to the
//     song: the same syllables, the lyrics window hidden (p50, p99, largest).
//  4. With --play: the song played on the real clock through the player (a
//     recording output device), and for each syllable the time from its due
//     time on the output's clock to the end of the repaint of its row.
#include "Clock.h"
#include "ControllerTable.h"
#include "LoadSong.h"
#include "LyricWidgets.h"
#include "Player.h"
#include "Settings.h"
#include "TestDevice.h"
#include "frmKaraokeScreen.h"
#include "frmLyric.h"
#include "frmPlay.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace lirmus;
using Steady = std::chrono::steady_clock;

namespace {

void report(const char* what, std::vector<double> us)
{
    if (us.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) { return us[std::min(us.size() - 1, size_t(q * double(us.size())))]; };
    std::printf("%-44s n=%-5zu p50 %8.1f us  p99 %8.1f us  max %8.1f us\n", what, us.size(), at(0.5), at(0.99),
                us.back());
}

double since(Steady::time_point t0) { return std::chrono::duration<double, std::micro>(Steady::now() - t0).count(); }

bool isSyllable(const QueueEntry& e)
{
    return e.Status == 255 && e.Data1 == 5 && e.Length >= 1 && !e.Text.startsWith('%') && !e.Text.trimmed().isEmpty();
}

struct Setup {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    Player player{settings, controllers};
    frmPlay play{player, false};
    frmLyric window{player.lyrics(), settings, nullptr};

    Setup()
    {
        settings.KaraokeRows = 4;
        settings.KaraokeFontSize = 48;
        settings.AutoStart = false;
        window.PreparaPicLyric();
        window.resize(1920, window.height());
        window.show();
        QApplication::processEvents();
    }
};

/// Prepares song as a start does, cued at its start (nothing plays); false when it cannot.
bool cue(Setup& s, const std::string& song)
{
    s.settings.AutoStart = true;
    s.player.playSong(QString::fromStdString(song), 0);
    s.settings.AutoStart = false;
    return s.player.song().queue.MsgCount > 0;
}

/// Each syllable of the song three times through the cursor, with the repaint it causes (us);
/// gapMs of the time between syllables given to the views' work in between, unmeasured.
std::vector<double> timeSyllables(Player& p, int gapMs = 0, std::vector<double>* lineStarts = nullptr)
{
    std::vector<double> us;
    const SongQueue& q = p.song().queue;
    const auto between = [gapMs] {
        if (gapMs <= 0) return;
        QThread::msleep(gapMs);
        QApplication::processEvents();
    };
    for (int pass = 0; pass < 3; ++pass) {
        p.lyrics().RiposizionaKaraoke(0); // the first rows again, row 1 next

        QApplication::processEvents();
        between(); // a song's first syllable comes seconds after its rows show
        for (long i = 1; i <= q.MsgCount; ++i) {
            if (!isSyllable(q[i])) continue;
            const auto t0 = Steady::now();
            p.lyrics().PrintLyric(q[i].Value, q[i].Extra, q[i].Text);
            QApplication::processEvents();
            us.push_back(since(t0));
            if (lineStarts && q[i].Extra == 1) lineStarts->push_back(us.back());
            between();
        }
    }
    return us;
}

void paintCosts(const std::string& song)
{
    Setup s;
    Player& p = s.player;
    if (!cue(s, song)) return;
    p.lyrics().StartLyric(1);
    QApplication::processEvents();
    std::vector<double> full;
    const std::vector<double> perSyllable = timeSyllables(p);
    for (int i = 0; i < 300; ++i) {
        const auto t0 = Steady::now();
        s.window.picLyr->repaint();
        full.push_back(since(t0));
    }
    std::printf("window %dx%d, picLyr %dx%d, font %s %d pt, 4 rows\n", s.window.width(), s.window.height(),
                s.window.picLyr->width(), s.window.picLyr->height(),
                qPrintable(s.window.render().font().family()), s.window.render().font().pointSize());
    report("syllable: PrintLyric + repaint of its band", perSyllable);
    report("full redraw of the karaoke rows", full);
}

void screenPaintCosts(const std::string& song)
{
    Setup s;
    Player& p = s.player;
    if (!cue(s, song)) return;
    s.window.hide(); // only the screen paints
    frmKaraokeScreen screen(p.lyrics(), s.settings);
    screen.resize(3840, 2160);
    screen.show();
    p.lyrics().StartLyric(1);
    QApplication::processEvents();
    std::vector<double> full;
    // Syllables come a tenth of a second apart or more: the screen draws the next lines in between.
    std::vector<double> lineStarts;
    const std::vector<double> perSyllable = timeSyllables(p, frmKaraokeScreen::kFrameMs + 5, &lineStarts);
    for (int i = 0; i < 100; ++i) {
        const auto t0 = Steady::now();
        screen.repaint();
        full.push_back(since(t0));
    }
    std::printf("karaoke screen %dx%d, font %s %d px, 4 rows\n", screen.width(), screen.height(),
                qPrintable(screen.render().rowFont().family()), screen.render().rowFont().pixelSize());
    report("screen syllable: PrintLyric + repaint", perSyllable);
    report("  of which first syllables of a line", lineStarts);
    report("screen full redraw of the karaoke rows", full);
}

void playLatency(const std::string& song, int seconds)
{
    Setup s;
    Player& p = s.player;
    TestDevice device;
    device.reserve(200000);
    p.output().useTestDevice(&device);
    p.openOutput();

    // The due time of each syllable is reckoned on the output's clock from
    // the first note it sent; a syllable counts once its row has been repainted.
    std::vector<long> pendingTimes;
    std::vector<double> latencyMs;
    int64_t zeroUs = -1;
    long lastIndex = 0;
    struct Spy : LyricsDisplay {
        std::function<void(int)> onRow;
        void lyricRowChanged(int row) override { onRow(row); }
        void sysexRowChanged(int) override {}
        void captionChanged(LyricCaption, const QString&) override {}
        void countdownsChanged(int, int) override {}
        void PreparaAltezza() override {}
        void PreparaPicLyric() override {}
        void restoreFontSize(int) override {}
    } spy;
    spy.onRow = [&](int row) {
        const long i = p.state().CurrentIndex;
        if (row == 0 || i == lastIndex || i < 1 || i > p.song().queue.MsgCount || !isSyllable(p.song().queue[i])) return;
        lastIndex = i;
        pendingTimes.push_back(p.song().queue[i].Time);
    };
    p.lyrics().attachSurface(&spy);
    s.window.picLyr->afterPaint = [&] {
        if (pendingTimes.empty()) return;
        const int64_t now = SteadyClock::instance().nowUs();
        if (zeroUs < 0) {
            const SongQueue& q = p.song().queue;
            long first = 1;
            while (first <= q.MsgCount && (q[first].Status & 0xF0) != 0x90) ++first;
            for (const SentMessage& m : device.messages())
                if (!m.bytes.empty() && (uint8_t(m.bytes[0]) & 0xF0) == 0x90) {
                    zeroUs = m.dueUs - int64_t(q[first].Time) * 1000;
                    break;
                }
            if (zeroUs < 0) return;
        }
        for (long t : pendingTimes) latencyMs.push_back((now - (zeroUs + int64_t(t) * 1000)) / 1000.0);
        pendingTimes.clear();
    };

    p.playSong(QString::fromStdString(song), 0);
    QTimer::singleShot(seconds * 1000, [&] { QApplication::quit(); });
    QApplication::exec();
    p.transport().Stop_Play();
    p.lyrics().detachSurface(&spy);
    std::vector<double> us;
    for (double ms : latencyMs) us.push_back(ms * 1000.0);
    std::printf("played %d s on the real clock\n", seconds);
    report("syllable due -> end of its row's repaint", us);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 0;
    std::string song;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--play" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
        else song = a;
    }
    if (song.empty()) {
        std::fprintf(stderr, "usage: %s [--play SECONDS] SONG\n", argv[0]);
        return 2;
    }
    paintCosts(song);
    screenPaintCosts(song);
    if (seconds > 0) playLatency(song, seconds);
    return 0;
}
