// Damaged and hostile input: real karaoke files are often broken, and a file
// that is not a MIDI file at all must give a clear error, never a crash.
#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using lirmus::Midifile;
using lirmus::test::be16;
using lirmus::test::be32;
using lirmus::test::readAll;
using lirmus::test::readBytes;
using lirmus::test::ReadEvent;
using lirmus::test::SmfTrack;
using lirmus::test::SmfWriter;

namespace {

struct Errors {
    std::vector<std::pair<int, std::string>> raised;
    void attach(Midifile& mf)
    {
        mf.onError = [this](int n, const std::string& m) { raised.emplace_back(n, m); };
    }
};

std::string dataFile(const std::string& name) { return lirmus::test::midiDataFile(name); }

std::vector<ReadEvent> readFile(const std::string& path, Errors& errors)
{
    Midifile mf;
    errors.attach(mf);
    mf.setFileName(path);
    mf.setAction(1);
    return readAll(mf);
}

/// A file of one track holding exactly the given bytes.
std::string oneTrack(const std::string& body, int declaredTracks = 1)
{
    return "MThd" + be32(6) + be16(1) + be16(uint16_t(declaredTracks)) + be16(96) + "MTrk" +
           be32(uint32_t(body.size())) + body;
}

std::string randomBytes(size_t n, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::string s(n, '\0');
    for (size_t i = 0; i + 8 <= n; i += 8) {
        uint64_t v = rng();
        std::memcpy(&s[i], &v, 8);
    }
    return s;
}

const std::string kNoteOn = std::string("\x00\x90\x3C\x40", 4);

} // namespace

TEST(MidifileDamage, DamagedTracksAreReadAsFarAsTheyGo)
{
    Errors errors;
    // The last track's length runs past the end of the file; its last event is cut off.
    auto ev = readFile(dataFile("track_past_eof.mid"), errors);
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[4], (ReadEvent{2, 0, 0, 0x90, 0x3E, 0x40, "", ""}));
    EXPECT_EQ(ev[5], (ReadEvent{2, 16, 16, 0x80, 0x3E, 0, "", ""}));

    // A track without end-of-track ends with its chunk; the next track is intact.
    ev = readFile(dataFile("no_end_of_track.mid"), errors);
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[1], (ReadEvent{1, 16, 16, 0x80, 0x3C, 0, "", ""}));
    EXPECT_EQ(ev[2].track, 2);
    EXPECT_EQ(ev[2].text, "First");

    // Unknown chunks before and between the tracks are skipped.
    ev = readFile(dataFile("unknown_chunk.mid"), errors);
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[0].text, "First");
    EXPECT_EQ(ev[4].track, 2);
    EXPECT_TRUE(errors.raised.empty());
}

TEST(MidifileDamage, TrackCountIsTheTracksActuallyFound)
{
    SmfWriter w;
    w.track().note(0, 0, 60, 64).end();
    std::string one = w.bytes();
    std::string claimsThree = one;
    claimsThree[11] = 3;
    Midifile mf;
    Errors errors;
    errors.attach(mf);
    mf.loadBytes(claimsThree);
    EXPECT_EQ(mf.TrackCount(), 1);
    // Chunks after the tracks the header announces are not tracks of the song.
    mf.loadBytes(one + "MTrk" + be32(4) + kNoteOn);
    EXPECT_EQ(mf.TrackCount(), 1);
    // An unknown chunk whose length runs past the end ends the file.
    mf.loadBytes(claimsThree.substr(0, 14) + "JUNK" + be32(1000000) + one.substr(14));
    EXPECT_EQ(mf.TrackCount(), 0);
    ASSERT_EQ(errors.raised.size(), 1u);
    EXPECT_EQ(errors.raised[0].first, Midifile::kErrorNotMidi);
    // The header says no tracks: nothing to play, however many chunks follow.
    std::string zero = one;
    zero[11] = 0;
    mf.loadBytes(zero);
    EXPECT_EQ(mf.TrackCount(), 0);
    ASSERT_EQ(errors.raised.size(), 2u);
    EXPECT_NE(errors.raised[1].second.find("no tracks"), std::string::npos);
}

TEST(MidifileDamage, WrongTrackLengthFindsTheNextTrack)
{
    SmfTrack t;
    t.note(0, 0, 60, 64).noteOff(16, 0, 60).end();
    std::string body = t.bytes();
    std::string file = "MThd" + be32(6) + be16(1) + be16(2) + be16(96) + "MTrk" + be32(uint32_t(body.size() - 4)) +
                       body + "MTrk" + be32(4) + kNoteOn;
    auto ev = readBytes(file);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[1].status, 0x80);
    EXPECT_EQ(ev[2], (ReadEvent{2, 0, 0, 0x90, 0x3C, 0x40, "", ""}));
}

TEST(MidifileDamage, BrokenEventsEndTheirTrackKeepingWhatCameBefore)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"delta longer than 4 bytes", std::string("\xFF\xFF\xFF\xFF\x7F\x90\x3C\x40", 8)},
        {"meta length longer than 4 bytes", std::string("\x00\xFF\x01\x80\x80\x80\x80\x01x", 9)},
        {"meta length past the end", std::string("\x00\xFF\x01\x7F" "abc", 7)},
        {"huge meta length", std::string("\x00\xFF\x01\xFF\xFF\xFF\x7F" "abc", 10)},
        {"sysex length past the end", std::string("\x00\xF0\x85\x00\x41\xF7", 6)},
        {"escape length past the end", std::string("\x00\xF7\x05\x41", 4)},
        {"status byte that cannot be in a file", std::string("\x00\xF4\x00\x00", 4)},
        {"note cut off", std::string("\x00\x90\x3C", 3)},
        {"delta without event", std::string("\x00", 1)},
        {"meta without type", std::string("\x00\xFF", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto ev = readBytes(oneTrack(kNoteOn + c.bytes + "\x00\x90\x3E\x40"));
        ASSERT_EQ(ev.size(), 1u);
        EXPECT_EQ(ev[0].data1, 0x3C);
    }
    // A data byte with no status before it cannot be read at all.
    EXPECT_TRUE(readBytes(oneTrack(std::string("\x00\x3C\x40", 3))).empty());
    // Running status goes on after a meta event, as broken files expect.
    auto ev = readBytes(oneTrack(kNoteOn + std::string("\x00\xFF\x01\x01x\x00\x3E\x40", 8)));
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[2], (ReadEvent{1, 0, 0, 0x90, 0x3E, 0x40, "", ""}));
    // Stray high bits in data bytes are dropped, so no value above 127 reaches the output.
    ev = readBytes(oneTrack(std::string("\x00\xB0\x87\xFF", 4)));
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].data1, 0x07);
    EXPECT_EQ(ev[0].data2, 0x7F);
}

TEST(MidifileDamage, NotAMidiFileReadsAsNoTracksWithAnError)
{
    SmfWriter w;
    w.track().note(0, 0, 60, 64).end();
    std::string good = w.bytes();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"text", "This is not a MIDI file at all.\n"},
        {"random", randomBytes(1 << 20, 7)},
        {"header id only", "MThd"},
        {"header cut short", good.substr(0, 12)},
        {"header length below 6", "MThd" + be32(2) + be16(1) + good.substr(14)},
        {"header but no track", good.substr(0, 14)},
        {"riff without data chunk", "RIFF" + std::string("\x10\0\0\0", 4) + "RMIDinfo" + std::string("\x04\0\0\0", 4) + "abcd"},
        {"riff with a huge chunk", "RIFF" + std::string("\x10\0\0\0", 4) + "RMIDinfo" + std::string("\xF0\xFF\xFF\xFF", 4) + good},
    };
    Midifile mf;
    Errors errors;
    errors.attach(mf);
    mf.setFileName("/songs/odd.mid");
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        mf.loadBytes(good); // a song read before is replaced
        ASSERT_EQ(mf.TrackCount(), 1);
        errors.raised.clear();
        mf.loadBytes(bytes);
        EXPECT_EQ(mf.TrackCount(), 0);
        mf.setTrack(1);
        EXPECT_EQ(mf.EventCount(), 0);
        ASSERT_EQ(errors.raised.size(), 1u);
        EXPECT_EQ(errors.raised[0].first, Midifile::kErrorNotMidi);
        EXPECT_NE(errors.raised[0].second.find("\"/songs/odd.mid\""), std::string::npos) << errors.raised[0].second;
    }
    // A RIFF data chunk that runs past the end is read up to the end.
    std::string riff = "RIFF" + std::string("\x10\0\0\0", 4) + "RMIDdata" + std::string("\xFF\xFF\0\0", 4) + good;
    mf.loadBytes(riff);
    EXPECT_EQ(mf.TrackCount(), 1);
}

TEST(MidifileDamage, FilesThatCannotBeOpenedRaiseError1103)
{
    std::string dir = lirmus::test::tempDir();
    Errors errors;
    for (const std::string& path : {dir + "missing.mid", dir}) {
        errors.raised.clear();
        EXPECT_TRUE(readFile(path, errors).empty());
        ASSERT_EQ(errors.raised.size(), 1u);
        EXPECT_EQ(errors.raised[0].first, Midifile::kErrorCannotOpen);
        EXPECT_NE(errors.raised[0].second.find(path), std::string::npos) << errors.raised[0].second;
    }
    Midifile mf;
    mf.setFileName(dir + "missing.mid");
    mf.setAction(1); // no handler attached: still no crash
    EXPECT_EQ(mf.TrackCount(), 0);
}

TEST(MidifileDamage, UnreadableFileRaisesError1103)
{
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop reading";
    std::string path = lirmus::test::tempDir() + "locked.mid";
    SmfWriter w;
    w.track().end();
    ASSERT_TRUE(w.save(path));
    ::chmod(path.c_str(), 0);
    Errors errors;
    EXPECT_TRUE(readFile(path, errors).empty());
    ASSERT_EQ(errors.raised.size(), 1u);
    EXPECT_EQ(errors.raised[0].first, Midifile::kErrorCannotOpen);
}

TEST(MidifileDamage, HugeFilesAreRefusedOrReadQuickly)
{
    std::string dir = lirmus::test::tempDir();
    // Far too large: refused without reading (a sparse file costs no disk).
    std::string huge = dir + "huge.mid";
    lirmus::test::writeFile(huge, "MThd");
    std::filesystem::resize_file(huge, Midifile::kMaxFileSize + 1);
    Errors errors;
    EXPECT_TRUE(readFile(huge, errors).empty());
    ASSERT_EQ(errors.raised.size(), 1u);
    EXPECT_EQ(errors.raised[0].first, Midifile::kErrorTooLarge);
    std::filesystem::remove(huge);

    // 100 MB of random bytes: refused at a glance, or, behind a MIDI header, read
    // as one giant track that ends at the first byte that cannot start an event.
    std::string noise = randomBytes(100u << 20, 11);
    std::string path = dir + "noise.mid";
    ASSERT_TRUE(lirmus::test::writeFile(path, noise));
    errors.raised.clear();
    EXPECT_TRUE(readFile(path, errors).empty());
    ASSERT_EQ(errors.raised.size(), 1u);
    EXPECT_EQ(errors.raised[0].first, Midifile::kErrorNotMidi);
    ASSERT_TRUE(lirmus::test::writeFile(path, oneTrack(noise)));
    errors.raised.clear();
    auto ev = readFile(path, errors);
    EXPECT_TRUE(errors.raised.empty());
    EXPECT_LT(ev.size(), 1000u);
    std::filesystem::remove(path);
}
