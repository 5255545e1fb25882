// The singer in the recording, end to end: a tone played into a PulseAudio null
// sink whose monitor is the microphone lands in the synthesizer's take beside
// its notes, at the time it was played.
#include "ControllerTable.h"
#include "MIDIOutput.h"
#include "Microphone.h"
#include "Player.h"
#include "PulseServer.h"
#include "RecordingTakes.h"
#include "SingController.h"
#include "SingKit.h"
#include "SmfWriter.h"
#include "SynthDevice.h"
#include "VoiceTap.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sys/wait.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

void queue(MIDIOutput& out, long ms, int status, int d1, int d2)
{
    out.setMsgTime(ms);
    out.setMsgStatus(status);
    out.setMsgData1(d1);
    out.setMsgData2(d2);
    out.setAction(6);
}

// Amplitude of freq Hz in the left channel of frames [from, from + n).
double toneLevel(const Wav& w, size_t from, size_t n, double freq)
{
    double re = 0, im = 0;
    for (size_t i = 0; i < n && 2 * (from + i) < w.samples.size(); ++i) {
        const double x = w.samples[2 * (from + i)] / 32767.0, a = 2 * M_PI * freq * double(i) / 44100.0;
        re += x * std::cos(a);
        im += x * std::sin(a);
    }
    return 2 * std::hypot(re, im) / double(n);
}

// Milliseconds from the start of the take to the first 10 ms holding freq Hz; -1 when none does.
double toneOnsetMs(const Wav& w, double freq)
{
    for (size_t f = 0; 2 * (f + 441) <= w.samples.size(); f += 441)
        if (toneLevel(w, f, 441, freq) > 0.1) return double(f) / 44.1;
    return -1;
}

// Qt Multimedia keeps the first sound server it reached for the whole process:
// every test here hears the same one.
PulseServer* sharedServer()
{
    static PulseServer server; // stopped when the process ends
    static const bool started = server.start();
    if (!started) ADD_FAILURE() << server.logText();
    return &server;
}

} // namespace

TEST(VoiceRecording, ATakeHoldsTheNotesAndTheVoiceSungToThem)
{
    if (!onPath("pulseaudio") || !onPath("pacat") || !onPath("pactl")) GTEST_SKIP() << "no PulseAudio";
    const auto fonts = defaultSoundFonts();
    if (std::none_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); }))
        GTEST_SKIP() << "no SoundFont";
    PulseServer& server = *sharedServer();

    Microphone mic;
    ASSERT_TRUE(mic.start({})) << mic.error().toStdString();
    const std::string dir = tempDir() + "/", wav = dir + "take.wav", tone = dir + "tone.wav";
    std::vector<float> a4(44100);
    for (size_t i = 0; i < a4.size(); ++i) a4[i] = float(0.5 * std::sin(2 * M_PI * 880.0 * double(i) / 44100.0));
    ASSERT_TRUE(writeMonoWav(tone, a4));
    auto takes = std::make_shared<RecordingTakes>(wav);
    auto tap = std::make_shared<VoiceTap>(kSynthRate);
    takes->setVoice(tap);
    mic.setVoiceTap(tap);

    // The synthesizer paces a card of its own: nothing of it reaches the sink the microphone hears.
    MIDIOutput out;
    std::vector<std::string> errors;
    out.onError = [&](int, const std::string& m) { errors.push_back(m); };
    out.setAudioOutput(true);
    out.setAudioDriver(kTimerAudioDriver);
    out.setRecording(takes);
    out.setDeviceID(0);
    out.setAction(1);
    queue(out, 0, 0xC0, 0, 0);
    queue(out, 500, 0x90, 60, 127);
    queue(out, 700, 0x80, 60, 0);
    const double startMs = steadyNowMs();
    out.setAction(4);
    QThread::msleep(1200);
    const double playedMs = steadyNowMs() - startMs;
    const pid_t pacat = spawn({"pacat", "--device=lirmus", "--file-format=wav", "--latency-msec=20", tone},
                              server.dir + "/pacat.log");
    ASSERT_GT(pacat, 0);
    // When the microphone captured the tone's start, as the live pitch frames say.
    double capturedMs = -1;
    QObject::connect(&mic, &Microphone::frames, [&](const QVector<LiveFrame>& frames) {
        for (const LiveFrame& f : frames)
            if (capturedMs < 0 && std::abs(f.pitch.midi - 81) < 0.5) capturedMs = f.steadyMs - startMs;
    });
    for (const double until = steadyNowMs() + 1800; steadyNowMs() < until;) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    out.setAction(2); // the take is complete when the device has closed
    out.deliverPending();
    waitpid(pacat, nullptr, 0);
    mic.stop();
    EXPECT_TRUE(errors.empty()) << errors.front();

    const Wav w = readWav(wav);
    ASSERT_TRUE(w.valid);
    EXPECT_NEAR(firstOnsetMs(w), 500, 30) << "the synthesizer's note";
    const double voiceMs = toneOnsetMs(w, 880);
    std::printf("[ voice    ] played from %.0f ms of the take, captured at %.0f ms, recorded at %.0f ms\n", playedMs,
                capturedMs, voiceMs);
    ASSERT_GE(voiceMs, 0) << "the voice is not in the take";
    ASSERT_GE(capturedMs, 0) << "the microphone never heard the tone";
    // The player of the tone and the sound server take a while to start it: the take places it
    // where the microphone captured it, never before it was played.
    EXPECT_GT(voiceMs, playedMs - 30);
    EXPECT_NEAR(voiceMs, capturedMs, 40);
    EXPECT_LT(toneLevel(w, 441 * 10, 441 * 20, 880), 0.02) << "nothing sung before the tone";
}

TEST(VoiceRecording, ThePlayersTakesCarryTheVoiceOnlyWhenAskedAndRecording)
{
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    Player player(settings, controllers);
    settings.RecordVoice = true;
    player.applySynthSettings();
    EXPECT_EQ(player.voiceTap(), nullptr) << "no audio file: nothing is recorded";
    settings.AudioFile = tempDir() + "/take.wav";
    player.applySynthSettings();
    const auto tap = player.voiceTap();
    ASSERT_NE(tap, nullptr);
    EXPECT_EQ(tap->rate(), kSynthRate);
    player.applySynthSettings();
    EXPECT_EQ(player.voiceTap(), tap) << "the same tap while the microphone feeds it";
    settings.RecordVoice = false;
    player.applySynthSettings();
    EXPECT_EQ(player.voiceTap(), nullptr);
}

TEST(VoiceRecording, TheMicrophoneRunsForTheRecordingOrTheLyricsWindowsGuideAlone)
{
    if (!onPath("pulseaudio") || !onPath("pacat") || !onPath("pactl")) GTEST_SKIP() << "no PulseAudio";
    sharedServer();
    Settings settings;
    settings.PitchGuide = false; // nobody looks at a guide: only the recording wants the voice
    settings.AudioFile = tempDir() + "/alone.wav";
    settings.RecordVoice = true;
    ControllerTable controllers = defaultControllerTable();
    Player player(settings, controllers);
    player.applySynthSettings();
    SingController sing(player, settings);
    EXPECT_TRUE(sing.microphone().running()) << sing.microphone().error().toStdString();
    sing.setActive(true);
    sing.setActive(false); // the karaoke screen came and went
    EXPECT_TRUE(sing.microphone().running());

    settings.RecordVoice = false;
    player.applySynthSettings();
    sing.settingsChanged();
    EXPECT_FALSE(sing.microphone().running());

    settings.PitchGuide = settings.LyricsGuide = true; // the guide shows beside the lyrics, no screen
    sing.settingsChanged();
    EXPECT_TRUE(sing.microphone().running());
    settings.LyricsGuide = false;
    sing.settingsChanged();
    EXPECT_FALSE(sing.microphone().running());
    settings.LyricsGuide = true;
    SingController started(player, settings); // as the program starts with those settings
    EXPECT_TRUE(started.microphone().running());
}

TEST(VoiceRecording, AMicrophonePluggedInLaterIsTakenUp)
{
    if (!onPath("pulseaudio") || !onPath("pacat") || !onPath("pactl")) GTEST_SKIP() << "no PulseAudio";
    const PulseServer& server = *sharedServer();
    const std::string pactlLog = server.dir + "/pactl.log";
    const auto waitUntil = [](auto done) {
        for (int i = 0; i < 500 && !done(); ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        return done();
    };
    ASSERT_EQ(waitFor({"pactl", "unload-module", "module-remap-source"}, pactlLog), 0);
    ASSERT_TRUE(waitUntil([] { return Microphone::deviceNames().isEmpty(); })) << "the microphone is unplugged";
    Settings settings;
    settings.LyricsGuide = true;
    ControllerTable controllers = defaultControllerTable();
    Player player(settings, controllers);
    SingController sing(player, settings);
    EXPECT_FALSE(sing.microphone().running());

    ASSERT_EQ(waitFor({"pactl", "load-module", "module-remap-source", "master=lirmus.monitor", "source_name=lirmus_mic",
                       "source_properties=device.description=Microphone"},
                      pactlLog),
              0);
    waitFor({"pactl", "set-default-source", "lirmus_mic"}, pactlLog);
    EXPECT_TRUE(waitUntil([&] { return sing.microphone().running(); })) << sing.microphone().error().toStdString();
}
