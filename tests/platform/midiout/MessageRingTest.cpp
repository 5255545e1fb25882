// The ring between the sender and the synthesizer's renderer: order, long
// messages beside short ones, messages kept for a later block, and a full ring.
#include "MessageRing.h"
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace lirmus;
using namespace lirmus::test;

namespace {

std::vector<std::pair<std::string, int64_t>> popAllBefore(MessageRing& ring, int64_t end)
{
    std::vector<std::pair<std::string, int64_t>> out;
    std::string_view m;
    for (int64_t f; ring.popBefore(end, m, f);) out.emplace_back(std::string(m), f);
    return out;
}

} // namespace

TEST(MessageRing, KeepsOrderAndBytesAndHoldsWhatIsNotDueYet)
{
    MessageRing ring(8, 64);
    const std::string sysex = bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7});
    ASSERT_TRUE(ring.push(bytes({0x90, 60, 100}), 10));
    ASSERT_TRUE(ring.push(sysex, 20));
    ASSERT_TRUE(ring.push(bytes({0xC0, 5}), 30));
    ASSERT_TRUE(ring.push(bytes({0x80, 60, 0}), 40));
    using Got = std::vector<std::pair<std::string, int64_t>>;
    EXPECT_EQ(popAllBefore(ring, 10), Got{}) << "a message at the block's end waits for the next";
    EXPECT_EQ(popAllBefore(ring, 21), (Got{{bytes({0x90, 60, 100}), 10}, {sysex, 20}}));
    ASSERT_TRUE(ring.push(sysex, 50)); // while one is held
    EXPECT_EQ(popAllBefore(ring, INT64_MAX),
              (Got{{bytes({0xC0, 5}), 30}, {bytes({0x80, 60, 0}), 40}, {sysex, 50}}));
}

TEST(MessageRing, AFullRingRefusesWholeMessagesAndTakesThemAgainOnceEmptied)
{
    MessageRing ring(4, 16);
    const std::string longOne = bytes({0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xF7}); // 11 of the 16 bytes
    EXPECT_TRUE(ring.fits(16));
    EXPECT_FALSE(ring.fits(17)) << "longer than the byte ring: never";
    EXPECT_TRUE(ring.push(longOne, 1));
    EXPECT_FALSE(ring.push(longOne, 2)) << "no room for its bytes";
    EXPECT_TRUE(ring.push(bytes({0x90, 1, 1}), 3)); // short ones still go inline
    EXPECT_TRUE(ring.push(bytes({0x90, 2, 1}), 4));
    EXPECT_TRUE(ring.push(bytes({0x90, 3, 1}), 5));
    EXPECT_FALSE(ring.push(bytes({0x80, 3, 0}), 6)) << "no slot left";
    std::string_view m;
    int64_t f = 0;
    ASSERT_TRUE(ring.popBefore(INT64_MAX, m, f));
    EXPECT_EQ(std::string(m), longOne);
    EXPECT_TRUE(ring.push(longOne, 7)) << "its bytes are free again";
    const auto rest = popAllBefore(ring, INT64_MAX);
    ASSERT_EQ(rest.size(), 4u);
    EXPECT_EQ(rest.back(), std::make_pair(longOne, int64_t(7)));
}

TEST(MessageRing, AFullRingIsWaitedForUntilTheConsumerHasStalledAndAgainOnceItIsBack)
{
    MessageRing ring(2, 16);
    const std::string off = bytes({0x80, 60, 0});
    ASSERT_TRUE(ring.push(off, 1));
    ASSERT_TRUE(ring.push(off, 2));
    std::string_view m;
    int64_t f = 0;
    int nudges = 0;
    // A consumer that takes one when nudged: the message waits for it.
    EXPECT_TRUE(ring.pushWaiting(off, 3, 50, [&] { ++nudges, ring.popBefore(INT64_MAX, m, f); }));
    EXPECT_EQ(nudges, 1);
    // One that takes nothing: given up after the wait, and from then on at once.
    nudges = 0;
    EXPECT_FALSE(ring.pushWaiting(off, 4, 3, [&] { ++nudges; }));
    EXPECT_EQ(nudges, 3);
    nudges = 0;
    EXPECT_FALSE(ring.pushWaiting(off, 5, 3, [&] { ++nudges; }));
    EXPECT_EQ(nudges, 0) << "a stalled consumer is not waited for again";
    // Back: it takes one, a message goes in, and a full ring is waited for again.
    ASSERT_TRUE(ring.popBefore(INT64_MAX, m, f));
    EXPECT_TRUE(ring.pushWaiting(off, 6, 3, [&] { ++nudges; }));
    EXPECT_TRUE(ring.pushWaiting(off, 7, 50, [&] { ++nudges, ring.popBefore(INT64_MAX, m, f); }));
    EXPECT_EQ(nudges, 1);
    std::vector<int64_t> frames;
    for (int64_t g; ring.popBefore(INT64_MAX, m, g);) frames.push_back(g);
    EXPECT_EQ(frames, (std::vector<int64_t>{6, 7})) << "every message that went in, in order";
}

TEST(MessageRing, ThreadsHandOverEveryMessageInOrder)
{
    MessageRing ring(64, 256);
    constexpr int kCount = 100'000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i) {
            const std::string b = i % 50 == 0 ? bytes({0xF0, i % 128, (i / 128) % 128, 0xF7})
                                              : bytes({0x90, i % 128, (i / 128) % 128});
            while (!ring.push(b, i)) std::this_thread::yield();
        }
    });
    int next = 0;
    std::string_view m;
    for (int64_t f; next < kCount;) {
        if (!ring.popBefore(INT64_MAX, m, f)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(f, next);
        ASSERT_EQ(m.size(), next % 50 == 0 ? 4u : 3u);
        ASSERT_EQ(static_cast<unsigned char>(m[1]), next % 128);
        ++next;
    }
    producer.join();
}
