// What the reader's properties give beyond the events themselves (those are
// compared with midicsv): tempo, key, texts, selection and closing.
#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// Loads a file of tests/data; fails the test on any error.
void open(Midifile& mf, const std::string& name)
{
    mf.setFileName(testsDataDir() + name);
    mf.onError = [](int n, const std::string& m) { ADD_FAILURE() << n << " " << m; };
    mf.setAction(1);
}

} // namespace

TEST(Midifile, TempoKeyAndTextOfTheSelectedEvent)
{
    Midifile mf;
    open(mf, "format0_running.mid");
    EXPECT_EQ(mf.Tempo(), 400000); // the song's tempo before any event is selected
    mf.setTrack(1);
    mf.setEventIndex(3); // tempo
    EXPECT_EQ(mf.Text(), "");
    mf.setTempo(500000);
    EXPECT_EQ(mf.Tempo(), 400000); // the selected event's own tempo wins
    mf.setEventIndex(5); // key signature: 3 flats, minor
    EXPECT_EQ(mf.KeySignature(), 253);
    EXPECT_EQ(mf.KeyMode(), 1);
    EXPECT_EQ(mf.Tempo(), 500000); // not a tempo event: what setTempo put
    mf.setEventIndex(2); // title
    EXPECT_EQ(mf.Text(), "Running status");
    EXPECT_EQ(mf.KeySignature(), 0);
    EXPECT_EQ(mf.KeyMode(), 0);
    mf.setEventIndex(10); // unknown meta type 0x60: raw data, no text
    EXPECT_EQ(mf.Text(), "");
}

TEST(Midifile, InitialTempoIsTheFirstTempoAtTickZeroOfTheFirstTrackWithOne)
{
    SmfWriter w;
    w.track().tempo(10, 300000).end();                      // not at tick 0
    w.track().text(0, 1, "x").meta(0, 0x51, "\x07").end();  // too short to count
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
    std::vector<std::string> ta, tb;
    for (const ReadEvent& e : readAll(a)) ta.push_back(e.text);
    for (const ReadEvent& e : readAll(b)) tb.push_back(e.text);
    EXPECT_EQ(ta, tb);
    std::erase(ta, "");
    EXPECT_EQ(ta, (std::vector<std::string>{"@KMIDI KARAOKE FILE", "Words", "@TCanción", "\\Can", "ción ", "del ",
                                            "año", "/€5 ", "¿sí?", "¡olé!"}));
}

TEST(Midifile, TextDecodingPrefersValidUtf8)
{
    for (auto [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             {"plain", "plain"}, {"\xE2\x82\xAC", "€"}, {"\x80\x96\x9F", "€–Ÿ"}, {"\xF0\x9F\x8E\xA4", "🎤"},
             // Bytes that only look like UTF-8 are read as Windows-1252.
             {"\xC0\x80", "À€"} /* overlong */, {"\xED\xA0\x80", "í\xC2\xA0€"} /* surrogate */,
             {"\xE2\x82", "â‚"} /* cut short */, {"\xF5\x80\x80\x80", "õ€€€"} /* above U+10FFFF */,
             // Undefined code points keep their own value.
             {"\x81\x8D", "\xC2\x81\xC2\x8D"}, {std::string("a\0b", 3), std::string("a\0b", 3)}})
        EXPECT_EQ(decodeMidiText(bytes), text);
}

TEST(Midifile, TextEncodingSettingReadsTheTextsAgainAndOutlivesClosing)
{
    // "Привет" in Windows-1251; too short for detection, so the old rule reads it first.
    const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";
    SmfWriter w;
    w.track().text(0, 1, cyrillic).text(0, 5, "ASCII").end();
    Midifile mf;
    EXPECT_EQ(mf.TextEncoding(), "") << "nothing read yet";
    mf.loadBytes(w.bytes());
    EXPECT_EQ(mf.TextEncoding(), "WINDOWS-1252");
    auto firstText = [&mf] {
        mf.setTrack(1);
        mf.setEventIndex(1);
        return mf.Text();
    };
    EXPECT_EQ(firstText(), "Ïðèâåò");

    mf.setTextEncoding("WINDOWS-1251");
    EXPECT_EQ(mf.TextEncoding(), "WINDOWS-1251");
    EXPECT_EQ(firstText(), "Привет");
    mf.setEventIndex(2);
    EXPECT_EQ(mf.Text(), "ASCII");
    EXPECT_EQ(mf.decodeText(cyrillic), "Привет") << "texts outside meta events too";

    mf.setAction(2);
    mf.loadBytes(w.bytes());
    EXPECT_EQ(firstText(), "Привет") << "the setting holds for the next file";
    mf.setTextEncoding("auto");
    EXPECT_EQ(firstText(), "Ïðèâåò");
}

TEST(Midifile, SelectionOutOfRangeYieldsNothingAndNeverFails)
{
    Midifile mf;
    open(mf, "format2.mid");
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
    for (long i : {0L, 4L, -7L, 1L << 40}) {
        mf.setEventIndex(i);
        EXPECT_EQ(mf.EventIndex(), 0);
        EXPECT_EQ(mf.Status(), 0);
        EXPECT_EQ(mf.EventTime(), 0);
        EXPECT_EQ(mf.DataString(), "");
    }
    // Selecting a track deselects the event, and selecting an event replaces Text and DataString.
    mf.setEventIndex(1);
    EXPECT_EQ(mf.DataString(), "\x0A\xAE\x60");
    mf.setTrack(1);
    EXPECT_EQ(mf.EventIndex(), 0);
    EXPECT_EQ(mf.Status(), 0);
    EXPECT_EQ(mf.DataString(), "");
    mf.setText("stale");
    mf.setDataString("stale");
    mf.setEventIndex(2); // a note: no text, no data
    EXPECT_EQ(mf.Text(), "");
    EXPECT_EQ(mf.DataString(), "");
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
    EXPECT_EQ(mf.FileName(), testsDataDir() + "format2.mid");
    mf.setAction(7); // unknown actions do nothing
    mf.setAction(1); // reopens
    EXPECT_EQ(mf.TrackCount(), 2);
}

TEST(Midifile, DeltaTimesOfOneToFourBytesReadWholeAndAFifthByteEndsTheTrack)
{
    // Delta times at each length's edges: 127 | 128, 16383 | 16384, 2097151 | 2097152, 0x0FFFFFFF.
    const std::vector<uint32_t> deltas = {0, 127, 128, 16383, 16384, 2097151, 2097152, 0x0FFFFFFF};
    SmfWriter w(1, 480);
    SmfTrack& t = w.track();
    for (uint32_t d : deltas) t.note(d, 0, 60, 100);
    t.end();
    Midifile mf;
    mf.setFileName("deltas.mid");
    mf.loadBytes(w.bytes());
    mf.setTrack(1);
    ASSERT_GE(mf.EventCount(), long(deltas.size()));
    for (size_t i = 0; i < deltas.size(); ++i) {
        mf.setEventIndex(long(i) + 1);
        EXPECT_EQ(mf.EventTime(), long(deltas[i])) << "event " << i + 1;
    }

    // Five bytes with the continuation bit: no number of MIDI's, the track ends before it.
    std::string track = vlq(0) + std::string("\x90\x3C\x64", 3) + std::string("\x81\x80\x80\x80\x00", 5) +
                        std::string("\x80\x3C\x00", 3);
    const std::string bytes = std::string("MThd") + be32(6) + be16(0) + be16(1) + be16(480) + "MTrk" +
                              be32(uint32_t(track.size())) + track;
    Midifile bad;
    bad.setFileName("long-delta.mid");
    bad.onError = [](int, const std::string&) {};
    bad.loadBytes(bytes);
    bad.setTrack(1);
    EXPECT_EQ(bad.EventCount(), 1) << "the note before the broken delta is kept";
}
