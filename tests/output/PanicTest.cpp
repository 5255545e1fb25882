// Panic and GS reset: exact bytes, sent at once, never reported.
#include "OutputTestSupport.h"
#include "Panic.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::bytes;
using lirmus::test::ManualOutput;

TEST(Panic, AllNotesOffThenAllSoundOffChannelByChannelAndTheGsReset)
{
    ManualOutput t;
    t.out.setMsgTag(7); // whatever was prepared before
    MidiPanic(t.out);
    SendGsReset(t.out);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 33u);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(sent[2 * ch].bytes, bytes({0xB0 + ch, 0x7B, 0x00}));
        EXPECT_EQ(sent[2 * ch + 1].bytes, bytes({0xB0 + ch, 0x78, 0x00}));
    }
    EXPECT_EQ(sent[32].bytes, bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    t.out.deliverPending();
    EXPECT_TRUE(t.tags.empty());
    EXPECT_TRUE(t.errors.empty());
}

TEST(Panic, AfterPauseNothingOfTheSongFollows)
{
    ManualOutput t;
    t.queue(0, 0x90, 60, 100, 1);
    t.queue(100, 0x90, 62, 100, 2);
    t.start();
    t.advance(50);
    t.out.setAction(9);
    MidiPanic(t.out);
    t.advance(500);
    const auto sent = t.device.messages();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent.back().bytes, bytes({0xBF, 0x78, 0x00}));
    for (const auto& m : sent)
        EXPECT_EQ(m.sentUs - t.startUs, m.bytes[0] == char(0x90) ? 0 : 50'000);
}
