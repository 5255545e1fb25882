// The output component driven through its Actions on a manual clock.
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

using namespace lirmus;
using namespace lirmus::test;
using Tags = std::vector<long>;
using Ms = std::vector<double>;

TEST(MIDIOutput, ActionsMoveTheStateAndWhatCannotBeDoneIsAnError)
{
    ManualOutput t;
    t.out.setAction(9); // nothing plays: nothing to pause
    EXPECT_EQ(t.out.State(), 1);
    t.queue(0, 0x90, 60, 100);
    t.start();
    EXPECT_EQ(t.out.State(), 2);
    for (auto [action, state] : std::vector<std::pair<int, int>>{{9, 4}, {9, 2}, {9, 4}, {4, 2}, {5, 1}, {2, 0}}) {
        t.out.setAction(action);
        EXPECT_EQ(t.out.State(), state) << "after Action " << action;
    }
    EXPECT_EQ(t.device.opens(), 1);
    EXPECT_EQ(t.device.closes(), 1);
    EXPECT_TRUE(t.errors.empty());
    // Closed: a start plays nothing; it and an unknown Action are errors.
    t.queue(0, 0x90, 60, 100, 1);
    t.start();
    t.out.setAction(8);
    t.advance(100);
    EXPECT_EQ(t.out.State(), 0);
    EXPECT_EQ(t.errors, (std::vector<int>{kErrorNotOpen, kErrorBadAction}));
    EXPECT_TRUE(t.tags.empty());
}

TEST(MIDIOutput, QueuedMessagesGoOutAtTheirTimesInStableOrderWithTheirTags)
{
    ManualOutput t;
    t.queue(0, 0, 0, 0);            // the pump's empty lead-in message
    t.queue(100, 0x90, 60, 100, 2);
    t.queue(0, 0xC0, 5, 0, 1);      // added late: sorted in
    t.queue(250, 0xFF, 5, 0, 4);    // a lyric meta entry: reported, never on the wire
    t.queue(100, 0x90, 64, 100, 0); // equal times keep their order; tag 0 is not reported
    t.queue(100, 0x80, 60, 0, 3);
    t.start();
    t.advance(150);
    t.queue(400, 0x80, 64, 0, 6);   // the next batch of the pump
    t.queue(120, 0x90, 65, 100, 5); // already due: goes out at once
    t.advance(0);
    t.advance(1000);
    std::vector<std::string> sent;
    for (const SentMessage& m : t.device.messages()) sent.push_back(m.bytes);
    EXPECT_EQ(sent, (std::vector<std::string>{bytes({0xC0, 5}), bytes({0x90, 60, 100}), bytes({0x90, 64, 100}),
                                              bytes({0x80, 60, 0}), bytes({0x90, 65, 100}), bytes({0x80, 64, 0})}));
    EXPECT_EQ(t.sentMs(), (Ms{0, 100, 100, 100, 150, 400}));
    EXPECT_EQ(t.tags, (Tags{1, 2, 3, 5, 4, 6}));
    EXPECT_EQ(t.out.PendingCount(), 0);
    // A queue run dry keeps playing for the next batch.
    EXPECT_EQ(t.out.State(), 2);
    t.queue(6000, 0x90, 61, 100, 7);
    t.advance(5000);
    EXPECT_EQ(t.sentMs().back(), 6000);
}

TEST(MIDIOutput, StopDropsStaleReportsAndClearRestartsFromZero)
{
    ManualOutput t;
    for (int i = 0; i < 10; ++i) t.queue(i * 100, 0x90, 60 + i, 100, i + 1);
    t.start();
    t.clock.advance(250); // three sent, reports not delivered yet
    t.out.setAction(5);
    t.advance(1000);
    EXPECT_TRUE(t.tags.empty()) << "reports of a stopped song reach nobody";
    EXPECT_EQ(t.device.count(), 3u);
    EXPECT_EQ(t.out.PendingCount(), 7);
    t.out.setAction(3);
    EXPECT_EQ(t.out.PendingCount(), 0);
    t.device.clear();
    t.queue(50, 0x90, 70, 100, 1);
    t.start();
    t.advance(100);
    EXPECT_EQ(t.sentMs(), (Ms{50}));
    EXPECT_EQ(t.tags, (Tags{1}));
}

TEST(MIDIOutput, PauseAndResumeKeepThePositionAndTakeATempoChangedMeanwhile)
{
    ManualOutput t;
    for (int i = 0; i <= 10; ++i) t.queue(i * 100, 0x90, 60, 100, i + 1);
    t.start();
    t.advance(350);
    t.out.setAction(9);
    EXPECT_NEAR(t.out.PositionMs(), 350, 0.01);
    t.out.setTempoPercent(-100); // half speed from the resume on
    t.advance(5000);
    EXPECT_EQ(t.device.count(), 4u);
    t.out.setAction(9);
    t.advance(2000);
    const auto ms = t.sentMs();
    ASSERT_EQ(ms.size(), 11u);
    EXPECT_EQ(ms[3], 300);
    EXPECT_EQ(ms[4], 5450); // 50 ms of song after the resume, at half speed
    EXPECT_EQ(ms[10], 6650);
}

TEST(MIDIOutput, TempoScalesTimesAndAChangeWhilePlayingKeepsThePosition)
{
    EXPECT_DOUBLE_EQ(tempoFactor(75), 0.25); // never faster than four times
    EXPECT_DOUBLE_EQ(tempoFactor(500), 0.25);
    ManualOutput before;
    before.out.setTempoPercent(-100);
    before.queue(100, 0x90, 60, 100);
    before.queue(1000, 0x90, 60, 100);
    before.start();
    before.advance(3000);
    EXPECT_EQ(before.sentMs(), (Ms{200, 2000}));

    ManualOutput t;
    for (int i = 0; i <= 10; ++i) t.queue(i * 100, 0x90, 60, 100);
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
    EXPECT_EQ(ms[5], 475); // 50 ms of song at 0.5
    EXPECT_EQ(ms[6], 525);
    EXPECT_EQ(ms[7], 650); // 50 ms of song at 2 after the second change at 550
    EXPECT_EQ(ms[10], 1250);
}

TEST(MIDIOutput, Action7SendsAtOnceUnreportedDuringPlay)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100);
    t.queue(200, 0x80, 60, 0);
    t.start();
    t.advance(120);
    prepare(t.out, 0, 0xB3, 7, 0, 9, 7);
    t.advance(200);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].bytes, bytes({0xB3, 7, 0}));
    EXPECT_EQ(t.sentMs(), (Ms{0, 120, 200}));
    EXPECT_TRUE(t.tags.empty()) << "immediate messages are not reported";
    EXPECT_TRUE(t.errors.empty());
}

TEST(MIDIOutput, SystemExclusiveIsUsedOnceAndBadMessagesStaySilent)
{
    ManualOutput t;
    const std::string sysex = bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    t.out.setMsgSysEx(sysex);
    prepare(t.out, 0, 240, 0, 0, 0, 7);
    t.out.setAction(7);                      // no new system exclusive prepared: refused
    prepare(t.out, 0, 0x90, 130, 100, 0, 7); // a note transposed out of range: refused
    t.out.setMsgSysEx(sysex);
    t.queue(10, 240, 0, 0, 1);
    t.queue(20, 240, 0, 0, 2);
    t.queue(30, 0x90, -3, 100, 3); // queued, it stays silent but still reports for the displays
    t.start();
    t.advance(50);
    t.out.setAction(2);
    prepare(t.out, 0, 0xB0, 123, 0, 0, 7); // no device open: nowhere to send, nothing to say
    t.out.deliverPending();
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, sysex);
    EXPECT_EQ(sent[1].bytes, sysex);
    EXPECT_EQ(t.tags, (Tags{1, 2, 3}));
    EXPECT_EQ(t.errors, (std::vector<int>{kErrorBadMessage, kErrorBadMessage}));
}

TEST(MIDIOutput, HandlerThatStopsTheSongEndsTheBatch)
{
    ManualOutput t;
    for (int i = 1; i <= 4; ++i) t.queue(0, 0x90, 60, 100, i);
    t.out.MessageSent = [&](long tag) {
        t.tags.push_back(tag);
        if (tag == 2) t.out.setAction(5), t.out.setAction(3);
    };
    t.start();
    t.advance(10);
    EXPECT_EQ(t.tags, (Tags{1, 2}));
}

TEST(MIDIOutput, ReportsReachThePosterThreadInOrder)
{
    std::mutex m;
    std::vector<std::function<void()>> posted;
    Tags tags, expected;
    std::thread::id handlerThread;
    TestDevice device;
    MIDIOutput out; // the steady clock and the scheduler's own thread
    out.useTestDevice(&device);
    out.setPoster([&](std::function<void()> f) {
        std::lock_guard lock(m);
        posted.push_back(std::move(f));
    });
    out.MessageSent = [&](long tag) { tags.push_back(tag), handlerThread = std::this_thread::get_id(); };
    out.setAction(1);
    for (int i = 1; i <= 300; ++i) {
        prepare(out, i / 3, 0x90, i % 128, 90, i % 7 == 0 ? 0 : i); // chords of three
        if (i % 7 != 0) expected.push_back(i);
    }
    out.setAction(4);
    // This thread stands in for the GUI thread: it runs the posted calls as they come.
    for (int wait = 0; tags.size() < expected.size() && wait < 2000; ++wait) {
        std::vector<std::function<void()>> calls;
        {
            std::lock_guard lock(m);
            calls.swap(posted);
        }
        for (auto& call : calls) call();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    out.setAction(2);
    EXPECT_EQ(tags, expected);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(MIDIOutput, CallsPostedAfterTheComponentIsGoneDoNothing)
{
    std::vector<std::function<void()>> posted;
    int raised = 0;
    auto t = std::make_unique<ManualOutput>();
    t->out.setPoster([&](std::function<void()> f) { posted.push_back(std::move(f)); });
    t->out.MessageSent = [&](long) { ++raised; };
    t->queue(0, 0x90, 60, 100, 1);
    t->start();
    t->clock.advance(1);
    t.reset();
    ASSERT_EQ(posted.size(), 1u);
    posted[0]();
    EXPECT_EQ(raised, 0);
}

TEST(MIDIOutput, FailingDeviceIsReportedOnceAndTheSongGoesOn)
{
    ManualOutput t;
    t.device.failSends("port vanished");
    for (int i = 0; i < 5; ++i) t.queue(i * 10, 0x90, 60, 100, i + 1);
    t.start();
    t.advance(100);
    EXPECT_EQ(t.errors, (std::vector<int>{kErrorSendFailed}));
    EXPECT_NE(t.texts[0].find("port vanished"), std::string::npos);
    EXPECT_EQ(t.tags.size(), 5u);
}

TEST(MIDIOutput, ErrorsOfTypedCallsAreToldAndARefusingDeviceOnlyOnce)
{
    ManualOutput t;
    t.out.tell(OutputError{});
    EXPECT_TRUE(t.errors.empty()) << "no error, nothing said";
    t.device.failSends("port vanished");
    for (int i = 0; i < 3; ++i) t.out.tell(t.out.sendNow(std::string_view("\xB0\x07\x40", 3)));
    t.advance(0); // errors reach the owner's thread as events do
    EXPECT_EQ(t.errors, (std::vector<int>{kErrorSendFailed})) << "a device that refuses is said once";
    t.out.tell(t.out.sendNow(std::string_view("\xB0\x87\x40", 3)));
    t.advance(0);
    EXPECT_EQ(t.errors, (std::vector<int>{kErrorSendFailed, kErrorBadMessage})) << "other errors are said each time";
    // Opened again, a refusal is news again.
    t.device.failSends("");
    ASSERT_FALSE(t.out.close());
    ASSERT_FALSE(t.out.open(t.out.DeviceID()));
    t.device.failSends("port vanished again");
    t.out.tell(t.out.sendNow(std::string_view("\xB0\x07\x40", 3)));
    t.advance(0);
    EXPECT_EQ(t.errors.size(), 3u);
}

TEST(MIDIOutput, DeviceListHoldsTheBuiltInSynthesizerQuietlyAndAMissingOneIsSaid)
{
    MIDIOutput out;
    testing::internal::CaptureStderr();
    const int count = out.DeviceCount();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_GE(count, 1);
    // Kind and library of each device: -1 the mapper, 0 the built-in synthesizer, then the ports, then none.
    for (int id = -1; id <= count; ++id) {
        out.setDeviceID(id);
        EXPECT_EQ(out.Technology(), id < 0 ? 5 : id == 0 ? 2 : id < count ? 1 : 0) << id;
        if (id < count) {
            EXPECT_EQ(out.DriverVersion(), id <= 0 ? synthVersion() : rtMidiVersion()) << id;
        }
        EXPECT_EQ(out.DeviceName().empty(), id == count) << id;
    }
    out.setDeviceID(0);
    EXPECT_NE(out.DeviceName().find("FluidSynth"), std::string::npos);
    out.setDeviceID(count);
    std::vector<int> numbers;
    out.onError = [&](int n, const std::string&) { numbers.push_back(n); };
    out.setAction(1);
    out.deliverPending();
    EXPECT_EQ(out.State(), 0);
    EXPECT_EQ(numbers, (std::vector<int>{kErrorBadDevice}));
}
