// lirmus-bench-sing [SECONDS]: the score's costs on a song of SECONDS (default
// 180) sung by a voice made from its melody.
// lirmus-bench-sing --voice SONG OUT.wav [SHIFT]: writes that voice for SONG
// (SHIFT semitones off), to play into a microphone by hand.
//  1. lirmus-score on the song and its recording, run as the user runs it: wall time.
//  2. Pitch tracking as the microphone's thread does it, 512-sample hops fed in
//     blocks of 20 ms: its thread's CPU time over the recording's length, in
//     percent of one core.
#include "BenchTiming.h"
#include "PitchTracker.h"
#include "ScoreEngine.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "VoiceFile.h"

#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace lirmus;

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--voice") {
        const Settings settings;
        const SongState state = test::prepared(argv[2], settings);
        const SingSong melody = singSongOf(state, settings.MelodyChannel);
        const double shift = argc > 4 ? std::atof(argv[4]) : 0;
        if (melody.notes.empty() || !test::writeMonoWav(argv[3], test::singMelody(melody, shift))) {
            std::fprintf(stderr, "no melody in %s, or %s cannot be written\n", argv[2], argv[3]);
            return 1;
        }
        std::printf("%zu notes written to %s\n", melody.notes.size(), argv[3]);
        return 0;
    }
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 180;
    const std::string song = test::longSong(seconds), wav = test::tempDir() + "voice.wav";
    const SingSong melody = singSongOf(test::prepared(song), 3);
    const std::vector<float> voice = test::singMelody(melody, 0);
    if (!test::writeMonoWav(wav, voice)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    const double audioSeconds = double(voice.size()) / 44100;
    std::printf("song of %.0f s: %zu notes on %zu lines\n", audioSeconds, melody.notes.size(), melody.lines.size());

    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(QString::fromStdString(test::buildDir() + "lirmus-score"), {QString::fromStdString(song), QString::fromStdString(wav)});
        p.waitForFinished(120000);
        const QString score = QString::fromUtf8(p.readAllStandardOutput()).section("score: ", 1).trimmed();
        std::printf("  lirmus-score run %d: %6lld ms wall, score %s\n", run + 1, (long long)t.elapsed(), qPrintable(score));
    }

    PitchTracker tracker(44100);
    std::vector<PitchFrame> frames;
    frames.reserve(voice.size() / 512 + 1);
    const size_t block = 882; // 20 ms
    const double cpu0 = benchCpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (size_t at = 0; at < voice.size(); at += block)
        tracker.feed(voice.data() + at, std::min(block, voice.size() - at), frames);
    const double cpu = benchCpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
    std::printf("  pitch tracking: %.3f s of CPU for %.0f s of voice: %.2f %% of a core (%zu hops, %.1f us a hop)\n",
                cpu, audioSeconds, 100.0 * cpu / audioSeconds, frames.size(), 1e6 * cpu / double(frames.size()));
    ScoreEngine engine(melody);
    const double s0 = benchCpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (const PitchFrame& f : frames) engine.addFrame(f.ms - melody.timeOffset, f.lengthMs, f.midi);
    std::printf("  scoring the hops: %.2f ms of CPU, score %d\n", 1000 * (benchCpuSeconds(CLOCK_THREAD_CPUTIME_ID) - s0), engine.total());
    return 0;
}
