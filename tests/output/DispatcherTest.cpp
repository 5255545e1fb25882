// The message-sent dispatcher: what each tagged entry shows, in which order,
// and which corrective messages go out at once.
#include "DispatcherFixture.h"

#include <gtest/gtest.h>

using namespace lirmus;
using lirmus::test::bytes;
using lirmus::test::Fixture;

TEST(Dispatcher, GuardsIgnoreAbortUntaggedAndOutOfRangeTagsAndTheLastEntryStops)
{
    Fixture f;
    f.add(100, 0x90, 60, 100);
    f.finish();

    f.flags.AbortRequested = true;
    f.channels.IndicUpdating = true;
    f.sent(1);
    f.sent(f.song.queue.MsgCount); // not even the last entry stops the song now
    EXPECT_TRUE(f.views.log.isEmpty());
    EXPECT_EQ(f.player.CurrentIndex, 0);
    EXPECT_EQ(f.stops.calls, 0);
    EXPECT_TRUE(f.channels.IndicUpdating);

    f.flags.AbortRequested = false;
    f.sent(0);
    EXPECT_TRUE(f.channels.IndicUpdating) << "tag 0 returns before anything";
    for (long tag : {-1L, 3L, 99L}) {
        f.channels.IndicUpdating = true;
        f.sent(tag);
        EXPECT_FALSE(f.channels.IndicUpdating) << tag;
    }
    EXPECT_TRUE(f.views.log.isEmpty());
    EXPECT_EQ(f.player.CurrentIndex, 0);
    EXPECT_FALSE(f.channels.ChannelUsed[0]);

    // The last entry is never shown: it stops the play.
    f.sent(2);
    EXPECT_EQ(f.stops.calls, 1);
    EXPECT_EQ(f.player.CurrentIndex, 0);
    EXPECT_TRUE(f.views.log.isEmpty());
}

TEST(Dispatcher, ClockAndPositionAndTheSliderOnlyOnNoteOnsOfACompleteQueue)
{
    Fixture f;
    const long ctl = f.control(4000, 0, 64, 10);
    const long zero = f.add(0, 0x90, 60, 100);
    const long quarter = f.add(5000, 0x90, 60, 100);
    const long stillQuarter = f.add(5100, 0x91, 62, 100);
    const long half = f.add(10000, 0x90, 64, 100);
    f.finish(20000);
    f.player.PlayStartTime = 2.0;
    f.views.now = 65.5;

    f.sent(ctl);
    EXPECT_EQ(f.player.CurrentIndex, ctl);
    EXPECT_EQ(f.views.clock, "01:03:50");
    EXPECT_EQ(f.views.position, "00:04");
    f.sent(zero);
    f.sent(quarter);
    f.sent(stillQuarter);
    EXPECT_EQ(f.views.log.filter("sliOut"), QStringList{"sliOut=25"});
    EXPECT_EQ(f.player.LastSliderPercent, 25);
    EXPECT_EQ(f.player.SliderPercent, 25) << "the player keeps where its slider stands";

    // While the user holds the slider neither the position nor the slider moves.
    f.player.SliderDragging = true;
    f.views.log.clear();
    f.sent(half);
    EXPECT_TRUE(f.views.log.filter("picTime(1)").isEmpty());
    EXPECT_TRUE(f.views.log.filter("sliOut").isEmpty());

    // A queue still being built (lamp disabled) shows the position only.
    f.player.SliderDragging = false;
    f.player.QueueComplete = false;
    f.sent(half);
    EXPECT_EQ(f.views.position, "00:10");
    EXPECT_TRUE(f.views.log.filter("sliOut").isEmpty());
    f.player.QueueComplete = true;
    f.sent(half);
    EXPECT_EQ(f.views.log.filter("sliOut"), QStringList{"sliOut=50"});
}

TEST(Dispatcher, ASongWithoutLengthLeavesTheSliderAlone)
{
    Fixture f;
    const long note = f.add(500, 0x90, 60, 100);
    f.finish(1000);
    f.song.SongLength = 0; // not known yet, or a song of time-0 entries only
    f.sent(note);
    EXPECT_TRUE(f.views.log.filter("sliOut").isEmpty());
    EXPECT_EQ(f.player.LastSliderPercent, 0);
    EXPECT_EQ(f.views.position, "00:00");
}

TEST(Dispatcher, MarkersTempoSyllablesAndChords)
{
    Fixture f;
    const long marker = f.meta(0, 6, "Chorus");
    const long tempo = f.meta(0, 81, "", 120);
    const long unsung = f.meta(100, 5, "la", 1, 1, 0);
    const long blank = f.meta(200, 5, "  ", 1, 3, 800);
    const long syllable = f.meta(300, 5, "la", 3, 5, 1200);
    const long quick = f.meta(400, 5, "li", 3, 7, 400);
    const long chord = f.meta(500, 5, "%Am", 2, 1, 2000);
    f.finish();
    f.views.now = 10;

    f.sent(marker);
    f.sent(tempo);
    EXPECT_EQ(f.views.marker, "Chorus");
    EXPECT_EQ(f.views.tempoCaption, "120");

    // The lyric cursor paints the sung part of each syllable shown.
    f.song.LyricLines = QStringList{"", "", "do la li"};
    f.sent(unsung);
    EXPECT_EQ(f.lyric.LastSungRow, 0) << "a syllable of length 0 is not shown";
    EXPECT_EQ(f.lyric.NextLyricTime, 0);
    f.sent(blank);
    EXPECT_EQ(f.lyric.LastSungRow, 0);
    EXPECT_DOUBLE_EQ(f.lyric.NextLyricTime, 10.8) << "blanks still time the countdown";
    f.sent(syllable);
    EXPECT_GT(f.lyric.LastSungRow, 0);
    EXPECT_EQ(f.lyrics.rowLine(f.lyric.LastSungRow), 3);
    EXPECT_EQ(std::pair(f.lyric.LastSungColumn, f.lyric.LastSungLength), std::pair(5, 2));
    EXPECT_DOUBLE_EQ(f.lyric.NextLyricTime, 11.2);
    f.sent(quick);
    EXPECT_EQ(f.lyric.NextLyricTime, 0) << "less than half a second away: no countdown";
    EXPECT_EQ(f.lyric.LastSungColumn, 7);
    f.sent(chord);
    EXPECT_EQ(f.views.chordNow, "Am");
    EXPECT_DOUBLE_EQ(f.lyric.NextChordTime, 12.0);
    EXPECT_EQ(f.lyric.LastSungColumn, 7) << "a chord is no syllable";
}

TEST(Dispatcher, TextPageRowsAndThePreviewOfTheNextPage)
{
    Fixture f;
    const long line1 = f.meta(0, 10, "one");
    f.song.queue[line1].Data2 = 4;
    const long line2 = f.meta(0, 10, "two");
    f.song.queue[line2].Data2 = 5;
    std::vector<long> sung;
    for (int i = 0; i < 5; ++i) {
        sung.push_back(f.meta(100 + i, 10, ""));
        f.song.queue[sung.back()].Data2 = 8;
    }
    const long nextPage = f.meta(1000, 10, "next page");
    f.song.queue[nextPage].Data2 = 4;
    f.finish();

    f.sent(line1);
    EXPECT_TRUE(f.views.log.filter(QRegularExpression("sysex|Prepara")).isEmpty()) << "no text page in this song";

    f.song.InfoTexts = QStringList{"one", "two", "next page"};
    f.song.LyricLines = QStringList{"a", "b", "c", "d"};
    f.lyric.SysexRows[3] = "old";
    f.lyric.SysexRow = 3;
    f.views.log.clear();
    f.sent(line1);
    EXPECT_EQ(f.views.log.filter(QRegularExpression("sysex|Prepara")),
              (QStringList{"PreparaAltezza", "sysexRow(1)", "sysexRow(0)"}));
    EXPECT_TRUE(f.lyric.SysexShown);
    EXPECT_TRUE(f.lyric.SysexBesideLyrics);
    EXPECT_EQ(f.lyric.SysexRows[1], "one");
    EXPECT_EQ(f.lyric.SysexRows[3], "") << "the rows after a new line are emptied";
    EXPECT_EQ(f.lyric.SysexRow, 1);
    f.views.log.clear();
    f.sent(line2);
    EXPECT_EQ(f.views.log.filter("sysex"), (QStringList{"sysexRow(2)", "sysexRow(0)"}));
    EXPECT_EQ(f.lyric.SysexRows[2], "two");

    // Row 1 sung; row 2 sung: row 3 is empty, so the next page is previewed in row 1.
    f.views.log.clear();
    f.sent(sung[0]);
    EXPECT_EQ(f.views.log.filter("sysex"), QStringList{"sysexRow(1)"});
    EXPECT_TRUE(f.lyric.SysexRowSung[1]);
    f.views.log.clear();
    f.sent(sung[1]);
    EXPECT_EQ(f.views.log.filter("sysex"), (QStringList{"sysexRow(2)", "sysexRow(1)", "sysexRow(0)"}));
    EXPECT_TRUE(f.lyric.SysexRowSung[2]);
    EXPECT_FALSE(f.lyric.SysexRowSung[1]) << "the preview is not sung yet";
    EXPECT_EQ(f.lyric.SysexRows[1], "next page");
    f.sent(sung[2]);
    f.sent(sung[3]);
    EXPECT_EQ(f.lyric.SysexRow, 5);
    f.views.log.clear();
    f.sent(sung[4]);
    EXPECT_TRUE(f.views.log.filter("sysex").isEmpty()) << "the page is already sung";
    EXPECT_EQ(f.lyric.SysexRow, 5);
}

TEST(Dispatcher, FirstSoundLightsTheStripUnlessSoloedOrTheMutedMelody)
{
    Fixture f;
    const long silentVolume = f.control(0, 1, 7, 0);
    const long quietNote = f.add(0, 0x91, 60, 0);
    const long melody = f.add(0, 0x93, 60, 90);
    const long underSolo = f.add(0, 0x95, 60, 90);
    const long underSilentSolo = f.add(0, 0x96, 60, 90);
    f.finish();

    f.sent(silentVolume);
    EXPECT_FALSE(f.channels.ChannelUsed[1]) << "a volume of 0 is not a sound";
    f.sent(quietNote);
    EXPECT_TRUE(f.channels.ChannelUsed[1]);
    EXPECT_TRUE(f.channels.ChannelOn[1]);
    EXPECT_EQ(f.strip(1), (QStringList{"picMidi(1)=1", "picBut(1)=10"}));
    EXPECT_EQ(f.views.meter[1], 0) << "velocity 0 does not move the meter";

    f.channels.MelodyMuted = true;
    f.sent(melody);
    EXPECT_TRUE(f.channels.ChannelUsed[3]);
    EXPECT_FALSE(f.channels.ChannelOn[3]) << "the muted melody stays off";
    EXPECT_EQ(f.strip(3), (QStringList{"picMidi(3)=1"})) << "nor does its meter move: it is not heard";

    // Under a solo the others still sound at the solo level, and their meters show it.
    f.channels.SoloChannel = 0;
    f.sent(underSolo);
    EXPECT_TRUE(f.channels.ChannelUsed[5]);
    EXPECT_FALSE(f.channels.ChannelOn[5]);
    EXPECT_TRUE(f.views.log.filter("picMidi(5)").isEmpty());
    EXPECT_EQ(f.views.meter[5], 90);
    f.settings.SoloLevel = 0;
    f.sent(underSilentSolo);
    EXPECT_EQ(f.views.meter[6], 0);
}

TEST(Dispatcher, NoteOnsSetTheMissingVolumeHoldTheMeterPeakAndTimeTheMelody)
{
    Fixture f;
    f.song.LyricLines = QStringList{"only", "two"};
    const long loud = f.add(0, 0x92, 60, 100);
    const long soft = f.add(10, 0x92, 60, 50);
    const long louder = f.add(20, 0x92, 60, 120);
    const long melody = f.add(30, 0x93, 60, 80);
    f.song.queue[melody].Length = 3000;
    const long melody2 = f.add(40, 0x93, 62, 80);
    f.song.queue[melody2].Length = 1000;
    f.finish();
    f.views.now = 5;

    f.sent(loud);
    EXPECT_EQ(f.mixer.CtrlValue[0][2], 127);
    EXPECT_EQ(f.views.log.filter("strip"), QStringList{"strip(2,0)=127"});
    EXPECT_TRUE(f.views.stripsGuarded);
    f.sent(soft);
    EXPECT_EQ(f.views.log.filter("strip").size(), 1) << "only while no volume was seen";
    EXPECT_EQ(f.views.meter[2], 100) << "a softer note leaves the peak";
    EXPECT_EQ(f.views.log.filter("pgrMidi(2)").size(), 1);
    f.sent(louder);
    EXPECT_EQ(f.channels.MeterLevel[2], 120);

    f.sent(melody);
    f.sent(melody2);
    EXPECT_EQ(f.views.log.filter("lbNLyr"), QStringList{"lbNLyr=Next Melody"});
    EXPECT_TRUE(f.lyric.NextMelodyShown);
    EXPECT_DOUBLE_EQ(f.lyric.NextLyricTime, 6.0);

    Fixture enlarged;
    enlarged.settings.KaraokeEnlarged = true;
    enlarged.add(0, 0x90, 60, 100);
    enlarged.finish();
    enlarged.sent(1);
    EXPECT_TRUE(enlarged.views.log.filter("pgrMidi").isEmpty());
}

TEST(Dispatcher, ProgramChangesNameTheInstrumentOrTheDrumKit)
{
    Fixture f;
    f.settings.ProgramNames[5] = "Electric Piano 2";
    f.settings.DrumKits = {"000 Standard", "008 Room"};
    const long piano = f.add(0, 0xC2, 5);
    const long room = f.add(0, 0xC9, 8);
    const long unlisted = f.add(0, 0xC9, 5);
    f.finish();

    f.sent(piano);
    EXPECT_EQ(f.views.program[2], "Electric Piano 2");
    EXPECT_TRUE(f.channels.ProgramSeen[2]);
    f.sent(room);
    EXPECT_EQ(f.views.program[9], "Drum Room");
    f.sent(unlisted);
    EXPECT_EQ(f.views.program[9], "Drum 005");
    EXPECT_FALSE(f.channels.ProgramSeen[9]);
    EXPECT_EQ(f.channels.Program, (std::array<int, 16>{0, 0, 5, 0, 0, 0, 0, 0, 0, 5}));

    f.song.queue[piano].Data1 = 200; // a damaged entry names no instrument, and reads nothing outside the names
    f.sent(piano);
    EXPECT_EQ(f.views.program[2], "");
    EXPECT_EQ(f.channels.Program[2], 5) << "nor changes the instrument the chooser marks";
}

TEST(Dispatcher, ControllersMoveTheirStripAndMasterCorrectionsGoOutAtOnceUntagged)
{
    Fixture f;
    f.mixer.CtrlNumber.push_back(1); // a fifth row (modulation) has no strip slider
    f.mixer.CtrlName.push_back("Mod");
    f.mixer.CtrlMin.push_back(0);
    f.mixer.CtrlMax.push_back(127);
    f.mixer.CtrlMaster.push_back(127);
    f.mixer.CtrlValue.push_back({});
    const long sustain = f.control(0, 0, 64, 127);
    const long volume = f.control(0, 4, 7, 100);
    const long pan = f.control(0, 4, 10, 64);
    const long modulation = f.control(0, 4, 1, 40);
    f.finish();

    f.sent(sustain);
    EXPECT_TRUE(f.views.log.filter(QRegularExpression("strip|pgrMidi|picMidi|picBut")).isEmpty());
    EXPECT_TRUE(f.received().empty()) << "an untracked controller sends nothing";

    f.sent(volume);
    EXPECT_EQ(f.mixer.CtrlValue[0][4], 100);
    EXPECT_EQ(f.views.log.filter("strip"), QStringList{"strip(4,0)=100"});
    EXPECT_EQ(f.channels.StripValue[4][0], 100) << "the player keeps where the strip slider stands";
    EXPECT_TRUE(f.views.stripsGuarded);
    EXPECT_FALSE(f.channels.IndicUpdating);
    ASSERT_EQ(f.received(), std::vector<std::string>{bytes({0xB4, 7, 78})}) << "100 × 100 / 127";

    f.sent(pan); // master 0 leaves a bipolar row unchanged
    f.sent(modulation);
    EXPECT_EQ(f.mixer.CtrlValue[1][4], 64);
    EXPECT_EQ(f.mixer.CtrlValue[4][4], 40);
    EXPECT_EQ(f.views.log.filter("strip").size(), 2) << "row 4 has no strip slider";
    EXPECT_EQ(f.received().size(), 1u);

    f.output.out.deliverPending();
    EXPECT_TRUE(f.output.tags.empty()) << "corrections are untagged";
    EXPECT_TRUE(f.output.errors.empty());
}

TEST(Dispatcher, SoloAndMelodyMuteAreReimposedOnTheSongsVolumes)
{
    Fixture f;
    f.mixer.CtrlMaster[0] = 127; // the master alone changes nothing
    const long other = f.control(0, 2, 7, 100);
    const long soloed = f.control(0, 0, 7, 100);
    const long melody = f.control(0, 3, 7, 90);
    const long melodyPan = f.control(0, 3, 10, 30);
    f.finish();

    f.channels.SoloChannel = 0;
    f.channels.ChannelUsed[0] = f.channels.ChannelOn[0] = true; // as the solo button leaves it
    f.sent(other);
    f.sent(soloed);
    EXPECT_EQ(f.views.log.filter("strip"), (QStringList{"strip(2,0)=100", "strip(0,0)=100"}))
        << "the strip still shows the file's value";
    EXPECT_EQ(f.received(), std::vector<std::string>{bytes({0xB2, 7, 25})}) << "SoloLevel 32: 100 becomes 25";

    f.channels.SoloChannel = -1;
    f.channels.MelodyMuted = true;
    f.sent(melody);
    f.sent(melodyPan);
    EXPECT_EQ(f.received().back(), bytes({0xB3, 7, 0}));
    EXPECT_EQ(f.received().size(), 2u);
}

TEST(Dispatcher, MelodyAutoKeepsTheChannelFoundSilent)
{
    Fixture f;
    f.settings.MelodyAuto = true;
    f.channels.MelodyFound = 11;
    const long found = f.add(0, 0x9B, 60, 90);
    const long volume = f.control(0, 11, 7, 100);
    const long setting = f.add(0, 0x93, 60, 90);
    f.finish();
    f.channels.MelodyMuted = true;
    f.sent(found);
    f.sent(volume);
    f.sent(setting);
    EXPECT_FALSE(f.channels.ChannelOn[11]);
    EXPECT_TRUE(f.channels.ChannelOn[3]) << "the setting's channel plays";
    EXPECT_EQ(f.received(), (std::vector<std::string>{bytes({0xBB, 7, 0}), bytes({0xBB, 7, 0})}));
}

TEST(Dispatcher, TheExternalPlayerSendsTheFileValueItself)
{
    Fixture f;
    f.settings.ExternalMCI = true;
    const long volume = f.add(0, 0xB1, 7, 100); // nothing handed it over: Extra stays 0
    f.finish();
    f.sent(volume);
    EXPECT_EQ(f.mixer.CtrlValue[0][1], 100);
    EXPECT_EQ(f.received(), std::vector<std::string>{bytes({0xB1, 7, 78})});
}
