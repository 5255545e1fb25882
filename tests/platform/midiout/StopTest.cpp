// Stop on the real scheduler thread: once Action 5 or 3 has returned, nothing
// of the old queue may reach the device, so a panic sent right after really
// is the last word.
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace lirmus;
using namespace lirmus::test;

namespace {

constexpr int kBurst = 200'000;
const std::string kMarker = bytes({0xBF, 0x79, 0x00}); // reset controllers, channel 16: never in the burst

// Queues a burst due at once, starts it, and returns once sending is under way.
void startBurst(MIDIOutput& out, TestDevice& device)
{
    for (int i = 0; i < kBurst; ++i) prepare(out, 0, 0x90 | (i % 15), i % 128, 100, i + 1);
    out.setAction(4);
    while (device.count() == 0) std::this_thread::yield();
}

// Messages recorded after the marker (the marker must be there).
long afterMarker(const TestDevice& device)
{
    const auto sent = device.messages();
    for (size_t i = 0; i < sent.size(); ++i)
        if (sent[i].bytes == kMarker) return long(sent.size() - i - 1);
    return -1;
}

} // namespace

TEST(MIDIOutputStop, NothingOfTheOldQueueFollowsThePanicAfterStopOrClear)
{
    for (int loop = 0; loop < 30; ++loop) {
        TestDevice device;
        MIDIOutput out; // the steady clock and the scheduler's own thread
        out.useTestDevice(&device);
        out.setAction(1);
        startBurst(out, device);
        const bool clearOnly = loop % 3 == 2; // Action 3 alone also ends the old queue
        out.setAction(clearOnly ? 3 : 5);
        out.setMsgStatus(0xBF), out.setMsgData1(0x79), out.setMsgData2(0), out.setAction(7);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const long late = afterMarker(device);
        EXPECT_EQ(late, 0) << "loop " << loop << ": " << late << " old messages after the panic"
                           << (clearOnly ? " (clear)" : " (stop)");
        EXPECT_LT(device.count(), size_t(kBurst) + 1) << "the burst was not cut short";
        out.setAction(2);
    }
}

TEST(MIDIOutputStop, PauseHoldsTheRestOfABurstAndResumeSendsItAll)
{
    TestDevice device;
    MIDIOutput out;
    out.useTestDevice(&device);
    out.setAction(1);
    startBurst(out, device);
    out.setAction(9);
    const size_t atPause = device.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(device.count(), atPause) << "sent while paused";
    EXPECT_EQ(size_t(out.PendingCount()) + atPause, size_t(kBurst));
    out.setAction(9);
    // Without a poster the owner collects the reports; a full ring would hold the scheduler.
    for (int wait = 0; device.count() < size_t(kBurst) && wait < 500; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)), out.deliverPending();
    EXPECT_EQ(device.count(), size_t(kBurst)) << "nothing of the burst is lost";
    out.setAction(2);
}
