// The output pump: batches, start, tags, transposition and mixer scaling.
#include "Clock.h"
#include "ControllerTable.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "PlayerTimers.h"
#include "Settings.h"
#include "MIDIOutput.h"
#include "OutputQueue.h"
#include "SongState.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <functional>

using namespace lirmus;

namespace {

class RecordingView : public NullDisplays {
public:
    void setWarnColor(int c) override { lamp = c; }
    int lamp = -1;
};

/// The pump on a manual clock standing at 42 s and a test device, with a queue of 4000 entries.
struct Pump {
    SongState song;
    PlayerFlags flags;
    PlayerState player;
    Settings settings;
    LyricDisplayState lyric;
    ControllerTable mixer = defaultControllerTable();
    ManualClock clock{42'000'000};
    TestDevice device;
    MIDIOutput out{&clock};
    RecordingView view;
    PlayerTimers timers{player, clock, false};
    LyricCursor lyrics{lyric, song, player, settings, out, [this] { return timers.now(); }};
    OutputPump pump{song, flags, player, mixer, out, timers, lyrics, view.displays()};
    std::vector<long> reported;

    Pump()
    {
        timers.setHandler(PlayerTimer::Out, [this] { pump.TimerOut_Timer(); });
        out.useTestDevice(&device);
        out.MessageSent = [this](long tag) { reported.push_back(tag); };
        pump.OpenOutputDevice(0, false);
        song.queue.create(4000);
    }

    long add(long ms, int status, int d1 = 0, int d2 = 0) { return song.queue.add(ms, status, d1, d2); }

    /// Hands entries from..to over in one OutputQueue call.
    void hand(long from, long to, long offset = 0)
    {
        player.NextToSend = from;
        player.LastToSend = to;
        player.SendOffset = offset;
        pump.OutputQueue();
    }

    /// Hands the whole queue over, TimerOut tick by tick.
    void handAll()
    {
        player.TimerOutOn = true;
        hand(1, song.queue.MsgCount);
        for (int guard = 0; guard < 100 && player.TimerOutOn; ++guard) timers.tick(PlayerTimer::Out);
    }

    /// Plays what was handed over and returns what the device received.
    std::vector<std::string> play()
    {
        clock.advance(song.queue.lastTime() + 100);
        out.deliverPending();
        std::vector<std::string> bytes;
        for (const SentMessage& m : device.messages()) bytes.push_back(m.bytes);
        return bytes;
    }
};

std::string msg(int a, int b, int c = -1) { return c < 0 ? std::string{char(a), char(b)} : std::string{char(a), char(b), char(c)}; }
using Sent = std::vector<std::string>;

} // namespace

TEST(OutputQueue, FirstBatchIs1500AndPlayStartsOnceThreeSecondsAreQueued)
{
    Pump p;
    for (int i = 0; i < 2000; ++i) p.add(i * 10, 0x90, 60, 100);
    p.hand(1, p.song.queue.MsgCount);
    EXPECT_EQ(p.player.NextToSend, 1501);
    EXPECT_EQ(p.out.PendingCount(), 1501); // the empty lead-in message and 1500 entries
    EXPECT_EQ(p.out.State(), 2);           // 14990 ms queued: it plays
    EXPECT_TRUE(p.player.TimerOutOn);
    EXPECT_DOUBLE_EQ(p.lyric.NextLyricTime, 42.0) << "the first countdown is timed from the start";
    EXPECT_DOUBLE_EQ(p.player.PlayStartTime, 42.0);
    Pump dense; // 1500 entries a millisecond apart are not three seconds: no start yet
    for (int i = 0; i < 2000; ++i) dense.add(i, 0x90, 60, 100);
    dense.hand(1, 2000);
    EXPECT_EQ(dense.out.State(), 1);

    p.pump.TimerOut_Timer(); // playing now: batches of 500 finish the queue
    EXPECT_EQ(p.player.NextToSend, 2001);
    EXPECT_EQ(p.view.lamp, kLampHandedAll);
    EXPECT_FALSE(p.player.TimerOutOn);
}

TEST(OutputQueue, AShortSongStartsAtTheEndOfItsOnlyBatch)
{
    Pump p;
    p.add(0, 0xC0, 5);
    p.add(100, 0x90, 60, 100);
    p.add(900, 0x80, 60, 0);
    p.flags.QueueBuilding = true;
    p.hand(1, 3);
    EXPECT_EQ(p.out.State(), 2);
    EXPECT_EQ(p.view.lamp, kLampHandedBuilding); // preparation still runs
    EXPECT_TRUE(p.player.Timer1On) << "the display timer runs once the output plays";
    EXPECT_EQ(p.play(), (Sent{msg(0xC0, 5), msg(0x90, 60, 100), msg(0x80, 60, 0)}));
}

TEST(OutputQueue, TagsAndTrackedControllersScaledByTheirMaster)
{
    Pump p;
    p.mixer.CtrlMaster[1] = -50;                  // pan
    const long program = p.add(0, 0xC1, 3);
    const long noteOn = p.add(10, 0x91, 60, 90);
    p.add(20, 0x81, 60, 0);                       // note-off: no report
    const long volume = p.add(30, 0xB1, 7, 127);  // tracked
    const long pan = p.add(30, 0xB2, 10, 64);
    p.add(40, 0xB1, 64, 127);                     // sustain: untracked
    const long reverb = p.add(40, 0xB0, 91, 40);  // master 0: unchanged
    p.song.queue[p.add(45, 240)].Text = QString::fromLatin1("\xF0\x41\x10\xF7"); // sent whole, not reported
    const long meta = p.add(50, 255, 5, 0);
    p.add(60, 0xE1, 0, 64);                       // pitch bend
    const long last = p.add(70, 0x81, 61, 0);     // the last entry always reports
    p.handAll();
    EXPECT_EQ(p.play(), (Sent{msg(0xC1, 3), msg(0x91, 60, 90), msg(0x81, 60, 0), msg(0xB1, 7, 100),
                                 msg(0xB2, 10, 32), msg(0xB1, 64, 127), msg(0xB0, 91, 40), "\xF0\x41\x10\xF7", msg(0xE1, 0, 64),
                                 msg(0x81, 61, 0)}));
    EXPECT_EQ(p.reported, (std::vector<long>{program, noteOn, volume, pan, reverb, meta, last}));
    EXPECT_EQ(p.song.queue[volume].Extra, 127);   // the raw value last sent
}

TEST(OutputQueue, TranspositionSparesTheDrumChannelAndDropsNotesOutOfRange)
{
    Pump p;
    p.player.Transpose = 3;
    p.add(0, 0x90, 60, 100);
    p.add(0, 0x99, 36, 100);  // drums keep their key
    p.add(0, 0xA0, 60, 50);   // key pressure moves with its note
    p.add(0, 0xE0, 0, 80);    // a pitch bend's bytes are no key: they stay as they are
    p.add(0, 0xD0, 60);       // nor is channel pressure's
    const long high = p.add(10, 0x90, 126, 100);
    p.add(20, 0x80, 126, 0);
    p.add(30, 0x80, 60, 0);
    p.handAll();
    EXPECT_EQ(p.play(), (Sent{msg(0x90, 63, 100), msg(0x99, 36, 100), msg(0xA0, 63, 50), msg(0xE0, 0, 80),
                              msg(0xD0, 60), msg(0x80, 63, 0)}));
    // The note that fell out still reports, so the displays keep their place.
    EXPECT_NE(std::find(p.reported.begin(), p.reported.end(), high), p.reported.end());

    Pump down;
    down.player.Transpose = -12;
    down.add(0, 0x90, 5, 100);
    down.add(10, 0x80, 5, 0);
    down.add(20, 0x90, 40, 100);
    down.handAll();
    EXPECT_EQ(down.play(), (Sent{msg(0x90, 28, 100)}));
}

TEST(OutputQueue, TimesAreCountedFromTheStartPosition)
{
    Pump p;
    for (int i = 1; i <= 5; ++i) p.add(i * 1000, 0x90, 60 + i, 100);
    p.hand(3, 5, 3000);
    EXPECT_EQ(p.lyric.NextLyricTime, 0); // not a start from the beginning
    EXPECT_DOUBLE_EQ(p.player.PlayStartTime, 42.0 - 3.0);
    p.clock.advance(2000);
    const auto sent = p.device.messages();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].dueUs - sent[0].dueUs, 1'000'000);
    EXPECT_EQ(sent[0].bytes, msg(0x90, 63, 100));
}

TEST(OutputQueue, AStoppedSongHandsNothingMoreOver)
{
    Pump p;
    for (int i = 0; i < 100; ++i) p.add(i, 0x90, 60, 1);
    p.timers.arm(PlayerTimer::Out, true);
    p.flags.AbortRequested = true; // what a stop leaves
    p.timers.tick(PlayerTimer::Out);
    EXPECT_FALSE(p.player.TimerOutOn) << "a late tick after the stop disarms the pump";
    EXPECT_EQ(p.out.PendingCount(), 0);
    EXPECT_EQ(p.view.lamp, -1) << "and shows nothing";

    p.hand(1, 100);
    EXPECT_EQ(p.player.NextToSend, 1);
    EXPECT_FALSE(p.player.TimerOutOn);
    EXPECT_FALSE(p.player.OutputBusy);
    EXPECT_EQ(p.view.lamp, kLampHandedAll);
    EXPECT_NE(p.out.State(), 2);

    p.flags.AbortRequested = false;
    p.hand(1, 100);
    EXPECT_EQ(p.player.NextToSend, 101);
}

TEST(OutputQueue, PastTheEndStartsWhatIsQueuedUnlessPaused)
{
    Pump p;
    p.add(0, 0x90, 60, 1);
    p.player.Paused = true;
    p.hand(1, 1);
    p.pump.OutputQueue(); // past the end: still not started while paused
    EXPECT_NE(p.out.State(), 2);
    p.player.Paused = false;
    p.pump.OutputQueue();
    EXPECT_EQ(p.out.State(), 2);
    EXPECT_EQ(p.lyrics.caption(LyricCaption::Title), QString::fromUtf8("C'\u00e8 casino: 2"));
    EXPECT_FALSE(p.player.TimerOutOn);
}

TEST(OutputQueue, OpenOutputDeviceClosesFirstAndSkipsTheExternalPlayer)
{
    Pump p;
    EXPECT_EQ(p.out.State(), 1);
    EXPECT_EQ(p.out.DeviceID(), -1);
    p.pump.OpenOutputDevice(1, false);
    EXPECT_EQ(p.device.closes(), 1);
    EXPECT_EQ(p.device.opens(), 2);
    EXPECT_EQ(p.out.DeviceID(), 0);
    p.pump.OpenOutputDevice(0, true);
    EXPECT_EQ(p.out.State(), 0);
    EXPECT_EQ(p.out.DeviceID(), -1);
    p.pump.closeOnUnload(); // nothing open: nothing to do
    EXPECT_EQ(p.device.closes(), 2);
}
