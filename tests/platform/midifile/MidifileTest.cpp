#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

using lirmus::decodeMidiText;
using lirmus::Midifile;
using lirmus::test::readAll;
using lirmus::test::ReadEvent;
using lirmus::test::SmfWriter;

namespace {

std::string dataFile(const std::string& name) { return lirmus::test::midiDataFile(name); }

/// Loads a file of tests/data; fails the test on any error.
void open(Midifile& mf, const std::string& name)
{
    mf.setFileName(dataFile(name));
    mf.onError = [](int n, const std::string& m) { ADD_FAILURE() << n << " " << m; };
    mf.setAction(1);
}

} // namespace

TEST(Midifile, SystemExclusiveDataStringIsTheMessageOnTheWire)
{
    Midifile mf;
    open(mf, "sysex_forms.mid");
    auto ev = readAll(mf);
    ASSERT_EQ(ev.size(), 10u);
    // F0 form: F0 + the stored bytes, which end with F7.
    EXPECT_EQ(ev[1], (ReadEvent{1, 0, 0, 240, 0, 0, std::string("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11), ""}));
    // A message split in packets: the start has no F7, the F7 packets hold the rest as stored.
    EXPECT_EQ(ev[2].data, std::string("\xF0\x43\x12\x00", 4));
    EXPECT_EQ(ev[3].data, "\x43\x12\xF7");
    EXPECT_EQ(ev[3].status, 240);
    // Escape: any bytes, sent as they are.
    EXPECT_EQ(ev[4].data, "\xF8\xFA");
    EXPECT_EQ(ev[5].data, "\xF0");
}

TEST(Midifile, MetaEventsGiveTypeDataTempoAndKey)
{
    Midifile mf;
    open(mf, "format0_running.mid");
    ASSERT_EQ(mf.TrackCount(), 1);
    EXPECT_EQ(mf.FileFormat(), 0);
    EXPECT_EQ(mf.Tempo(), 400000); // the song's tempo before any event is selected
    mf.setTrack(1);
    EXPECT_EQ(mf.Tempo(), 400000);

    mf.setEventIndex(3); // tempo
    EXPECT_EQ(mf.Status(), 255);
    EXPECT_EQ(mf.Data1(), 0x51);
    EXPECT_EQ(mf.Data2(), 0);
    EXPECT_EQ(mf.DataString(), "\x06\x1A\x80");
    EXPECT_EQ(mf.Text(), "");
    mf.setTempo(500000);
    EXPECT_EQ(mf.Tempo(), 400000); // the selected event's own tempo wins
    mf.setEventIndex(5); // key signature: 3 flats, minor
    EXPECT_EQ(mf.Data1(), 0x59);
    EXPECT_EQ(mf.KeySignature(), 253);
    EXPECT_EQ(mf.KeyMode(), 1);
    EXPECT_EQ(mf.Tempo(), 500000); // not a tempo event: what setTempo put
    mf.setEventIndex(2); // title
    EXPECT_EQ(mf.Text(), "Running status");
    EXPECT_EQ(mf.DataString(), "Running status");
    EXPECT_EQ(mf.KeySignature(), 0);
    EXPECT_EQ(mf.KeyMode(), 0);
    mf.setEventIndex(10); // unknown meta type 0x60: raw data, no text
    EXPECT_EQ(mf.Data1(), 0x60);
    EXPECT_EQ(mf.DataString(), "\x01\x02");
    EXPECT_EQ(mf.Text(), "");
}

TEST(Midifile, InitialTempoIsTheFirstTempoAtTickZeroOfTheFirstTrackWithOne)
{
    SmfWriter w;
    w.track().tempo(10, 300000).end();               // not at tick 0
    w.track().text(0, 1, "x").meta(0, 0x51, "\x07").end(); // too short to count
    w.track().note(0, 0, 60, 1).tempo(0, 700000).tempo(0, 800000).end();
    w.track().tempo(0, 900000).end();
    Midifile mf;
    mf.loadBytes(w.bytes());
    EXPECT_EQ(mf.Tempo(), 700000);

    SmfWriter none;
    none.track().tempo(1, 300000).end();
    mf.loadBytes(none.bytes());
    EXPECT_EQ(mf.Tempo(), 0);
    mf.setTempo(500000);
    EXPECT_EQ(mf.Tempo(), 500000);
    mf.setTrack(1);
    mf.setEventIndex(1);
    EXPECT_EQ(mf.Tempo(), 300000);
}

TEST(Midifile, LyricsReadTheSameInWindows1252AndUtf8)
{
    Midifile a, b;
    open(a, "lyrics_cp1252.kar");
    open(b, "lyrics_utf8.kar");
    auto ea = readAll(a), eb = readAll(b);
    ASSERT_EQ(ea.size(), eb.size());
    std::vector<std::string> texts;
    for (size_t i = 0; i < ea.size(); ++i) {
        EXPECT_EQ(ea[i].text, eb[i].text);
        if (!ea[i].text.empty()) texts.push_back(ea[i].text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"@KMIDI KARAOKE FILE", "Words", "@TCanción", "\\Can", "ción ", "del ",
                                               "año", "/€5 ", "¿sí?", "¡olé!"}));
    // DataString keeps the bytes of the file.
    EXPECT_EQ(ea[6].data, "ci\xF3n ");
    EXPECT_EQ(eb[6].data, "ci\xC3\xB3n ");
    EXPECT_EQ(ea.back().status, 255);
    EXPECT_EQ(ea[ea.size() - 2].data1, 5); // lyric meta
}

TEST(Midifile, TextDecodingPrefersValidUtf8)
{
    EXPECT_EQ(decodeMidiText("plain"), "plain");
    EXPECT_EQ(decodeMidiText("\xE2\x82\xAC"), "€");
    EXPECT_EQ(decodeMidiText("\x80\x96\x9F"), "€–Ÿ");
    // Bytes that only look like UTF-8 are read as Windows-1252.
    EXPECT_EQ(decodeMidiText("\xC0\x80"), "À€");         // overlong
    EXPECT_EQ(decodeMidiText("\xED\xA0\x80"), "í\xC2\xA0€"); // surrogate
    EXPECT_EQ(decodeMidiText("\xE2\x82"), "â‚");        // cut short
    EXPECT_EQ(decodeMidiText("\xF5\x80\x80\x80"), "õ€€€"); // above U+10FFFF
    EXPECT_EQ(decodeMidiText("\xF0\x9F\x8E\xA4"), "🎤");
    // Undefined code points keep their own value.
    EXPECT_EQ(decodeMidiText("\x81\x8D"), "\xC2\x81\xC2\x8D");
    EXPECT_EQ(decodeMidiText(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Midifile, SelectionOutOfRangeYieldsNothingAndNeverFails)
{
    Midifile mf;
    open(mf, "format2.mid");
    ASSERT_EQ(mf.TrackCount(), 2);
    EXPECT_EQ(mf.FileFormat(), 2);
    EXPECT_EQ(mf.EventCount(), 0); // no track yet
    mf.setEventIndex(1);
    EXPECT_EQ(mf.Status(), 0);
    for (int t : {0, 3, -1}) {
        mf.setTrack(t);
        EXPECT_EQ(mf.Track(), 0);
        EXPECT_EQ(mf.EventCount(), 0);
    }
    mf.setTrack(2);
    ASSERT_EQ(mf.EventCount(), 3);
    mf.setEventIndex(2);
    EXPECT_EQ(mf.EventIndex(), 2);
    EXPECT_EQ(mf.Status(), 0x92);
    EXPECT_EQ(mf.EventTime(), 5);
    for (long i : {0L, 4L, -7L, 1L << 40}) {
        mf.setEventIndex(i);
        EXPECT_EQ(mf.EventIndex(), 0);
        EXPECT_EQ(mf.Status(), 0);
        EXPECT_EQ(mf.Data1(), 0);
        EXPECT_EQ(mf.EventTime(), 0);
        EXPECT_EQ(mf.DataString(), "");
    }
    // Selecting a track deselects the event.
    mf.setEventIndex(1);
    EXPECT_EQ(mf.DataString(), "\x0A\xAE\x60");
    mf.setTrack(1);
    EXPECT_EQ(mf.Track(), 1);
    EXPECT_EQ(mf.EventIndex(), 0);
    EXPECT_EQ(mf.Status(), 0);
    EXPECT_EQ(mf.DataString(), "");
    EXPECT_EQ(mf.Tempo(), 300000);
}

TEST(Midifile, SelectingAnEventReplacesTextAndDataString)
{
    Midifile mf;
    open(mf, "lyrics_utf8.kar");
    mf.setTrack(3);
    mf.setEventIndex(3);
    EXPECT_EQ(mf.Text(), "¡olé!");
    mf.setText("");
    EXPECT_EQ(mf.Text(), "");
    mf.setText("stale");
    mf.setDataString("stale");
    mf.setEventIndex(1); // a note: no text, no data
    EXPECT_EQ(mf.Text(), "");
    EXPECT_EQ(mf.DataString(), "");
}

TEST(Midifile, RiffWrapperAndSmpteDivision)
{
    Midifile mf;
    open(mf, "rmid_wrapper.rmi");
    ASSERT_EQ(mf.TrackCount(), 2);
    EXPECT_EQ(mf.Division(), 120);
    EXPECT_EQ(mf.Tempo(), 500000);
    auto ev = readAll(mf);
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[4], (ReadEvent{2, 120, 120, 0x90, 0x3C, 0, "", ""}));

    open(mf, "smpte.mid");
    EXPECT_EQ(mf.TimeFormat(), 1);
    EXPECT_EQ(mf.Division(), 40); // ticks per frame
    EXPECT_EQ(mf.TrackCount(), 1);
}

TEST(Midifile, CloseFreesTheSongAndKeepsTheName)
{
    Midifile mf;
    open(mf, "format2.mid");
    mf.setTrack(1);
    mf.setEventIndex(1);
    mf.setAction(2);
    EXPECT_EQ(mf.TrackCount(), 0);
    EXPECT_EQ(mf.Track(), 0);
    EXPECT_EQ(mf.Status(), 0);
    EXPECT_EQ(mf.Tempo(), 0);
    EXPECT_EQ(mf.FileName(), dataFile("format2.mid"));
    mf.setAction(7); // unknown actions do nothing
    mf.setAction(1); // reopens
    EXPECT_EQ(mf.TrackCount(), 2);
}
