// The hand-over from our render thread to the sound card's callback.
#include "AudioRing.h"

#include <gtest/gtest.h>

using namespace lirmus;

TEST(AudioRing, KeepsFramesInOrderAcrossTheWrapAndPadsWithSilence)
{
    AudioRing ring(8);
    float l[8], r[8];
    float inL[6], inR[6];
    float next = 1;
    float expected = 1;
    for (int round = 0; round < 5; ++round) { // 5 × 6 frames through 8 slots
        for (int i = 0; i < 6; ++i)
            inL[i] = next, inR[i] = -next, ++next;
        ASSERT_TRUE(ring.push(inL, inR, 6));
        EXPECT_FALSE(ring.push(inL, inR, 3)) << "only 2 frames of room";
        EXPECT_EQ(ring.pop(l, r, 8), 6u);
        for (int i = 0; i < 6; ++i, ++expected) {
            EXPECT_EQ(l[i], expected);
            EXPECT_EQ(r[i], -expected);
        }
        EXPECT_EQ(l[6], 0.0f);
        EXPECT_EQ(r[7], 0.0f);
    }
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_EQ(ring.space(), 8u);
}
