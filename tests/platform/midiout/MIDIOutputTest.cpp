// The output component driven through its Actions on a manual clock.
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using namespace lirmus;
using lirmus::test::bytes;
using lirmus::test::ManualOutput;

TEST(MIDIOutputState, FollowsOpenPlayPauseStopClose)
{
    ManualOutput t;
    EXPECT_EQ(t.out.State(), 1);
    t.queue(0, 0x90, 60, 100);
    t.start();
    EXPECT_EQ(t.out.State(), 2);
    t.out.setAction(9);
    EXPECT_EQ(t.out.State(), 4);
    t.out.setAction(9);
    EXPECT_EQ(t.out.State(), 2);
    t.out.setAction(5);
    EXPECT_EQ(t.out.State(), 1);
    t.out.setAction(2);
    EXPECT_EQ(t.out.State(), 0);
    EXPECT_EQ(t.device.opens(), 1);
    EXPECT_EQ(t.device.closes(), 1);
    EXPECT_TRUE(t.errors.empty());
}

TEST(MIDIOutputState, StartWhileClosedIsAnErrorAndPlaysNothing)
{
    ManualOutput t;
    t.out.setAction(2);
    t.queue(0, 0x90, 60, 100, 1);
    t.start();
    t.advance(100);
    EXPECT_EQ(t.out.State(), 0);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].number, kErrorNotOpen);
    EXPECT_TRUE(t.tags.empty());
}

TEST(MIDIOutputState, PauseWhenIdleAndUnknownActions)
{
    ManualOutput t;
    t.out.setAction(9); // nothing plays: nothing to pause
    EXPECT_EQ(t.out.State(), 1);
    t.out.setAction(8);
    t.out.deliverPending();
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].number, kErrorBadAction);
}

TEST(MIDIOutputQueue, SendsEachMessageAtItsTimeAndReportsTags)
{
    ManualOutput t;
    t.queue(0, 0, 0, 0);            // the pump's empty lead-in message
    t.queue(0, 0xC0, 5, 0, 1);
    t.queue(100, 0x90, 60, 100, 2);
    t.queue(100, 0x90, 64, 100, 0); // chord note without a report
    t.queue(250, 0xFF, 5, 0, 3);    // a lyric meta entry: reported, never on the wire
    t.queue(400, 0x80, 60, 0, 4);
    t.start();
    t.advance(1000);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].bytes, bytes({0xC0, 5}));
    EXPECT_EQ(sent[1].bytes, bytes({0x90, 60, 100}));
    EXPECT_EQ(sent[2].bytes, bytes({0x90, 64, 100}));
    EXPECT_EQ(sent[3].bytes, bytes({0x80, 60, 0}));
    EXPECT_EQ(t.sentMs(), (std::vector<double>{0, 100, 100, 400}));
    EXPECT_EQ(t.tags, (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(t.out.PendingCount(), 0);
}

TEST(MIDIOutputQueue, EqualTimesKeepTheirOrderAndLateAdditionsAreSorted)
{
    ManualOutput t;
    t.queue(200, 0x90, 1, 1, 1);
    t.queue(100, 0x90, 2, 1, 2);
    t.queue(200, 0x90, 3, 1, 3);
    t.queue(100, 0x90, 4, 1, 4);
    t.start();
    t.advance(300);
    EXPECT_EQ(t.tags, (std::vector<long>{2, 4, 1, 3}));
}

TEST(MIDIOutputQueue, MessagesAddedWhilePlayingJoinTheSong)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100, 1);
    t.queue(100, 0x90, 61, 100, 2);
    t.start();
    t.advance(150);
    t.queue(300, 0x90, 62, 100, 3); // the next batch of the pump
    t.queue(120, 0x90, 63, 100, 4); // already due: goes out at once
    t.advance(0);
    t.advance(400);
    EXPECT_EQ(t.tags, (std::vector<long>{1, 2, 4, 3}));
    EXPECT_EQ(t.sentMs(), (std::vector<double>{0, 100, 150, 300}));
}

TEST(MIDIOutputQueue, QueueRunDryKeepsPlayingForTheNextBatch)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100, 1);
    t.start();
    t.advance(5000);
    EXPECT_EQ(t.out.State(), 2);
    t.queue(6000, 0x90, 61, 100, 2);
    t.advance(2000);
    EXPECT_EQ(t.sentMs().back(), 6000);
}

TEST(MIDIOutputQueue, StopThenClearEmptiesAndRestartsFromZero)
{
    ManualOutput t;
    for (int i = 0; i < 10; ++i)
        t.queue(i * 100, 0x90, 60 + i, 100, i + 1);
    t.start();
    t.advance(250);
    t.out.setAction(5);
    t.advance(1000);
    EXPECT_EQ(t.device.count(), 3u); // 0, 100, 200
    EXPECT_EQ(t.out.PendingCount(), 7);
    t.out.setAction(3);
    EXPECT_EQ(t.out.PendingCount(), 0);
    t.device.clear();
    t.queue(50, 0x90, 70, 100, 1);
    t.start();
    t.advance(100);
    EXPECT_EQ(t.sentMs(), (std::vector<double>{50}));
}

TEST(MIDIOutputQueue, PauseAndResumeKeepThePosition)
{
    ManualOutput t;
    for (int i = 0; i <= 10; ++i)
        t.queue(i * 100, 0x90, 60, 100, i + 1);
    t.start();
    t.advance(350);
    t.out.setAction(9);
    EXPECT_NEAR(t.out.PositionMs(), 350, 0.01);
    t.advance(5000);
    EXPECT_EQ(t.device.count(), 4u);
    t.out.setAction(9);
    t.advance(1000);
    const auto ms = t.sentMs();
    ASSERT_EQ(ms.size(), 11u);
    EXPECT_EQ(ms[3], 300);
    EXPECT_EQ(ms[4], 5400); // 50 ms after the resume, as it was 50 ms away at the pause
    EXPECT_EQ(ms[10], 6000);
    // Action 4 while paused resumes too (the player's Play button).
    t.out.setAction(9);
    t.out.setAction(4);
    EXPECT_EQ(t.out.State(), 2);
}

TEST(MIDIOutputTempo, FactorFollowsThePercentWithAFloor)
{
    EXPECT_DOUBLE_EQ(tempoFactor(0), 1.0);
    EXPECT_DOUBLE_EQ(tempoFactor(10), 0.9);
    EXPECT_DOUBLE_EQ(tempoFactor(-100), 2.0);
    EXPECT_DOUBLE_EQ(tempoFactor(-200), 3.0);
    EXPECT_DOUBLE_EQ(tempoFactor(75), 0.25);
    EXPECT_DOUBLE_EQ(tempoFactor(100), 0.25);
    EXPECT_DOUBLE_EQ(tempoFactor(500), 0.25);
}

TEST(MIDIOutputTempo, TempoSetBeforeStartScalesEveryTime)
{
    ManualOutput t;
    t.out.setTempoPercent(-100);
    t.queue(100, 0x90, 60, 100);
    t.queue(1000, 0x90, 60, 100);
    t.start();
    t.advance(3000);
    EXPECT_EQ(t.sentMs(), (std::vector<double>{200, 2000}));
}

TEST(MIDIOutputTempo, ChangeWhilePlayingKeepsThePositionWithoutABurst)
{
    ManualOutput t;
    for (int i = 0; i <= 10; ++i)
        t.queue(i * 100, 0x90, 60, 100);
    t.start();
    t.advance(450);
    t.out.setTempoPercent(50); // twice as fast from here on
    EXPECT_NEAR(t.out.PositionMs(), 450, 0.01);
    t.advance(0);
    EXPECT_EQ(t.device.count(), 5u); // nothing late went out at the change
    t.advance(100);
    EXPECT_NEAR(t.out.PositionMs(), 650, 0.01);
    t.out.setTempoPercent(-100); // now at half speed
    t.advance(2000);
    const auto ms = t.sentMs();
    ASSERT_EQ(ms.size(), 11u);
    EXPECT_EQ(ms[5], 475);  // 50 ms of song at 0.5
    EXPECT_EQ(ms[6], 525);
    EXPECT_EQ(ms[7], 650);  // 50 ms of song at 2 after the second change at 550
    EXPECT_EQ(ms[10], 1250);
}

TEST(MIDIOutputTempo, ChangeWhilePausedAppliesFromTheResume)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100);
    t.queue(1000, 0x90, 60, 100);
    t.start();
    t.advance(500);
    t.out.setAction(9);
    t.out.setTempoPercent(-100);
    t.advance(100);
    t.out.setAction(9);
    t.advance(2000);
    EXPECT_EQ(t.sentMs().back(), 1600); // 500 ms of song left, at half speed
}

TEST(MIDIOutputImmediate, SendsAtOnceWhileTheQueuePlays)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100);
    t.queue(200, 0x80, 60, 0);
    t.start();
    t.advance(120);
    t.out.setMsgStatus(0xB3);
    t.out.setMsgData1(7);
    t.out.setMsgData2(0);
    t.out.setMsgTag(9);
    t.out.setAction(7);
    t.advance(200);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].bytes, bytes({0xB3, 7, 0}));
    EXPECT_EQ(t.sentMs(), (std::vector<double>{0, 120, 200}));
    EXPECT_TRUE(t.tags.empty()) << "immediate messages are not reported";
}

TEST(MIDIOutputImmediate, SystemExclusiveIsSentWholeAndUsedOnce)
{
    ManualOutput t;
    const std::string sysex = bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    t.out.setMsgStatus(240);
    t.out.setMsgSysEx(sysex);
    t.out.setAction(7);
    t.out.setAction(7); // no new system exclusive prepared: nothing goes out
    t.out.setMsgSysEx(sysex);
    t.queue(10, 240, 0, 0, 1);
    t.queue(20, 240, 0, 0, 2);
    t.start();
    t.advance(50);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, sysex);
    EXPECT_EQ(sent[1].bytes, sysex);
    EXPECT_EQ(t.tags, (std::vector<long>{1, 2}));
    EXPECT_EQ(t.errors.size(), 1u); // the second Action 7 had no F0 .. F7 to send
}

TEST(MIDIOutputImmediate, BadMessagesAreRefusedNotSent)
{
    ManualOutput t;
    t.out.setMsgStatus(0x90);
    t.out.setMsgData1(130); // a note transposed out of range
    t.out.setMsgData2(100);
    t.out.setAction(7);
    t.out.deliverPending();
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].number, kErrorBadMessage);
    // Queued, the same message stays silent but is still reported for the displays.
    t.queue(0, 0x90, -3, 100, 5);
    t.start();
    t.advance(10);
    EXPECT_EQ(t.device.count(), 0u);
    EXPECT_EQ(t.tags, (std::vector<long>{5}));
}

TEST(MIDIOutputImmediate, NothingHappensWithoutAnOpenDevice)
{
    ManualOutput t;
    t.out.setAction(2);
    t.out.setMsgStatus(0xB0);
    t.out.setMsgData1(123);
    t.out.setAction(7);
    t.out.deliverPending();
    EXPECT_EQ(t.device.count(), 0u);
    EXPECT_TRUE(t.errors.empty());
}

TEST(MIDIOutputReports, StoppedSongReportsNothingMore)
{
    ManualOutput t;
    for (int i = 0; i < 5; ++i)
        t.queue(i * 10, 0x90, 60, 100, i + 1);
    t.start();
    t.clock.advance(25); // three sent, reports not delivered yet
    t.out.setAction(5);
    t.out.setAction(3);
    t.out.deliverPending();
    EXPECT_TRUE(t.tags.empty());
}

TEST(MIDIOutputReports, HandlerThatStopsTheSongEndsTheBatch)
{
    ManualOutput t;
    for (int i = 1; i <= 4; ++i)
        t.queue(0, 0x90, 60, 100, i);
    t.out.MessageSent = [&](long tag) {
        t.tags.push_back(tag);
        if (tag == 2) {
            t.out.setAction(5);
            t.out.setAction(3);
        }
    };
    t.start();
    t.advance(10);
    EXPECT_EQ(t.tags, (std::vector<long>{1, 2}));
}

TEST(MIDIOutputReports, ReachThePosterThreadInOrder)
{
    // A stand-in for the GUI thread: runs posted calls one by one.
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::function<void()>> calls;
    bool quit = false;
    std::thread gui([&] {
        std::unique_lock lock(m);
        while (!quit || !calls.empty()) {
            if (calls.empty()) {
                cv.wait(lock);
                continue;
            }
            auto f = std::move(calls.front());
            calls.pop_front();
            lock.unlock();
            f();
            lock.lock();
        }
    });
    const std::thread::id guiId = gui.get_id();
    std::vector<long> tags;
    std::atomic<int> delivered{0};
    std::thread::id handlerThread;
    {
        TestDevice device;
        MIDIOutput out; // the steady clock and the scheduler's own thread
        out.useTestDevice(&device);
        out.setPoster([&](std::function<void()> f) {
            std::lock_guard lock(m);
            calls.push_back(std::move(f));
            cv.notify_one();
        });
        out.MessageSent = [&](long tag) {
            tags.push_back(tag);
            handlerThread = std::this_thread::get_id();
            ++delivered;
        };
        out.setAction(1);
        for (int i = 1; i <= 300; ++i) {
            out.setMsgTime(i / 3); // chords of three
            out.setMsgStatus(0x90);
            out.setMsgData1(i % 128);
            out.setMsgData2(90);
            out.setMsgTag(i % 7 == 0 ? 0 : i);
            out.setAction(6);
        }
        out.setAction(4);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (delivered < 258 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        out.setAction(2);
    }
    {
        std::lock_guard lock(m);
        quit = true;
        cv.notify_one();
    }
    gui.join();
    std::vector<long> expected;
    for (int i = 1; i <= 300; ++i)
        if (i % 7 != 0)
            expected.push_back(i);
    EXPECT_EQ(tags, expected);
    EXPECT_EQ(handlerThread, guiId);
}

TEST(MIDIOutputReports, CallsPostedAfterTheComponentIsGoneDoNothing)
{
    std::vector<std::function<void()>> posted;
    int raised = 0;
    {
        ManualClock clock;
        TestDevice device;
        MIDIOutput out(&clock);
        out.useTestDevice(&device);
        out.setPoster([&](std::function<void()> f) { posted.push_back(std::move(f)); });
        out.MessageSent = [&](long) { ++raised; };
        out.setAction(1);
        out.setMsgTag(1);
        out.setMsgStatus(0x90);
        out.setMsgData1(60);
        out.setAction(6);
        out.setAction(4);
        clock.advance(1);
    }
    ASSERT_EQ(posted.size(), 1u);
    posted[0]();
    EXPECT_EQ(raised, 0);
}

TEST(MIDIOutputDevice, FailingDeviceIsReportedOnceAndTheSongGoesOn)
{
    ManualOutput t;
    t.device.failSends("port vanished");
    for (int i = 0; i < 5; ++i)
        t.queue(i * 10, 0x90, 60, 100, i + 1);
    t.start();
    t.advance(100);
    ASSERT_EQ(t.errors.size(), 1u);
    EXPECT_EQ(t.errors[0].number, kErrorSendFailed);
    EXPECT_NE(t.errors[0].message.find("port vanished"), std::string::npos);
    EXPECT_EQ(t.tags.size(), 5u);
}

TEST(MIDIOutputDevice, ListHoldsTheBuiltInSynthesizerQuietly)
{
    MIDIOutput out;
    testing::internal::CaptureStderr();
    const int count = out.DeviceCount();
    const std::string noise = testing::internal::GetCapturedStderr();
    EXPECT_EQ(noise, "");
    ASSERT_GE(count, 1);
    out.setDeviceID(-1);
    EXPECT_EQ(out.Technology(), 5);
    EXPECT_EQ(out.DriverVersion(), synthVersion());
    EXPECT_FALSE(out.DeviceName().empty());
    out.setDeviceID(0);
    EXPECT_EQ(out.Technology(), 2);
    EXPECT_NE(out.DeviceName().find("FluidSynth"), std::string::npos);
    for (int id = 1; id < count; ++id) {
        out.setDeviceID(id);
        EXPECT_EQ(out.Technology(), 1);
        EXPECT_EQ(out.DriverVersion(), rtMidiVersion());
    }
    out.setDeviceID(count);
    EXPECT_EQ(out.Technology(), 0);
    EXPECT_EQ(out.DeviceName(), "");
}

TEST(MIDIOutputDevice, OpeningAMissingDeviceSaysSoAndStaysClosed)
{
    MIDIOutput out;
    std::vector<int> numbers;
    out.onError = [&](int n, const std::string&) { numbers.push_back(n); };
    out.setDeviceID(out.DeviceCount() + 3);
    out.setAction(1);
    out.deliverPending();
    EXPECT_EQ(out.State(), 0);
    EXPECT_EQ(numbers, (std::vector<int>{kErrorBadDevice}));
}
