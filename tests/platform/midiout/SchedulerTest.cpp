// The typed calls under the Actions, and the report ring between the
// scheduler and the owner's thread.
#include "OutputTestSupport.h"
#include "MidiMessage.h"
#include "Scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace lirmus;
using namespace lirmus::test;
using Tags = std::vector<long>;

TEST(MIDIOutputTyped, CallsReturnTheirErrorsAndRefuseWhatIsNotOneMessage)
{
    ManualOutput t;
    EXPECT_FALSE(t.out.queueMessage(0, MidiBytes(bytes({0x90, 60, 100})), 1));
    EXPECT_FALSE(t.out.queueMessage(5, MidiBytes(), 2)); // silent, reported
    EXPECT_FALSE(t.out.queueMessage(10, MidiBytes(bytes({0xF0, 0x41, 0x10, 0x42, 0xF7})), 3));
    const std::string sysex = bytes({0xF0, 0x41, 0x10, 0x43, 0xF7});
    EXPECT_FALSE(t.out.queueMessage(12, std::string_view(sysex), 4)); // bytes at hand, copied
    EXPECT_FALSE(t.out.queueMessage(11, std::string_view("\x80\x3c\x00", 3), 0));
    for (const std::string& bad : {bytes({0x90, 60}), bytes({0x90, 200, 1}), bytes({0xC0, 1, 2}),
                                    bytes({60, 1}), bytes({0xF0, 0x41})}) {
        EXPECT_EQ(t.out.queueMessage(0, MidiBytes(bad), 9).number, kErrorBadMessage) << hexBytes(bad);
        EXPECT_EQ(t.out.queueMessage(0, std::string_view(bad), 9).number, kErrorBadMessage) << hexBytes(bad);
    }
    EXPECT_EQ(t.out.PendingCount(), 5);
    EXPECT_EQ(t.out.sendNow(MidiBytes(bytes({0xB0, 7}))).number, kErrorBadMessage);
    EXPECT_FALSE(t.out.sendNow(MidiBytes(bytes({0xB0, 7, 64}))));
    EXPECT_FALSE(t.out.sendNow(std::string_view("\xC0\x05", 2)));
    EXPECT_FALSE(t.out.start());
    t.advance(20);
    EXPECT_EQ(t.tags, (Tags{1, 2, 3, 4}));
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[4].bytes, bytes({0x80, 60, 0})) << "queued from a view, in time order";
    EXPECT_EQ(sent[5].bytes, sysex);
    EXPECT_FALSE(t.out.close());
    EXPECT_EQ(t.out.start().number, kErrorNotOpen);
    t.out.useTestDevice(nullptr);
    EXPECT_EQ(t.out.open(10'000).number, kErrorBadDevice);
    EXPECT_TRUE(t.errors.empty()) << "typed calls say nothing through the event";
}

TEST(MIDIOutputTyped, ActionAndStateCodesKeepTheirNumbers)
{
    ManualOutput t;
    EXPECT_EQ(t.out.stateCode(), OutputStateCode::Open);
    t.queue(0, 0x90, 60, 100, 1);
    t.queue(50, 0x80, 60, 0, 2);
    t.out.setAction(OutputAction::Start);
    EXPECT_EQ(t.out.State(), 2);
    EXPECT_EQ(t.out.stateCode(), OutputStateCode::Playing);
    t.advance(10);
    t.out.setAction(9); // the integer face: pause
    EXPECT_EQ(t.out.State(), 4);
    EXPECT_EQ(t.out.stateCode(), OutputStateCode::Paused);
    t.advance(100);
    EXPECT_EQ(t.tags, (Tags{1}));
    t.out.setAction(OutputAction::PauseResume);
    t.advance(100);
    EXPECT_EQ(t.tags, (Tags{1, 2}));
    t.out.setAction(5);
    EXPECT_EQ(t.out.stateCode(), OutputStateCode::Open);
    for (int unknown : {0, 8, 10, -1}) t.out.setAction(unknown);
    t.out.deliverPending();
    EXPECT_EQ(t.errors, std::vector<int>(4, kErrorBadAction));
    t.out.setAction(OutputAction::Close);
    EXPECT_EQ(t.out.State(), 0);
    EXPECT_EQ(t.out.stateCode(), OutputStateCode::Closed);
    t.out.setAction(OutputAction::Start);
    t.out.deliverPending();
    EXPECT_EQ(t.errors.back(), kErrorNotOpen) << "the Action face raises what the typed call returns";
}

TEST(MIDIOutputTyped, ABurstOfReportsWakesTheOwnerOnce)
{
    ManualOutput t;
    int posts = 0;
    std::vector<std::function<void()>> posted;
    t.out.setPoster([&](std::function<void()> f) { ++posts, posted.push_back(std::move(f)); });
    for (int i = 1; i <= 100; ++i) t.queue(i / 50, 0x90, 60, 100, i);
    t.start();
    t.clock.advance(10);
    EXPECT_EQ(posts, 1);
    posted[0]();
    EXPECT_EQ(t.tags.size(), 100u);
    t.queue(20, 0x90, 60, 100, 101);
    t.clock.advance(20);
    EXPECT_EQ(posts, 2) << "after the owner looked, the next report wakes it again";
}

TEST(Scheduler, AFullReportRingMakesTheSchedulerWaitAndLosesNoTag)
{
    std::atomic<int> wakes{0};
    Scheduler s(SteadyClock::instance(), [](std::string_view, int64_t) {}, [&] { ++wakes; }, 8);
    for (long i = 1; i <= 200; ++i) s.add({0, MidiBytes(bytes({0x90, 60, 1})), i});
    s.start();
    Tags got;
    for (int idle = 0; got.size() < 200 && idle < 2000; ++idle) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        for (SentReport r; s.takeReport(r);) got.push_back(r.tag), idle = 0;
    }
    ASSERT_EQ(got.size(), 200u);
    for (long i = 0; i < 200; ++i) ASSERT_EQ(got[size_t(i)], i + 1);
    EXPECT_GT(wakes.load(), 0);
}

TEST(Scheduler, OnTheManualClockTheRingGrowsInstead)
{
    ManualClock clock;
    Scheduler s(clock, [](std::string_view, int64_t) {}, [] {}, 4);
    for (long i = 1; i <= 50; ++i) s.add({long(i), MidiBytes(), i});
    s.start();
    clock.advance(100);
    Tags got;
    for (SentReport r; s.takeReport(r);) got.push_back(r.tag);
    ASSERT_EQ(got.size(), 50u);
    EXPECT_EQ(got.back(), 50);
}

TEST(MIDIOutputTyped, AClearWithoutAStopAndASecondPauseKeepTheirWord)
{
    // Clear while playing: nothing queued before it is sent, and the output plays what comes next.
    ManualOutput t;
    for (int i = 0; i < 5; ++i) t.queue(i * 100, 0x90, 60 + i, 100, i + 1);
    t.start();
    t.advance(150);
    ASSERT_EQ(t.tags, (Tags{1, 2}));
    ASSERT_FALSE(t.out.clear());
    t.advance(1000);
    EXPECT_EQ(t.tags, (Tags{1, 2})) << "the cleared messages never play";
    EXPECT_EQ(t.device.count(), 2u);

    // Paused twice: still paused, not resumed; one resume plays the rest.
    ManualOutput p;
    for (int i = 0; i < 5; ++i) p.queue(i * 100, 0x90, 60 + i, 100, i + 1);
    p.start();
    p.advance(150);
    ASSERT_FALSE(p.out.pause());
    ASSERT_FALSE(p.out.pause());
    EXPECT_EQ(p.out.stateCode(), OutputStateCode::Paused);
    p.advance(1000);
    EXPECT_EQ(p.tags, (Tags{1, 2}));
    ASSERT_FALSE(p.out.resume());
    p.advance(1000);
    EXPECT_EQ(p.tags, (Tags{1, 2, 3, 4, 5}));
}

TEST(Scheduler, AStartWhilePausedCarriesOnFromWhereItStood)
{
    ManualClock clock;
    Tags sent;
    Scheduler s(clock, [](std::string_view, int64_t) {}, [] {}, 8);
    for (long i = 1; i <= 3; ++i) s.add({(i - 1) * 100, MidiBytes(), i});
    s.start();
    clock.advance(150);
    s.pause();
    clock.advance(1000);
    s.start();
    EXPECT_DOUBLE_EQ(s.positionMs(), 150);
    clock.advance(60);
    for (SentReport r; s.takeReport(r);) sent.push_back(r.tag);
    EXPECT_EQ(sent, (Tags{1, 2, 3}));
}
