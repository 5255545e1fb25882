// What goes on the wire for each kind of prepared message.
#include "MidiMessage.h"
#include "OutputTestSupport.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::bytes;

TEST(MidiMessage, EachKindTakesItsOwnLengthAndBadOnesAreInvalid)
{
    struct Case { int status, d1, d2; std::string sysex; MessageKind kind; std::string wire; };
    const Case cases[] = {
        {0x93, 60, 100, "", MessageKind::Wire, bytes({0x93, 60, 100})},
        {0xC0, 1, 200, "", MessageKind::Wire, bytes({0xC0, 1})}, // the unused byte may hold anything
        {0xD2, 40, 99, "", MessageKind::Wire, bytes({0xD2, 40})},
        {0xE0, 0, 64, "", MessageKind::Wire, bytes({0xE0, 0, 64})},
        {0xF2, 1, 2, "", MessageKind::Wire, bytes({0xF2, 1, 2})},
        {0xF8, 1, 2, "", MessageKind::Wire, bytes({0xF8})},
        {0xF0, 0, 0, bytes({0xF0, 0x41, 0xF7}), MessageKind::Wire, bytes({0xF0, 0x41, 0xF7})},
        {0, 0, 0, "", MessageKind::Silent, ""},   // the queue's empty lead-in message
        {255, 5, 0, "", MessageKind::Silent, ""}, // a meta entry
        {0x90, 128, 1, "", MessageKind::Invalid, ""},
        {0x90, -1, 1, "", MessageKind::Invalid, ""},
        {0xB0, 7, 300, "", MessageKind::Invalid, ""},
        {256, 0, 0, "", MessageKind::Invalid, ""},
        {0xF0, 0, 0, "", MessageKind::Invalid, ""},
        {0xF0, 0, 0, bytes({0xF0, 0x41}), MessageKind::Invalid, ""},
        {0xF0, 0, 0, bytes({0xF0, 0x90, 0xF7}), MessageKind::Invalid, ""},
    };
    for (const Case& c : cases) {
        std::string b = "stale";
        EXPECT_EQ(encodeMessage(c.status, c.d1, c.d2, c.sysex, b), c.kind) << c.status << " " << c.d1 << " " << c.d2;
        EXPECT_EQ(hexBytes(b), hexBytes(c.wire)) << c.status;
    }
    EXPECT_EQ(hexBytes(bytes({0xF0, 0x41, 0xF7})), "F0 41 F7");
}
