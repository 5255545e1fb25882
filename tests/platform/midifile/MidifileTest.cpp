#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using lirmus::Midifile;
using lirmus::test::readAll;
using lirmus::test::ReadEvent;
using lirmus::test::SmfWriter;

namespace {

Midifile* load(Midifile& mf, const std::string& bytes)
{
    mf.loadBytes(bytes);
    return &mf;
}

} // namespace

TEST(Midifile, ReadsHeaderTracksAndChannelMessages)
{
    SmfWriter w(1, 96);
    w.track().tempo(0, 600000).end();
    w.track().program(0, 2, 5).note(10, 2, 60, 100).raw({0x05, 0x3E, 0x50}).noteOff(20, 2, 60).end(5);
    Midifile mf;
    load(mf, w.bytes());
    ASSERT_EQ(mf.TrackCount(), 2);
    EXPECT_EQ(mf.FileFormat(), 1);
    EXPECT_EQ(mf.Division(), 96);
    EXPECT_EQ(mf.TimeFormat(), 0);
    EXPECT_EQ(mf.Tempo(), 600000);
    auto ev = readAll(mf);
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[2], (ReadEvent{2, 0, 0, 0xC2, 5, 0, "", ""}));
    EXPECT_EQ(ev[3], (ReadEvent{2, 10, 10, 0x92, 60, 100, "", ""}));
    EXPECT_EQ(ev[4], (ReadEvent{2, 15, 5, 0x92, 62, 80, "", ""})); // running status
    EXPECT_EQ(ev[5], (ReadEvent{2, 35, 20, 0x82, 60, 0, "", ""}));
    EXPECT_EQ(ev[6], (ReadEvent{2, 40, 5, 0xFF, 0x2F, 0, "", ""}));
}
