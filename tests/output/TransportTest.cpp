// The transport on the real player: the button states of each step, the
// skip buttons and the slider, silence after seek, pause and stop, songs
// started and dropped over a song under way, and the bad inputs of a user.
#include "PlayerHarness.h"
#include "LoadSong.h"
#include "SmfWriter.h"
#include "VoiceTap.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

using namespace lirmus;
using lirmus::test::PlayerHarness;
using lirmus::test::soundingNotes;

namespace {

/// A song of seconds with a note every 250 ms on channel 1, held 200 ms, at 120 bpm
/// with 500 ticks per quarter (one tick per ms). key is the pitch of every note.
std::string writeSong(const std::string& name, int seconds, int key = 60)
{
    test::SmfWriter smf(1, 500);
    smf.track().tempo(0, 500000).end();
    test::SmfTrack& t = smf.track().program(0, 0, 0);
    for (int i = 0; i < seconds * 4; ++i) t.note(i == 0 ? 0 : 50, 0, key, 100).noteOff(200, 0, key);
    t.end();
    const std::string path = test::tempDir() + name;
    EXPECT_TRUE(smf.save(path));
    return path;
}

std::string buttonsText(const TransportButtons& b)
{
    return std::string(b.Play ? "Play " : "") + (b.Pause ? "Pause " : "") + (b.Stop ? "Stop " : "") +
           (b.Seek ? "Seek" : "");
}

} // namespace

TEST(Transport, ButtonsFollowTheStateTableWithAutoStart)
{
    PlayerHarness h(true);
    h.start(writeSong("auto.mid", 4));
    MIDIOutput& out = h.player->output();
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek") << "cued";
    EXPECT_NE(out.State(), 2) << "a cued song waits for Play";

    h.transport().cmdPlay_Click();
    EXPECT_EQ(buttonsText(h.buttons), "Pause Stop Seek") << "playing";
    EXPECT_EQ(out.State(), 2);
    h.play(1000);
    ASSERT_GT(h.player->channels().MeterLevel[0], 0) << "the notes lit the meter";

    h.transport().cmdPause_Click();
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek") << "paused";
    EXPECT_EQ(out.State(), 4);
    EXPECT_EQ(h.player->channels().MeterLevel[0], 0) << "pausing empties the meters";
    EXPECT_FALSE(h.timer1());
    h.player->tick(PlayerTimer::Display); // a tick already on its way while paused changes nothing
    EXPECT_FALSE(h.timer1());

    h.transport().cmdPlay_Click();
    EXPECT_EQ(buttonsText(h.buttons), "Pause Stop Seek") << "resumed";
    EXPECT_EQ(out.State(), 2);

    h.transport().cmdStop_Click();
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek") << "cued again from the start";
    EXPECT_TRUE(h.player->state().Paused);

    // The end of the song cues it again too.
    h.transport().cmdPlay_Click();
    h.play(6000);
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek");
    EXPECT_EQ(h.player->state().NextToSend, 1 + h.queue().MsgCount) << "cued: handed over again from entry 1";
}

TEST(Transport, WithoutAutoStartASongPlaysAtOnceAndStopsForGood)
{
    PlayerHarness h(false);
    h.start(writeSong("plain.mid", 2));
    EXPECT_EQ(buttonsText(h.buttons), "Pause Stop Seek");
    EXPECT_EQ(h.player->output().State(), 2);
    h.play(4000);
    EXPECT_EQ(buttonsText(h.buttons), "Play ") << "the end of the song stops it";
    EXPECT_EQ(h.player->output().State(), 1);

    h.transport().cmdPlay_Click(); // Play when nothing is paused starts the song again
    EXPECT_EQ(buttonsText(h.buttons), "Pause Stop Seek");
    h.seek(50);
    h.pump();
    EXPECT_EQ(h.player->state().SliderPercent, 50);

    // Holding the slider stops the display timer; letting it go brings it back.
    ASSERT_TRUE(h.timer1());
    h.transport().sliOut_MouseDown();
    EXPECT_FALSE(h.timer1());
    h.transport().sliOut_MouseUp();
    EXPECT_TRUE(h.timer1());

    h.transport().cmdStop_Click();
    EXPECT_EQ(buttonsText(h.buttons), "Play ");
    EXPECT_EQ(h.player->state().SliderPercent, 0) << "the slider is back at the start";
    EXPECT_EQ(h.slider, 0);
    EXPECT_FALSE(h.timer1());
    h.player->tick(PlayerTimer::Display); // a tick already on its way does not arm it again
    EXPECT_FALSE(h.timer1());
}

TEST(Transport, SkipButtonsMoveTheSliderByTenAndSeekOnlyWhilePlaying)
{
    PlayerHarness h(false);
    h.start(writeSong("skip.mid", 10));
    struct Case { int from; void (Transport::*click)(); int to; };
    for (const Case& c : {Case{95, &Transport::cmdForward_Click, 95}, Case{89, &Transport::cmdForward_Click, 99},
                          Case{9, &Transport::cmdRewind_Click, 9}, Case{30, &Transport::cmdRewind_Click, 20},
                          Case{50, &Transport::cmdInizio_Click, 0}}) {
        h.seek(c.from);
        h.pump();
        (h.transport().*c.click)();
        EXPECT_EQ(h.slider, c.to) << "from " << c.from;
        if (c.to != c.from) {
            // The output restarts from the first entry at or after that point.
            const long ms = long(std::lround(c.to * double(h.player->song().SongLength) / 100.0));
            EXPECT_EQ(h.player->state().SendOffset, h.queue()[h.queue().firstAtOrAfter(ms)].Time) << "to " << c.to;
        }
        h.pump();
    }

    // Not playing: a seek only beeps.
    h.transport().cmdStop_Click();
    const int beeps = h.beeps;
    h.transport().sliOut_Change(40);
    EXPECT_EQ(h.beeps, beeps + 1);
}

TEST(Transport, SeekPauseAndStopLeaveNoNoteSounding)
{
    PlayerHarness h(false);
    h.start(writeSong("silence.mid", 10));
    Transport& t = h.transport();
    // Each action lands 100 ms into a held note.
    struct Step { const char* name; std::function<void()> before; long playMs; std::function<void()> act; };
    const std::vector<Step> steps{
        {"pause", [] {}, 1100, [&] { t.cmdPause_Click(); }},                         // at 1.1 s
        {"seek", [&] { t.cmdPlay_Click(); }, 1000, [&] { t.sliOut_Change(60); }},   // at 2.1 s
        {"stop", [&] { h.pump(); }, 1100, [&] { t.cmdStop_Click(); }},              // at 6 + 1.1 s
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        h.play(step.playMs);
        ASSERT_FALSE(soundingNotes(h.device.messages()).empty()) << step.name << ": a note should be sounding";
        step.act();
        EXPECT_TRUE(soundingNotes(h.device.messages()).empty()) << step.name;
    }
}

/// Notes (key, count) that reached the device from message `from` on.
std::map<int, int> notesSent(const PlayerHarness& h, size_t from)
{
    std::map<int, int> keys;
    for (const SentMessage& m : h.sentFrom(from))
        if ((uint8_t(m.bytes[0]) & 0xF0) == 0x90 && uint8_t(m.bytes[2]) > 0) ++keys[uint8_t(m.bytes[1])];
    return keys;
}

TEST(Transport, ANewSongReplacesTheOneUnderWayWhateverStageItIsAt)
{
    // Longer than the first pass, so the start hands over a part and the pump the rest.
    const std::string first = writeSong("first.mid", 70, 60), second = writeSong("second.mid", 5, 72);
    struct Stage { const char* name; std::function<void(PlayerHarness&)> reach; };
    for (const Stage& stage : {Stage{"just started", [](PlayerHarness&) {}},
                               Stage{"handed over", [](PlayerHarness& h) { h.pump(); }},
                               Stage{"playing", [](PlayerHarness& h) { h.pump(); h.play(1500); }},
                               Stage{"paused", [](PlayerHarness& h) { h.pump(); h.play(500); h.transport().cmdPause_Click(); }}}) {
        SCOPED_TRACE(stage.name);
        PlayerHarness h(false);
        h.player->chooseSong(QString::fromStdString(first), 0);
        h.transport().Start_Play();
        stage.reach(h);
        h.player->playSong(QString::fromStdString(second), 0);
        const size_t before = h.device.count();
        h.pump();
        h.play(2000);
        EXPECT_EQ(notesSent(h, before), (std::map<int, int>{{72, 9}})) << "only the new song, from its start";
        EXPECT_EQ(h.player->state().SendOffset, 0);
    }
}

TEST(Transport, ASongDroppedRightAfterASeekPlaysFromItsOwnStart)
{
    PlayerHarness h(false);
    h.start(writeSong("long.mid", 70, 60));
    h.play(1000);
    h.seek(50);
    // In the same turn of the event loop, before the pump has run again.
    EXPECT_TRUE(h.transport().Form_OLEDragDrop(QString::fromStdString(writeSong("dropped.mid", 5, 72))));
    EXPECT_EQ(h.player->state().SendOffset, 0) << "the old seek's percentage is not applied to the new song";
    EXPECT_EQ(h.player->state().SliderPercent, 0);
    EXPECT_EQ(h.slider, 0);
    const size_t before = h.device.count();
    h.pump();
    h.play(1000);
    const std::map<int, int> notes = notesSent(h, before);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes.begin()->first, 72);
    EXPECT_EQ(notes.begin()->second, 5) << "the notes of its first second, 0 to 1000 ms";
}

TEST(Transport, ASeekRightAfterTheStartIsKept)
{
    PlayerHarness h(false);
    h.player->chooseSong(QString::fromStdString(writeSong("long.mid", 70)), 0);
    h.transport().Start_Play();
    ASSERT_EQ(h.player->output().State(), 2) << "the first batch starts the output at once";
    h.seek(20);
    h.pump();
    const long seekIndex = h.queue().firstAtOrAfter(14000);
    EXPECT_EQ(h.player->state().SendOffset, h.queue()[seekIndex].Time) << "the seek's point, not the song's start";
    EXPECT_EQ(h.player->state().LastToSend, h.queue().MsgCount) << "the rest of the song follows";

    // The next note comes when it is due from the seek's point.
    const size_t before = h.device.count();
    h.play(400);
    const std::vector<SentMessage> after = h.sentFrom(before);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(uint8_t(after.front().bytes[0]) & 0xF0, 0x90);
}

TEST(Transport, BadSongsGiveTheirMessageAndTheNextGoodSongPlays)
{
    PlayerHarness h(false);
    const std::string dir = test::tempDir();
    test::writeFile(dir + "text.kar", "these are not the droids\n");
    test::writeFile(dir + "empty.mid", "");
    test::SmfWriter cut(1, 480);
    cut.track().note(0, 0, 60, 100).noteOff(480, 0, 60).end();
    test::writeFile(dir + "truncated.mid", cut.bytes().substr(0, 20));
    struct Case { std::string file; QString message; };
    for (const Case& c : {Case{dir + "missing.mid", kMsgNotFound}, Case{dir, kMsgNotFound},
                          Case{dir + "text.kar", kMsgCorrupted}, Case{dir + "empty.mid", kMsgCorrupted}}) {
        h.messages.clear();
        h.start(c.file);
        EXPECT_EQ(h.messages, QStringList{c.message}) << c.file;
        EXPECT_NE(h.player->output().State(), 2) << c.file;
    }
    h.messages.clear();
    h.start(dir + "truncated.mid"); // what is there plays, or is refused with one message
    EXPECT_LE(h.messages.size(), 1);

    h.messages.clear();
    h.start(writeSong("good.mid", 2));
    EXPECT_TRUE(h.messages.isEmpty());
    EXPECT_EQ(h.player->output().State(), 2);
}

TEST(Transport, DroppedFilesAndTheInformationButton)
{
    PlayerHarness h(true);
    const std::string song = writeSong("Dropped.KAR", 2);
    EXPECT_FALSE(h.transport().Form_OLEDragDrop("/tmp/notes.txt"));
    EXPECT_EQ(h.beeps, 1) << "a file that is not a song only beeps";
    h.player->chooseSong("/tmp/before.kar", 5);
    EXPECT_TRUE(h.transport().Form_OLEDragDrop(QString::fromStdString(song)));
    EXPECT_EQ(h.player->state().SongTranspose, 0);
    EXPECT_EQ(h.player->state().Transpose, 0);
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek");

    EXPECT_TRUE(h.transport().cmdInfo_Click()) << "the queue is built in one go: the information can be shown";
}

TEST(Transport, SoloAndMuteEndWithTheSongWithoutAnyMonitorWindow)
{
    // Two channels at volume 100; the harness plays every window role, none of them a monitor window.
    test::SmfWriter smf(1, 500);
    smf.track().tempo(0, 500000).end();
    for (int ch : {0, 1}) {
        test::SmfTrack& t = smf.track().control(0, ch, 7, 100);
        for (int i = 0; i < 20; ++i) t.note(i == 0 ? 0 : 50, ch, 60 + ch, 100).noteOff(200, ch, 60 + ch);
        t.end();
    }
    const std::string path = test::tempDir() + "two-channels.mid";
    ASSERT_TRUE(smf.save(path));

    PlayerHarness h(false);
    const auto lastVolumeOf2 = [&h](size_t from) {
        int v = -1;
        for (const SentMessage& m : h.sentFrom(from))
            if (uint8_t(m.bytes[0]) == 0xB1 && uint8_t(m.bytes[1]) == 7) v = uint8_t(m.bytes[2]);
        return v;
    };
    h.start(path);
    h.play(500);
    const int ownVolume = lastVolumeOf2(0); // the song's 100 under the master level
    ASSERT_GT(ownVolume, 0);
    Mixer& mixer = h.player->mixer();
    ASSERT_TRUE(mixer.cmdSolo_Click(0));
    EXPECT_EQ(h.player->channels().SoloChannel, 0);
    EXPECT_FALSE(h.player->channels().ChannelOn[1]);

    // The next song starts with every channel as the song has it.
    h.player->playSong(QString::fromStdString(path), 0);
    EXPECT_EQ(h.player->channels().SoloChannel, -1);
    EXPECT_FALSE(h.player->channels().ChannelUsed[1]) << "no channel has sounded in the new song yet";
    const size_t before = h.device.count();
    h.pump();
    h.play(500);
    EXPECT_TRUE(h.player->channels().ChannelOn[1]);
    EXPECT_EQ(lastVolumeOf2(before), ownVolume) << "channel 2 is heard at its own volume again";

    // Muted, then a new song: the mute ends with the song too.
    ASSERT_TRUE(mixer.cmdOn_Click(1));
    EXPECT_FALSE(h.player->channels().ChannelOn[1]);
    h.player->playSong(QString::fromStdString(path), 0);
    h.pump();
    h.play(500);
    EXPECT_TRUE(h.player->channels().ChannelOn[1]);
}

TEST(Transport, TheDisplayTimerLowersTheMetersUntilTheyRest)
{
    PlayerHarness h(false);
    h.start(writeSong("meters.mid", 4));
    h.play(100);
    ASSERT_EQ(h.player->channels().MeterLevel[0], 100);
    for (int expected : {68, 36, 4, 0, 0}) {
        h.player->tick(PlayerTimer::Display);
        EXPECT_EQ(h.player->channels().MeterLevel[0], expected);
    }
    EXPECT_TRUE(h.timer1()) << "the timer goes on while the song plays";
}

TEST(Transport, ASeekWhilePausedWaitsForPlayAndThenPlaysFromThere)
{
    PlayerHarness h(false);
    h.start(writeSong("paused-seek.mid", 20, 64));
    h.play(1000);
    h.transport().cmdPause_Click();
    h.seek(50);
    h.pump();
    const size_t before = h.device.count();
    h.play(2000);
    for (const SentMessage& m : h.sentFrom(before))
        EXPECT_NE(uint8_t(m.bytes[0]) & 0xF0, 0x90) << "nothing plays while paused, after the seek too";
    EXPECT_EQ(buttonsText(h.buttons), "Play Stop Seek");
    EXPECT_EQ(h.player->state().SliderPercent, 50);

    h.player->mixer().udTrans_Change(1); // a key change meanwhile keeps the seek's point
    h.transport().cmdPlay_Click();
    h.pump();
    const size_t resumed = h.device.count();
    h.play(600);
    EXPECT_EQ(buttonsText(h.buttons), "Pause Stop Seek");
    const long ms = long(std::lround(50 * double(h.player->song().SongLength) / 100.0));
    EXPECT_EQ(h.player->state().SendOffset, h.queue()[h.queue().firstAtOrAfter(ms)].Time) << "from the seek's point";
    int notes = 0;
    for (const SentMessage& m : h.sentFrom(resumed)) {
        if ((uint8_t(m.bytes[0]) & 0xF0) != 0x90 || uint8_t(m.bytes[2]) == 0) continue;
        ++notes;
        EXPECT_EQ(m.bytes[1], 65);
    }
    EXPECT_GE(notes, 2) << "and it plays";
}

// The built-in synthesizer records to the audio file: a take runs from a
// song's start to its end whatever the singer does in between, and no take
// goes over a file that is there.
TEST(Transport, ARecordingTakeHoldsTheWholeSongAndTheNextSongStartsAnother)
{
    const std::string dir = test::tempDir() + "/takes";
    std::filesystem::create_directories(dir);
    { std::ofstream(dir + "/take.wav") << "an older recording"; }
    PlayerHarness h;
    h.player->output().useTestDevice(nullptr);
    h.player->output().setAudioOutput(false);
    h.settings.AudioFile = dir + "/take.wav";
    h.player->applySynthSettings();
    h.player->openOutput();

    h.start(writeSong("take-a.mid", 4));
    h.play(1000);
    h.player->applySynthSettings(); // the options applied mid-song, the same file named
    h.seek(50);
    h.play(500);
    h.transport().cmdPause_Click();
    h.play(200);
    h.transport().cmdPause_Click();
    h.play(1800); // the rest of the song, which ends and stops
    ASSERT_NE(h.player->output().State(), 2) << "the song has ended";

    h.start(writeSong("take-b.mid", 4));
    h.play(400);
    h.start(writeSong("take-c.mid", 4)); // another song chosen while this one plays
    h.play(300);
    h.transport().cmdStop_Click();
    h.player->output().deliverPending();
    EXPECT_TRUE(h.messages.isEmpty()) << h.messages.join("\n").toStdString();

    std::ifstream older(dir + "/take.wav");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(older), {}), "an older recording");
    const test::Wav first = test::readWav(dir + "/take-2.wav"), second = test::readWav(dir + "/take-3.wav");
    ASSERT_TRUE(first.valid);
    ASSERT_TRUE(second.valid);
    const double firstMs = first.samples.size() / 2 / 44.1, secondMs = second.samples.size() / 2 / 44.1;
    // 1000 ms, 200 paused, and from the middle (1975 ms) to the end (3950 ms).
    EXPECT_NEAR(firstMs, 3175, 60);
    EXPECT_NEAR(secondMs, 400, 60);
    const test::Wav third = test::readWav(dir + "/take-4.wav");
    ASSERT_TRUE(third.valid) << "the song chosen over the other has a take of its own";
    EXPECT_NEAR(third.samples.size() / 2 / 44.1, 300, 60);
    EXPECT_FALSE(std::filesystem::exists(dir + "/take-5.wav"));
}

// With the voice asked for, what the microphone feeds the player's tap is in
// the take, on the frames played when it was sung.
TEST(Transport, ARecordingTakeHoldsTheVoiceWhereItWasSung)
{
    const std::string dir = test::tempDir() + "/voice-takes";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    PlayerHarness h;
    h.player->output().useTestDevice(nullptr);
    h.player->output().setAudioOutput(false);
    h.settings.AudioFile = dir + "/take.wav";
    h.settings.RecordVoice = true;
    h.player->applySynthSettings();
    h.player->openOutput();
    const auto tap = h.player->voiceTap();
    ASSERT_NE(tap, nullptr);

    h.start(writeSong("voice.mid", 2));
    const int64_t startUs = h.clock.nowUs();
    h.play(200);
    const std::vector<float> sung(4410, 0.25f); // 100 ms, sung from 500 ms on
    tap->push(startUs + 500'000, sung.data(), int(sung.size()), 44100);
    h.play(1000);
    h.transport().cmdStop_Click();
    h.player->output().deliverPending();

    const test::Wav take = test::readWav(dir + "/take.wav");
    ASSERT_TRUE(take.valid);
    // The piano's waves average out, the voice does not.
    const auto mean = [&](int fromMs, int toMs) { return test::meanLevel(take, 1, fromMs, toMs); };
    EXPECT_NEAR(mean(300, 480), 0.0, 0.03);
    EXPECT_NEAR(mean(510, 590), 0.25, 0.03) << "the voice is not where it was sung";
    EXPECT_NEAR(mean(620, 800), 0.0, 0.03);
}

TEST(Transport, ASongChosenWithTitleCardsWaitsBehindItsCardThenPlays)
{
    PlayerHarness h;
    h.settings.ScreenCardSeconds = 5;
    h.player->setTitleCards(true);
    const std::string song = writeSong("card.mid", 2);
    h.player->playSong(QString::fromStdString(song), 0, "Anna");
    ASSERT_TRUE(h.player->songWaiting());
    std::optional<TitleCard> card = h.player->titleCard();
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->credits.title, "card");
    EXPECT_EQ(card->singer, "Anna");
    EXPECT_NE(h.player->output().State(), 2);
    for (int i = 0; i < 48; ++i) h.clock.advance(100), h.player->tick(PlayerTimer::Card);
    EXPECT_TRUE(h.player->songWaiting()) << "4.8 s: still behind its card";
    for (int i = 0; i < 3; ++i) h.clock.advance(100), h.player->tick(PlayerTimer::Card);
    h.pump();
    EXPECT_FALSE(h.player->songWaiting());
    EXPECT_EQ(h.player->output().State(), 2) << "the song plays once its card's time is up";
    EXPECT_FALSE(h.player->titleCard().has_value()) << "no card while a song plays";
    h.play(3000);
    EXPECT_NE(h.player->output().State(), 2) << "it has ended";
    EXPECT_FALSE(h.player->titleCard().has_value()) << "nothing comes next: no card";

    // Stop drops the song waiting behind its card.
    h.player->playSong(QString::fromStdString(song), 0);
    ASSERT_TRUE(h.player->songWaiting());
    h.transport().cmdStop_Click();
    EXPECT_FALSE(h.player->songWaiting());
    for (int i = 0; i < 60; ++i) h.clock.advance(100), h.player->tick(PlayerTimer::Card);
    h.pump();
    EXPECT_NE(h.player->output().State(), 2) << "a stopped song does not start later";
    // Play starts it at once.
    h.player->playSong(QString::fromStdString(song), 0);
    h.transport().cmdPlay_Click();
    h.pump();
    EXPECT_FALSE(h.player->songWaiting());
    EXPECT_EQ(h.player->output().State(), 2);
}
