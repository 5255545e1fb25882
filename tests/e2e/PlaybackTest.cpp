// Whole songs through the real player: on the test device with a manual
// clock (every message, its time and its bytes), and chosen in the file view
// of the main window, played to the end by the built-in synthesizer into a WAV.
#include "AppState.h"
#include "PlayerHarness.h"
#include "SmfWriter.h"
#include "SynthDevice.h"
#include "WavFile.h"
#include "frmDataGrid.h"
#include "frmMain.h"
#include "frmPlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <algorithm>
#include <fstream>

using namespace lirmus;

namespace {

std::string songs() { return test::sharedTestData(); }

// What the device should receive for a queue entry, or "" for entries that send nothing.
std::string expectedBytes(const QueueEntry& e, const ControllerTable& mixer, int transpose)
{
    if (e.Status == 255 || e.Status == 0) return {};
    if (e.Status == 240) return e.sysExBytes().toStdString();
    const int kind = e.Status & 0xF0, ch = e.Status & 0x0F;
    int d1 = e.Data1, d2 = e.Data2;
    if ((kind == 0x80 || kind == 0x90 || kind == 0xA0) && ch != 9) {
        d1 += transpose;
        if (d1 < 0 || d1 > 127) return {};
    }
    if (const int row = kind == 0xB0 ? mixer.rowOf(d1) : -1; row >= 0)
        d2 = ApplyMaster(d2, 0, 127, mixer.CtrlMaster[size_t(row)], mixer.CtrlMin[size_t(row)]);
    std::string b{char(e.Status), char(d1)};
    if (kind != 0xC0 && kind != 0xD0) b += char(d2);
    return b;
}

bool haveSoundFont()
{
    const auto fonts = defaultSoundFonts();
    return std::any_of(fonts.begin(), fonts.end(), [](const std::string& f) { return std::ifstream(f).good(); });
}

} // namespace

TEST(Playback, SongsPlayEveryMessageOnTimeAcrossBothPassesAndTransposed)
{
    if (songs().empty()) GTEST_SKIP() << "the shared test songs are absent";
    // Longer than the first pass's 50 seconds: the second pass feeds the running output.
    for (auto [file, transpose] : std::vector<std::pair<const char*, int>>{
             {"Negra_Sombra.kar", 0}, {"haendel_hallelujah.mid", 2}, {"twinkle.kar", -3}}) {
        SCOPED_TRACE(file);
        test::PlayerHarness h(false);
        std::vector<long> tags;
        Player& player = *h.player;
        h.player->output().MessageSent = [&](long tag) {
            tags.push_back(tag);
            player.MessageSent(tag);
        };
        const size_t before = h.device.count();
        h.start(songs() + file, transpose);
        ASSERT_GT(h.queue().MsgCount, 0);
        const SongQueue queue = h.queue(); // the song as it played; the end of it cues nothing here
        h.play(queue.lastTime() + 1000);

        std::vector<std::pair<std::string, long>> expected;
        for (long i = 1; i <= queue.MsgCount; ++i)
            if (std::string b = expectedBytes(queue[i], h.controllers, transpose); !b.empty())
                expected.emplace_back(b, queue[i].Time);
        // The silence sent at the start (each stop sends it) comes before the song.
        std::vector<SentMessage> all = h.sentFrom(before);
        const auto isSilence = [](const SentMessage& m) {
            return m.bytes.size() == 3 && (uint8_t(m.bytes[0]) & 0xF0) == 0xB0 && (m.bytes[1] == 123 || m.bytes[1] == 120);
        };
        all.erase(all.begin(), std::find_if_not(all.begin(), all.end(), isSilence));
        ASSERT_GE(all.size(), expected.size());
        // The song's messages in order at their times; between them only the
        // dispatcher's immediate controller corrections (master levels) may come.
        const int64_t zeroUs = all.front().dueUs - int64_t(expected.front().second) * 1000;
        size_t at = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            const auto due = [&](const SentMessage& m) { return m.dueUs - zeroUs == int64_t(expected[i].second) * 1000; };
            while (at < all.size() && !(all[at].bytes == expected[i].first && due(all[at]))) {
                ASSERT_EQ(uint8_t(all[at].bytes[0]) & 0xF0, 0xB0) << "message " << i << " of " << expected.size();
                ++at;
            }
            ASSERT_LT(at, all.size()) << "message " << i << " never came";
            ASSERT_EQ(all[at].dueUs - zeroUs, int64_t(expected[i].second) * 1000) << "message " << i;
            ASSERT_EQ(all[at].sentUs, all[at].dueUs) << "message " << i;
            ++at;
        }
        // The last entry's report ended the song: the player stopped and silenced every channel.
        ASSERT_FALSE(tags.empty());
        EXPECT_EQ(tags.back(), queue.MsgCount);
        EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
        EXPECT_TRUE(h.buttons.Play && !h.buttons.Pause);
        EXPECT_TRUE(test::soundingNotes(h.device.messages()).empty());
    }
}

TEST(Playback, ASongChosenInTheFileViewPlaysToItsEndIntoTheSynthesizersRecording)
{
    if (songs().empty()) GTEST_SKIP() << "the shared test songs are absent";
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";

    const std::string dir = test::tempDir();
    test::writeFile(dir + "LIRMUS.INI", "[DATABASE]\r\nCurDir=" + songs() + "\r\n");
    AppState state;
    state.settings.AppPath = dir;
    state.settings.AutoStart = false;
    state.settings.TempoChange = 75; // four times as fast: 49 s of song in about 12
    state.settings.AudioFile = dir + "twinkle.wav";
    state.player.output().setAudioOutput(false);
    state.player.applySynthSettings();
    frmMain main(state);
    main.createChildWindows();
    struct Messages : NullDisplays {
        QStringList texts;
        void messageBox(const QString& t, MessageIcon) override { texts << t; }
    } messages;
    state.player.hub().attachApp(&messages);
    main.showAll();
    state.player.openOutput();

    frmDataGrid* browser = main.browser();
    const QList<QListWidgetItem*> found = browser->filFiles->findItems("twinkle.kar", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << "the file view lists the shared songs";
    browser->filFiles->setCurrentItem(found.first());
    browser->filFiles_DblClick();
    EXPECT_EQ(state.player.state().SongFile.toStdString(), songs() + "twinkle.kar");
    EXPECT_TRUE(state.player.state().buttons.Pause) << "it plays";

    QElapsedTimer t;
    t.start();
    while (!state.player.state().buttons.Play && t.elapsed() < 40000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(state.player.state().buttons.Play && !state.player.state().buttons.Pause) << "stopped at the end";
    state.player.shutDown();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("; ").toStdString();

    const test::Wav w = test::readWav(dir + "twinkle.wav");
    ASSERT_TRUE(w.valid);
    const double seconds = double(w.samples.size() / 2) / 44100.0;
    RecordProperty("recorded_seconds", std::to_string(seconds));
    EXPECT_GT(seconds, 10.0) << "the whole song, at four times its speed";
    EXPECT_LT(seconds, 20.0);
    EXPECT_GE(test::firstOnsetMs(w), 0.0);
}
