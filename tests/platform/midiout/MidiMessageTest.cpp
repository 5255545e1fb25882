// What goes on the wire for each kind of prepared message.
#include "MidiMessage.h"
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::bytes;

namespace {

std::string wire(int status, int d1, int d2, const std::string& sysex = {})
{
    std::string b;
    return encodeMessage(status, d1, d2, sysex, b) == MessageKind::Wire ? b : "none";
}

} // namespace

TEST(MidiMessage, ChannelMessagesTakeTheirOwnLength)
{
    EXPECT_EQ(wire(0x93, 60, 100), bytes({0x93, 60, 100}));
    EXPECT_EQ(wire(0xC1, 5, 99), bytes({0xC1, 5}));
    EXPECT_EQ(wire(0xD2, 40, 99), bytes({0xD2, 40}));
    EXPECT_EQ(wire(0xE0, 0, 64), bytes({0xE0, 0, 64}));
    EXPECT_EQ(wire(0xF2, 1, 2), bytes({0xF2, 1, 2}));
    EXPECT_EQ(wire(0xF8, 1, 2), bytes({0xF8}));
    // The unused second byte of a program change may hold anything.
    EXPECT_EQ(wire(0xC0, 1, 200), bytes({0xC0, 1}));
}

TEST(MidiMessage, EmptyAndMetaCarryNothing)
{
    std::string b = "x";
    EXPECT_EQ(encodeMessage(0, 0, 0, {}, b), MessageKind::Silent);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(encodeMessage(255, 5, 0, {}, b), MessageKind::Silent);
}

TEST(MidiMessage, OutOfRangeAndMalformedAreInvalid)
{
    std::string b;
    EXPECT_EQ(encodeMessage(0x90, 128, 1, {}, b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0x90, -1, 1, {}, b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0xB0, 7, 300, {}, b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(256, 0, 0, {}, b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0xF0, 0, 0, {}, b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0xF0, 0, 0, bytes({0xF0, 0x41}), b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0xF0, 0, 0, bytes({0xF0, 0x90, 0xF7}), b), MessageKind::Invalid);
    EXPECT_EQ(encodeMessage(0xF0, 0, 0, bytes({0xF0, 0x41, 0xF7}), b), MessageKind::Wire);
    EXPECT_EQ(hexBytes(b), "F0 41 F7");
}
