// The program as a user starts it: a song named on the command line plays at
// once, and SIGTERM or Ctrl+C in the terminal end it with the recording of
// the built-in synthesizer complete and the settings on disk.
#include "SmfWriter.h"
#include "SynthDevice.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <thread>

using namespace lirmus;

namespace {

bool haveSoundFont()
{
    const auto fonts = defaultSoundFonts();
    return std::any_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); });
}

/// Ten seconds of one piano note a second.
std::string writeSong(const std::string& dir)
{
    test::SmfWriter smf(1, 500);
    smf.track().tempo(0, 500000).end();
    test::SmfTrack& t = smf.track().program(0, 0, 0);
    for (int i = 0; i < 10; ++i) t.note(i == 0 ? 0 : 500, 0, 60, 110).noteOff(500, 0, 60);
    t.end();
    EXPECT_TRUE(smf.save(dir + "tune.mid"));
    return dir + "tune.mid";
}

/// Starts the program in dir on song, recording into dir/take.wav, and waits until the recording begins.
void startRecording(QProcess& lirmus, const std::string& dir, const std::string& song)
{
    test::writeFile(dir + "LIRMUS.INI", "[OPTIONS]\r\nAutoStart=0\r\n[LOAD]\r\nAudioFile=" + dir + "take.wav\r\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir)); // a lock of its own
    lirmus.setProcessEnvironment(env);
    lirmus.setWorkingDirectory(QString::fromStdString(dir));
    lirmus.start(QString::fromStdString(test::buildDir() + "/lirmus"), {QString::fromStdString(song)});
    ASSERT_TRUE(lirmus.waitForStarted(10000));
    for (int waited = 0; waited < 60000 && !std::ifstream(dir + "take.wav").good(); waited += 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(std::ifstream(dir + "take.wav").good()) << "the song started";
}

} // namespace

TEST(Program, ASongOnTheCommandLinePlaysAndASignalEndsItWithTheRecordingComplete)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
        const std::string dir = test::tempDir();
        QProcess lirmus;
        ASSERT_NO_FATAL_FAILURE(startRecording(lirmus, dir, writeSong(dir)));
        // A little of the song plays.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ::kill(pid_t(lirmus.processId()), sig);
        ASSERT_TRUE(lirmus.waitForFinished(15000)) << "the program ends on the signal";
        EXPECT_EQ(lirmus.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(lirmus.exitCode(), 0);

        const test::Wav w = test::readWav(dir + "take.wav");
        ASSERT_TRUE(w.valid) << "the recording is a complete WAV file; the program said: "
                             << lirmus.readAllStandardError().toStdString();
        const double seconds = double(w.samples.size() / 2) / 44100.0;
        EXPECT_GT(seconds, 0.5);
        EXPECT_LT(seconds, 10.0) << "it stopped with the program, before the song's end";
        EXPECT_GE(test::firstOnsetMs(w), 0.0) << "the song was heard";
    }
}

TEST(Program, AProgramKilledWhileRecordingLeavesAWavWhoseHeaderLosesAtMostTheLastSecond)
{
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    const std::string dir = test::tempDir();
    QProcess lirmus;
    ASSERT_NO_FATAL_FAILURE(startRecording(lirmus, dir, writeSong(dir)));
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    ::kill(pid_t(lirmus.processId()), SIGKILL); // nothing of ours runs after this
    ASSERT_TRUE(lirmus.waitForFinished(15000));

    const std::string bytes = test::readFile(dir + "take.wav");
    ASSERT_GE(bytes.size(), 44u);
    const auto le32 = [&bytes](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    const uint32_t said = le32(40), there = uint32_t(bytes.size() - 44);
    EXPECT_EQ(le32(4), said + 36);
    EXPECT_LE(said, there);
    EXPECT_GT(said, 0u) << "the header says what was recorded, not an empty file";
    EXPECT_LE(there - said, 44100u * 4 + 4096) << "at most the last second (and a buffer) is not in the header";
}
