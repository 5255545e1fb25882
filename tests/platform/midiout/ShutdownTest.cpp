// Shutting the output down while its scheduler thread sends a burst of tagged
// messages: nothing may be posted to a target that is gone, nor raised by an
// output that is gone.
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

using namespace lirmus;
using namespace lirmus::test;

namespace {

constexpr int kBurst = 20'000;

// Stands in for the GUI thread's event queue: what the poster posts to.
struct Target {
    std::mutex m;
    std::vector<std::function<void()>> calls;

    void runPosted()
    {
        std::vector<std::function<void()>> now;
        {
            std::lock_guard lock(m);
            now.swap(calls);
        }
        for (auto& call : now) call();
    }
};

struct Teardown {
    std::atomic<bool> gone{false};
    std::atomic<int> late{0}; // posts that came after the target went
    std::atomic<int> entered{0};
};

// A poster that lingers in each post, so a teardown is likely to meet one in flight.
MIDIOutput::Poster slowPoster(Target* target, Teardown& t)
{
    return [target, &t](std::function<void()> f) {
        ++t.entered;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (t.gone.load()) {
            ++t.late;
            return;
        }
        std::lock_guard lock(target->m);
        target->calls.push_back(std::move(f));
    };
}

// Starts a dense song (ten messages a ms) and runs the posted calls until some reports have come.
void burstUnderWay(MIDIOutput& out, Target& target, const long& reported)
{
    for (int i = 0; i < kBurst; ++i) prepare(out, i / 10, 0x90 | (i % 16), i % 128, 100, i + 1);
    out.setAction(OutputAction::Start);
    for (int wait = 0; reported < 50 && wait < 5000; ++wait) {
        target.runPosted();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ASSERT_GE(reported, 50) << "no reports came";
}

} // namespace

TEST(MIDIOutputShutdown, NoPostReachesATargetTornDownWhileReportsAreInFlight)
{
    for (int loop = 0; loop < 12; ++loop) {
        const bool viaStop = loop % 2 == 0; // stopReports(), or clearing the poster
        Teardown t;
        auto target = std::make_unique<Target>();
        TestDevice device;
        MIDIOutput out;
        out.useTestDevice(&device);
        out.setPoster(slowPoster(target.get(), t));
        long reported = 0;
        out.MessageSent = [&](long) { ++reported; };
        out.setAction(OutputAction::Open);
        burstUnderWay(out, *target, reported);
        // Answered: the next report of the song posts again, and the teardown meets that post.
        const int entered = t.entered.load();
        for (int wait = 0; t.entered.load() == entered && wait < 2000; ++wait) {
            target->runPosted();
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        ASSERT_GT(t.entered.load(), entered);
        if (viaStop)
            out.stopReports();
        else
            out.setPoster({});
        t.gone = true;
        target.reset();
        // The song goes on; its reports now wait for the owner to collect them.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(t.late.load(), 0) << "loop " << loop << (viaStop ? " (stopReports)" : " (setPoster)");
        const long before = reported;
        out.deliverPending();
        EXPECT_GT(reported, before) << "reports kept for deliverPending()";
        EXPECT_FALSE(out.stop());
    }
}

TEST(MIDIOutputShutdown, AnOutputDestroyedMidBurstRaisesNothingLater)
{
    for (int loop = 0; loop < 6; ++loop) {
        Teardown t;
        Target target;
        long reported = 0;
        long reportedAtDeath = -1;
        {
            TestDevice device;
            MIDIOutput out;
            out.useTestDevice(&device);
            out.setPoster(slowPoster(&target, t));
            out.MessageSent = [&](long) { ++reported; };
            out.onError = [&](int, const std::string&) { ++reported; };
            out.setAction(OutputAction::Open);
            burstUnderWay(out, target, reported);
            device.failSends("unplugged"); // an error on its way too
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            reportedAtDeath = reported;
        } // destroyed with the song still sending and posts in flight
        target.runPosted(); // calls posted before it went find it gone
        EXPECT_EQ(reported, reportedAtDeath) << "loop " << loop;
    }
}
