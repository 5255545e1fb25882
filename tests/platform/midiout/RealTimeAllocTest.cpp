// The real-time threads of the output never allocate: every operator new in
// this program is counted when it runs on the scheduler's thread, the synth's
// render thread or the (timer) sound card's thread, while a song plays through
// the built-in synthesizer.
#include "OutputTestSupport.h"
#include "SmfWriter.h"
#include "SynthDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pthread.h>
#include <thread>

namespace {

std::atomic<bool> watching{false};
std::atomic<int> realTimeAllocations{0};

bool onRealTimeThread()
{
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return std::strcmp(name, "lirmus-midiout") == 0 || std::strcmp(name, "lirmus-synth") == 0 ||
           std::strcmp(name, "lirmus-card") == 0;
}

} // namespace

void* operator new(std::size_t n)
{
    if (watching.load(std::memory_order_relaxed) && onRealTimeThread())
        ++realTimeAllocations;
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete" // every new above is a malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using namespace lirmus;
using namespace lirmus::test;

namespace {

// Plays half a second of chords, controllers and system exclusives, longer
// than the inline three bytes, through the synthesizer set up by `setUp`.
int allocationsWhilePlaying(const std::function<void(MIDIOutput&)>& setUp)
{
    MIDIOutput out;
    setUp(out);
    out.setDeviceID(0);
    out.setAction(OutputAction::Open);
    EXPECT_EQ(out.stateCode(), OutputStateCode::Open);
    const std::string gsReset = bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    for (long ms = 0; ms < 500; ms += 5) {
        for (int ch = 0; ch < 4; ++ch) {
            EXPECT_FALSE(out.queueMessage(ms, bytes({0x90 | ch, int(40 + ms % 40), 90}), ms * 4 + ch + 1));
            EXPECT_FALSE(out.queueMessage(ms + 4, bytes({0x80 | ch, int(40 + ms % 40), 0}), 0));
        }
        EXPECT_FALSE(out.queueMessage(ms, bytes({0xB0, 7, int(ms % 128)}), 0));
        if (ms % 100 == 0) {
            EXPECT_FALSE(out.queueMessage(ms, std::string_view(gsReset), 0));
        }
    }
    // Every thread is up and named before we count.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    realTimeAllocations = 0;
    watching = true;
    EXPECT_FALSE(out.start());
    for (int i = 0; i < 60 && out.PendingCount() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        out.deliverPending();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the renderer's lag
    watching = false;
    EXPECT_EQ(out.PendingCount(), 0);
    EXPECT_FALSE(out.close());
    return realTimeAllocations.load();
}

} // namespace

TEST(RealTimeThreads, NothingAllocatesWhileTheSynthesizerPlays)
{
    // No card, nothing recorded: the render thread only keeps the synthesizer's state.
    EXPECT_EQ(allocationsWhilePlaying([](MIDIOutput& out) { out.setAudioOutput(false); }), 0) << "idle";
    // No card, recording: the render thread renders each message at its frame.
    const std::string wav = lirmus::test::tempDir() + "/rt-alloc.wav";
    EXPECT_EQ(allocationsWhilePlaying([&](MIDIOutput& out) {
                  out.setAudioOutput(false);
                  out.setAudioFile(wav);
              }),
              0)
        << "recording";
    // A card's callback, paced by a timer thread.
    EXPECT_EQ(allocationsWhilePlaying([&](MIDIOutput& out) {
                  out.setAudioOutput(true);
                  out.setAudioDriver(kTimerAudioDriver);
                  out.setAudioFile(wav);
              }),
              0)
        << "sound card";
}
