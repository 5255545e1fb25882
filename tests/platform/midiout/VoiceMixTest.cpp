// Mixing the singer's voice into a take by position, whichever stream comes first.
#include "VoiceMix.h"
#include "VoiceTap.h"

#include <gtest/gtest.h>

#include <vector>

using namespace lirmus;

namespace {

std::vector<float> ramp(int n, float from, float step)
{
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[size_t(i)] = from + step * float(i);
    return v;
}

struct Out {
    std::vector<float> l, r;
    void take(VoiceMix& m, bool finishing, int64_t end = INT64_MAX)
    {
        std::vector<float> a, b;
        m.take(a, b, finishing, end);
        l.insert(l.end(), a.begin(), a.end());
        r.insert(r.end(), b.begin(), b.end());
    }
};

} // namespace

TEST(VoiceMix, TheVoiceLandsOnItsOwnFramesWhicheverArrivesFirst)
{
    const std::vector<float> left = ramp(100, 0.0f, 0.001f), right(100, 0.5f);
    const std::vector<float> voice(10, 0.25f);
    for (bool voiceFirst : {false, true}) {
        VoiceMix m(1000);
        m.start(1000, true);
        const auto sing = [&] {
            m.addVoice(1040, 10, voice.data());
            m.addVoice(1045, 2, voice.data()); // blocks that overlap (a jittery stamp) add up
        };
        if (voiceFirst) sing();
        m.addBacking(1000, 100, left.data(), right.data());
        Out o;
        o.take(m, false); // the voice has reached 1050 (or nothing yet): held until it does
        if (!voiceFirst) {
            EXPECT_TRUE(o.l.empty());
            sing();
            o.take(m, false);
        }
        ASSERT_EQ(o.l.size(), 50u) << voiceFirst;
        o.take(m, true);
        ASSERT_EQ(o.l.size(), 100u);
        for (size_t i = 0; i < 100; ++i) {
            const float v = (i >= 40 && i < 50) ? ((i == 45 || i == 46) ? 0.5f : 0.25f) : 0.0f;
            EXPECT_FLOAT_EQ(o.l[i], left[i] + v) << i;
            EXPECT_FLOAT_EQ(o.r[i], 0.5f + v) << i;
        }
    }
}

TEST(VoiceMix, WithoutAVoiceOrWithALateOneTheBackingIsNotHeldForever)
{
    const std::vector<float> b(500, 0.1f), voice(20, 0.5f);
    VoiceMix off(100);
    off.start(0, false);
    off.addBacking(0, 500, b.data(), b.data());
    off.addVoice(0, 20, voice.data()); // no voice in this take: ignored
    Out a;
    a.take(off, false);
    ASSERT_EQ(a.l.size(), 500u);
    EXPECT_FLOAT_EQ(a.l[5], 0.1f);

    VoiceMix late(100);
    late.start(0, true);
    late.addBacking(0, 500, b.data(), b.data());
    Out o;
    o.take(late, false); // held for at most the hold
    ASSERT_EQ(o.l.size(), 400u);
    late.addVoice(390, 20, voice.data()); // half of it comes after its frames were written
    EXPECT_EQ(late.lateVoice(), 10);
    o.take(late, true);
    ASSERT_EQ(o.l.size(), 500u);
    EXPECT_FLOAT_EQ(o.l[399], 0.1f);
    EXPECT_FLOAT_EQ(o.l[400], 0.6f);
    EXPECT_FLOAT_EQ(o.r[409], 0.6f);
    EXPECT_FLOAT_EQ(o.l[410], 0.1f);
}

TEST(VoiceMix, GapsAreSilenceOverlapsAndFramesBeforeTheTakeAreDropped)
{
    const std::vector<float> b(50, 0.2f), again(50, 0.4f);
    VoiceMix m(0);
    m.start(100, false);
    m.addBacking(80, 50, b.data(), b.data());      // 80..130: from 100 on
    m.addBacking(120, 50, again.data(), b.data()); // overlaps: only 130..170 are new
    m.addBacking(200, 50, b.data(), b.data()); // 170..200 lost: silence keeps the timing
    Out o;
    o.take(m, true, 240); // the take ends at 240
    ASSERT_EQ(o.l.size(), 140u);
    EXPECT_EQ(m.handedOut(), 240);
    EXPECT_FLOAT_EQ(o.l[29], 0.2f) << "frames given once keep their first sound";
    EXPECT_FLOAT_EQ(o.l[30], 0.4f);
    EXPECT_FLOAT_EQ(o.l[69], 0.4f);
    EXPECT_FLOAT_EQ(o.l[70], 0.0f);
    EXPECT_FLOAT_EQ(o.l[99], 0.0f);
    EXPECT_FLOAT_EQ(o.l[100], 0.2f);
    // A new take starts clean.
    m.start(1000, true);
    const std::vector<float> v(10, 0.3f);
    m.addVoice(900, 10, v.data());
    EXPECT_EQ(m.lateVoice(), 10);
    m.addBacking(1000, 50, b.data(), b.data());
    o = {};
    o.take(m, true);
    ASSERT_EQ(o.l.size(), 50u);
    EXPECT_FLOAT_EQ(o.l[0], 0.2f);
}

TEST(VoiceTap, BlocksKeepTheirCaptureTimeAtTheOutputRateAndNeverOverrunTheReader)
{
    VoiceTap tap(44100);
    const std::vector<float> sung(960, 0.5f); // 20 ms at 48 kHz
    tap.push(1'000'000, sung.data(), int(sung.size()), 48000);
    int64_t us = 0;
    std::vector<float> small(8), out(VoiceTap::kChunk);
    EXPECT_EQ(tap.pop(us, small.data(), int(small.size())), 0) << "a block never goes into a buffer too small for it";
    const int n = tap.pop(us, out.data(), int(out.size()));
    EXPECT_EQ(us, 1'000'000);
    EXPECT_EQ(n, 882) << "20 ms at 44.1 kHz";
    EXPECT_FLOAT_EQ(out[size_t(n - 1)], 0.5f);
    EXPECT_EQ(tap.pop(us, out.data(), int(out.size())), 0);
}
