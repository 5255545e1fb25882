// lirmus-score SONG VOICE.wav [--key N] [--tempo P]: scores a recording of a
// singer with the live scorer's engine. The recording starts with the song
// (time 0 of the file); --key and --tempo say how the song was played.
#include "CommandLineViews.h"
#include "MIDIOutput.h"
#include "ScoreEngine.h"
#include "SettingsService.h"
#include "SingSong.h"
#include "VoiceFile.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lirmus;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: lirmus-score SONG VOICE.wav [--key N] [--tempo P]\n");
    return 2;
}

bool number(const char* text, int lo, int hi, int& out)
{
    const std::string s = text;
    const auto r = std::from_chars(s.data() + (s[0] == '+'), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= lo && out <= hi;
}

} // namespace

int main(int argc, char** argv)
{
    quietToolStart();
    QGuiApplication app(argc, argv);

    std::vector<std::string> files;
    int key = 0, tempo = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--key" || a == "--tempo") {
            if (i + 1 >= argc) return usage();
            const bool ok = a == "--key" ? number(argv[++i], -24, 24, key) : number(argv[++i], -100, 100, tempo);
            if (!ok) {
                std::fprintf(stderr, "lirmus-score: %s takes %s, not \"%s\"\n", a.c_str(),
                             a == "--key" ? "semitones -24..24" : "a percent -100..100", argv[i]);
                return 2;
            }
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) return usage();

    Settings settings;
    settings.AppPath = makeAppPath(QDir::currentPath().toStdString());
    const SettingsService ini(settings.iniPath());
    readOptions(ini, settings);
    const QFont font(QString::fromStdString(settings.KaraokeFont), settings.KaraokeFontSize);
    const QFontMetrics metrics(font);
    const QScreen* screen = QGuiApplication::primaryScreen();
    CommandLineViews views(metrics, long(screen ? screen->geometry().width() : 1024) * 15);
    SongState song;
    prepareSong(files[0], settings, views, song);
    if (!views.refusals.isEmpty()) {
        for (const QString& m : views.refusals) std::fprintf(stderr, "%s: %s\n", files[0].c_str(), qPrintable(m));
        return 1;
    }
    const VoiceAudio voice = readVoiceWav(files[1]);
    if (!voice.error.empty()) {
        std::fprintf(stderr, "lirmus-score: %s\n", voice.error.c_str());
        return 1;
    }

    const SingSong sing = singSongOf(song, settings.MelodyChannel);
    ScoreEngine engine(sing);
    engine.setKey(key);
    scoreRecording(engine, voice, tempoFactor(tempo));
    std::printf("melody channel: %d\n", sing.channel + 1);
    for (size_t l = 0; l < sing.lines.size(); ++l) {
        const int s = engine.lineScore(l);
        std::printf("%s\t%s\t%s\n", s < 0 ? "-" : std::to_string(s).c_str(), qPrintable(ScoreEngine::rating(s)),
                    qPrintable(sing.lines[l].text));
    }
    std::printf("score: %d\n", engine.total());
    return 0;
}
