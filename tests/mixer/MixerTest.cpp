// The channel controls through the test device: the exact messages each one
// sends, and what it refuses.
#include "ChannelState.h"
#include "ControllerTable.h"
#include "Mixer.h"
#include "OutputTestSupport.h"
#include "PlayerState.h"
#include "Settings.h"
#include "SettingsService.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace lirmus;
using lirmus::test::bytes;

namespace {

struct View : NullDisplays {
    QStringList log;
    int beeps = 0;
    int melodyColour = -1;
    bool melodyEnabled = true;
    std::array<int, 16> colour{};
    std::array<bool, 16> enabled{};
    std::array<int, 16> meter{};

    void setMeter(int ch, int v) override { meter[size_t(ch)] = v; }
    void setStripEnabled(int ch, bool e) override { enabled[size_t(ch)] = e; }
    void setStripColor(int ch, int c) override { colour[size_t(ch)] = c; }
    void setMelodyPanel(int c, bool e) override { melodyColour = c, melodyEnabled = e; }
    void beep() override { ++beeps; }
};

struct Host : MixerHost {
    int panics = 0;
    long count = 0;
    std::vector<std::array<long, 4>> restarts;
    void MidiPanic() override { ++panics; }
    void OutputSong(long f, long t, long ft, int m) override { restarts.push_back({f, t, ft, m}); }
    long MsgCount() const override { return count; }
};

struct Desk {
    Settings settings;
    ChannelState channels;
    ControllerTable table = defaultControllerTable();
    PlayerState player;
    PlayerFlags flags;
    test::ManualOutput output;
    View view;
    Host host;
    Mixer mixer{channels, table, settings, player, flags, output.out, view, view, host};

    Desk() { table.CtrlMaster[0] = 127; } // volumes go out as the song has them, unless a test says otherwise

    /// A channel the song has sounded on, audible, with a value for each of the first rows.
    void sounding(int ch, std::initializer_list<int> rowValues)
    {
        channels.ChannelUsed[size_t(ch)] = channels.ChannelOn[size_t(ch)] = true;
        int row = 0;
        for (int v : rowValues) table.CtrlValue[size_t(row++)][size_t(ch)] = v;
    }
    /// What the device received since the last call.
    std::vector<std::string> take()
    {
        std::vector<std::string> v;
        for (const SentMessage& m : output.device.messages()) v.push_back(m.bytes);
        output.device.clear();
        return v;
    }
};

std::string cc(int ch, int n, int v) { return bytes({0xB0 + ch, n, v}); }

} // namespace

TEST(Mixer, MuteSendsVolumeZeroAndUnmuteRestoresTheSongsRowsInOrder)
{
    Desk d;
    d.table.CtrlMaster[1] = -50; // pan master
    d.sounding(2, {100, 64, -1, 50});
    d.channels.StripValue[2] = {10, 20, 30, 40}; // the sliders' positions are not what comes back
    d.channels.MeterLevel[2] = d.view.meter[2] = 90;

    EXPECT_TRUE(d.mixer.cmdOn_Click(2));
    EXPECT_EQ(d.take(), std::vector<std::string>{cc(2, 7, 0)});
    EXPECT_FALSE(d.channels.ChannelOn[2]);
    EXPECT_EQ(d.view.colour[2], 12);
    EXPECT_EQ(d.channels.MeterLevel[2], 0) << "silent at once";
    EXPECT_EQ(d.view.meter[2], 0);

    d.table.CtrlValue[0][2] = 90; // the song changed its volume meanwhile
    EXPECT_TRUE(d.mixer.cmdOn_Click(2));
    EXPECT_EQ(d.take(), (std::vector<std::string>{cc(2, 7, 90), cc(2, 10, 32), cc(2, 91, 50)}));
    EXPECT_TRUE(d.channels.ChannelOn[2]);
    EXPECT_EQ(d.view.colour[2], 10);
    EXPECT_EQ(d.view.beeps, 0);
}

TEST(Mixer, RefusedClicksBeepAndSendNothing)
{
    Desk d;
    d.sounding(0, {100});
    d.sounding(3, {90});
    EXPECT_FALSE(d.mixer.cmdOn_Click(5)) << "a channel the song has not used";
    EXPECT_FALSE(d.mixer.cmdSolo_Click(5));

    ASSERT_TRUE(d.mixer.cmdMelody_Click());
    d.take();
    EXPECT_FALSE(d.mixer.cmdOn_Click(3)) << "the melody channel while the melody is off";

    ASSERT_TRUE(d.mixer.cmdSolo_Click(0));
    d.take();
    EXPECT_FALSE(d.mixer.cmdOn_Click(0)) << "the soloed channel";
    EXPECT_FALSE(d.mixer.cmdMelody_Click()) << "melody during a solo";
    EXPECT_FALSE(d.mixer.cmdOn_Click(3)) << "a strip the solo disabled";
    EXPECT_TRUE(d.take().empty());
    EXPECT_EQ(d.view.beeps, 6);
    EXPECT_EQ(d.channels.SoloChannel, 0);
}

TEST(Mixer, SoloScalesEveryOtherVolumeAndItsEndRestoresTheUsedChannels)
{
    for (auto [level, half] : std::vector<std::pair<int, int>>{{32, 25}, {0, 0}, {64, 50}}) {
        SCOPED_TRACE(level);
        Desk d;
        d.settings.SoloLevel = level;
        d.sounding(0, {100});
        d.sounding(2, {80, 30});
        d.sounding(4, {100});
        d.table.CtrlValue[0][7] = 100; // a volume but no sound yet: scaled, never restored
        d.channels.MelodyMuted = true;

        ASSERT_TRUE(d.mixer.cmdSolo_Click(2));
        EXPECT_EQ(d.take(), (std::vector<std::string>{cc(0, 7, half), cc(2, 7, 80), cc(2, 10, 30), cc(4, 7, half),
                                                      cc(7, 7, half)}));
        for (int ch = 0; ch < 16; ++ch) {
            EXPECT_EQ(d.view.enabled[size_t(ch)], ch == 2) << ch;
            EXPECT_EQ(d.channels.ChannelOn[size_t(ch)], ch == 2) << ch;
        }
        EXPECT_FALSE(d.channels.MelodyMuted) << "a solo ends the melody mute";
        EXPECT_FALSE(d.view.melodyEnabled);

        // The second click ends it: every used channel back, the unused one left alone.
        ASSERT_TRUE(d.mixer.cmdSolo_Click(2));
        EXPECT_EQ(d.take(), (std::vector<std::string>{cc(0, 7, 100), cc(2, 7, 80), cc(2, 10, 30), cc(4, 7, 100)}));
        EXPECT_EQ(d.channels.SoloChannel, -1);
        EXPECT_TRUE(d.view.melodyEnabled);
        EXPECT_EQ(d.view.melodyColour, 10);
        EXPECT_FALSE(d.channels.ChannelOn[7]);
    }
}

TEST(Mixer, SoloLevelRoundsToTheNearest)
{
    EXPECT_EQ(soloVolume(32, 100), 25); // 25.2
    EXPECT_EQ(soloVolume(1, 190), 1);   // 1.496
    EXPECT_EQ(soloVolume(1, 191), 2);   // 1.504
    EXPECT_EQ(soloVolume(64, 127), 64);
    EXPECT_EQ(soloVolume(0, 127), 0);
}

TEST(Mixer, MelodyOffAndBackOn)
{
    Desk d;
    d.sounding(3, {90, 40});
    ASSERT_TRUE(d.mixer.cmdMelody_Click());
    EXPECT_EQ(d.take(), std::vector<std::string>{cc(3, 7, 0)});
    EXPECT_TRUE(d.channels.MelodyMuted);
    EXPECT_EQ(d.view.melodyColour, 12);

    ASSERT_TRUE(d.mixer.cmdMelody_Click());
    EXPECT_EQ(d.take(), (std::vector<std::string>{cc(3, 7, 90), cc(3, 10, 40)}));
    EXPECT_FALSE(d.channels.MelodyMuted);
    EXPECT_TRUE(d.channels.ChannelOn[3]);

    // A melody channel the song has not used yet: nothing to send, the mute waits for it.
    Desk fresh;
    fresh.settings.MelodyChannel = 5;
    ASSERT_TRUE(fresh.mixer.cmdMelody_Click());
    EXPECT_TRUE(fresh.take().empty());
    EXPECT_TRUE(fresh.channels.MelodyMuted);
}

TEST(Mixer, MelodyAutoSilencesTheChannelFoundInTheSong)
{
    Desk d;
    d.settings.MelodyAuto = true;
    d.channels.MelodyFound = 6;
    d.sounding(3, {90});
    d.sounding(6, {80});
    ASSERT_TRUE(d.mixer.cmdMelody_Click());
    EXPECT_EQ(d.take(), std::vector<std::string>{cc(6, 7, 0)});
    EXPECT_FALSE(d.mixer.cmdOn_Click(6)) << "the silenced melody cannot be turned on by its strip";
    EXPECT_TRUE(d.mixer.cmdOn_Click(3));

    // Nothing found in the song, or Auto off: the setting.
    Desk none;
    none.settings.MelodyAuto = true;
    none.sounding(3, {90});
    ASSERT_TRUE(none.mixer.cmdMelody_Click());
    EXPECT_EQ(none.take(), std::vector<std::string>{cc(3, 7, 0)});
    Desk off;
    off.channels.MelodyFound = 6;
    off.sounding(3, {90});
    off.sounding(6, {80});
    ASSERT_TRUE(off.mixer.cmdMelody_Click());
    EXPECT_EQ(off.take(), std::vector<std::string>{cc(3, 7, 0)});
    // A new song forgets the channel found in the last.
    off.mixer.ResetChannelStates();
    EXPECT_EQ(off.channels.MelodyFound, -1);
}

TEST(Mixer, StripSlidersSendTheScaledValueOnlyForAnAudibleChannel)
{
    Desk d;
    d.table.CtrlMaster[0] = 100;
    d.table.CtrlMaster[2] = 50; // chorus
    d.sounding(1, {100});
    d.mixer.sliControllerChange(0, 1, 127);
    d.mixer.sliControllerChange(2, 1, 40);
    d.mixer.sliControllerChange(2, 1, 41);
    EXPECT_EQ(d.take(), (std::vector<std::string>{cc(1, 7, 100), cc(1, 93, 83), cc(1, 93, 84)}))
        << "one message per change";

    d.channels.IndicUpdating = true; // the program moves the slider
    d.mixer.sliControllerChange(0, 1, 50);
    d.channels.IndicUpdating = false;
    ASSERT_TRUE(d.mixer.cmdOn_Click(1));
    d.take();
    d.mixer.sliControllerChange(0, 1, 50);
    d.mixer.sliControllerChange(1, 1, 64);
    EXPECT_TRUE(d.take().empty()) << "a muted channel's sliders send nothing";
    EXPECT_EQ(d.table.CtrlValue[0][1], 100) << "the song's value is kept";
}

TEST(Mixer, MasterChangesResendWithTheStripSlidersAndAreStored)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    test::writeFile(ini, "[SETUP]\nC7=100\n");
    SettingsService service(ini);
    Desk d;
    d.table.CtrlMaster[0] = 100;
    d.mixer.setSettingsService(&service);
    d.sounding(0, {100});
    d.sounding(1, {90});
    d.sounding(2, {-1});                  // no volume seen: nothing to scale
    d.sounding(3, {80});
    d.channels.ChannelOn[3] = false;      // muted: stays silent
    d.channels.StripValue[0][0] = 64;
    d.channels.StripValue[1][0] = 127;

    d.mixer.sliMC_Change(0, 127);
    EXPECT_EQ(d.take(), (std::vector<std::string>{cc(0, 7, 64), cc(1, 7, 127)}));
    EXPECT_EQ(d.table.CtrlMaster[0], 127);
    EXPECT_EQ(service.getInt("SETUP", "C7", 0), 127);

    d.mixer.sliMC_Change(1, -50); // pan: no channel has a pan value
    EXPECT_TRUE(d.take().empty());
    EXPECT_EQ(service.getString("SETUP", "C10"), "-50");

    d.channels.IndicUpdating = true;
    d.mixer.sliMC_Change(0, 20);
    EXPECT_TRUE(d.take().empty());
    EXPECT_EQ(d.table.CtrlMaster[0], 127) << "the program's own moves change nothing";
    d.channels.IndicUpdating = false;

    d.mixer.setSettingsService(nullptr); // windows made without the service still work
    d.mixer.sliMC_Change(0, 0);
    EXPECT_EQ(d.take(), (std::vector<std::string>{cc(0, 7, 0), cc(1, 7, 0)}));
}

TEST(Mixer, MastersOfRowsWithoutAStripSliderUseTheSongsValue)
{
    Desk d;
    d.table = defaultControllerTable();
    d.table.CtrlNumber.push_back(11), d.table.CtrlName.push_back("Expr"), d.table.CtrlMin.push_back(0),
        d.table.CtrlMax.push_back(127), d.table.CtrlMaster.push_back(127);
    std::array<int, 16> none;
    none.fill(-1);
    d.table.CtrlValue.push_back(none);
    d.sounding(5, {100, 64, 0, 0, 100});
    d.mixer.sliMC_Change(4, 64);
    EXPECT_EQ(d.take(), std::vector<std::string>{cc(5, 11, 50)});
}

TEST(Mixer, TempoGoesToTheOutputAndTranspositionRestartsOnlyWhilePlaying)
{
    Desk d;
    d.mixer.udTempo_Change(15);
    EXPECT_EQ(d.output.out.TempoPercent(), 15);
    EXPECT_EQ(d.player.SongTempoChange, 15) << "the lyric countdown reads the same number";
    EXPECT_EQ(signedCaption(15, "%"), "+15%");
    EXPECT_EQ(signedCaption(0, "%"), "+0%");
    EXPECT_EQ(signedCaption(-20, "%"), "-20%");
    EXPECT_EQ(signedCaption(-5), "-5");

    d.player.Transpose = 1;
    d.mixer.udTrans_Change(3); // no song
    d.host.count = 500;
    d.flags.AbortRequested = true; // stopped
    d.mixer.udTrans_Change(4);
    EXPECT_TRUE(d.host.restarts.empty());
    EXPECT_EQ(d.player.Transpose, 1);

    d.flags.AbortRequested = false;
    d.player.CurrentIndex = 41;
    d.mixer.udTrans_Change(-2);
    ASSERT_EQ(d.host.restarts.size(), 1u);
    EXPECT_EQ(d.host.restarts[0], (std::array<long, 4>{42, 0, 0, 100}));
    EXPECT_EQ(d.player.Transpose, -2);
}

TEST(Mixer, GsResetPanicAndProgramChange)
{
    Desk d;
    d.mixer.cmdGsReset_Click();
    d.mixer.sendProgramChange(9, 25);
    d.mixer.sendProgramChange(3, 128); // out of range: nothing
    EXPECT_EQ(d.take(), (std::vector<std::string>{bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41,
                                                         0xF7}),
                                                  bytes({0xC9, 25})}));
    d.mixer.cmdPanic_Click();
    EXPECT_EQ(d.host.panics, 1);

    d.mixer.cmdGmReset_Click();
    d.mixer.cmdXgReset_Click();
    EXPECT_EQ(d.take(), (std::vector<std::string>{bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}),
                                                  bytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})}));
}

TEST(Mixer, NewSongResetsEveryStripButKeepsTheMelodyMute)
{
    Desk d;
    d.sounding(4, {100});
    d.channels.SoloChannel = 4;
    d.channels.MelodyMuted = true;
    d.mixer.ResetChannelStates();
    EXPECT_EQ(d.channels.SoloChannel, -1);
    EXPECT_FALSE(d.channels.ChannelUsed[4]);
    EXPECT_FALSE(d.channels.ChannelOn[4]);
    EXPECT_EQ(d.view.colour[4], 12);
    EXPECT_FALSE(d.view.enabled[4]);
    EXPECT_TRUE(d.channels.MelodyMuted);
    EXPECT_EQ(d.view.melodyColour, 12);
    EXPECT_TRUE(d.view.melodyEnabled);
}

TEST(Mixer, MeterSegmentsAndColours)
{
    EXPECT_EQ(meterSegments(0), 0);
    EXPECT_EQ(meterSegments(12), 0);
    EXPECT_EQ(meterSegments(13), 1);
    EXPECT_EQ(meterSegments(63), 4);
    EXPECT_EQ(meterSegments(64), 5);
    EXPECT_EQ(meterSegments(127), 10);
    EXPECT_EQ(meterSegments(500), 10) << "a bad value never lights an eleventh";
    for (int j : {1, 5}) EXPECT_EQ(meterSegmentColor(j), 10);
    for (int j : {6, 8}) EXPECT_EQ(meterSegmentColor(j), 14);
    for (int j : {9, 10}) EXPECT_EQ(meterSegmentColor(j), 12);
}
