// Damaged and hostile input: real karaoke files are often broken, and a file
// that is not a MIDI file at all must give a clear error, never a crash.
#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

/// A reader that keeps the errors it raised.
struct Reader {
    Midifile mf;
    std::vector<int> errors;
    std::vector<std::string> texts;

    Reader() { mf.onError = [this](int n, const std::string& m) { errors.push_back(n), texts.push_back(m); }; }
    std::vector<ReadEvent> open(const std::string& path)
    {
        mf.setFileName(path);
        mf.setAction(1);
        return readAll(mf);
    }
    std::vector<ReadEvent> load(const std::string& bytes)
    {
        mf.loadBytes(bytes);
        return readAll(mf);
    }
};

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
    Reader r;
    // The last track's length runs past the end of the file; its last event is cut off.
    auto ev = r.open(testsDataDir() + "track_past_eof.mid");
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[4], (ReadEvent{2, 0, 0, 0x90, 0x3E, 0x40, "", ""}));
    EXPECT_EQ(ev[5], (ReadEvent{2, 16, 16, 0x80, 0x3E, 0, "", ""}));
    // A track without end-of-track ends with its chunk; the next track is intact.
    ev = r.open(testsDataDir() + "no_end_of_track.mid");
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[1], (ReadEvent{1, 16, 16, 0x80, 0x3C, 0, "", ""}));
    EXPECT_EQ(ev[2].track, 2);
    EXPECT_EQ(ev[2].text, "First");
    // Unknown chunks before and between the tracks are skipped.
    ev = r.open(testsDataDir() + "unknown_chunk.mid");
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[0].text, "First");
    EXPECT_EQ(ev[4].track, 2);
    EXPECT_TRUE(r.errors.empty());
}

TEST(MidifileDamage, TracksAreTheChunksActuallyFound)
{
    SmfWriter w;
    w.track().note(0, 0, 60, 64).noteOff(16, 0, 60).end();
    const std::string one = w.bytes();
    std::string claimsThree = one, zero = one;
    claimsThree[11] = 3;
    zero[11] = 0;
    Reader r;
    r.load(claimsThree);
    EXPECT_EQ(r.mf.TrackCount(), 1);
    // Chunks after the tracks the header announces are not tracks of the song.
    r.load(one + "MTrk" + be32(4) + kNoteOn);
    EXPECT_EQ(r.mf.TrackCount(), 1);
    // A track length too short: the next track is found all the same.
    const std::string body = one.substr(22);
    std::string shortLength = oneTrack(body, 2) + "MTrk" + be32(4) + kNoteOn;
    shortLength.replace(18, 4, be32(uint32_t(body.size() - 4)));
    auto ev = r.load(shortLength);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[1].status, 0x80);
    EXPECT_EQ(ev[2], (ReadEvent{2, 0, 0, 0x90, 0x3C, 0x40, "", ""}));
    EXPECT_TRUE(r.errors.empty());
    // An unknown chunk whose length runs past the end ends the file.
    r.load(one.substr(0, 14) + "JUNK" + be32(1000000) + one.substr(14));
    EXPECT_EQ(r.mf.TrackCount(), 0);
    // The header says no tracks: nothing to play, however many chunks follow.
    r.load(zero);
    EXPECT_EQ(r.mf.TrackCount(), 0);
    EXPECT_EQ(r.errors, (std::vector<int>{Midifile::kErrorNotMidi, Midifile::kErrorNotMidi}));
    EXPECT_NE(r.texts[1].find("no tracks"), std::string::npos);
}

TEST(MidifileDamage, BrokenEventsEndTheirTrackKeepingWhatCameBefore)
{
    const std::vector<std::pair<const char*, std::string>> cases = {
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
    for (const auto& [what, bytes] : cases) {
        auto ev = readBytes(oneTrack(kNoteOn + bytes + "\x00\x90\x3E\x40"));
        ASSERT_EQ(ev.size(), 1u) << what;
        EXPECT_EQ(ev[0].data1, 0x3C) << what;
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
    const std::string good = w.bytes(), riff = "RIFF" + std::string("\x10\0\0\0", 4) + "RMID";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"text", "This is not a MIDI file at all.\n"},
        {"random", randomBytes(1 << 20, 7)},
        {"header id only", "MThd"},
        {"header cut short", good.substr(0, 12)},
        {"header length below 6", "MThd" + be32(2) + be16(1) + good.substr(14)},
        {"header but no track", good.substr(0, 14)},
        {"riff without data chunk", riff + "info" + std::string("\x04\0\0\0", 4) + "abcd"},
        {"riff with a huge chunk", riff + "info" + std::string("\xF0\xFF\xFF\xFF", 4) + good},
    };
    Reader r;
    r.mf.setFileName("/songs/odd.mid");
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        r.load(good); // a song read before is replaced
        ASSERT_EQ(r.mf.TrackCount(), 1);
        r.errors.clear();
        EXPECT_TRUE(r.load(bytes).empty());
        EXPECT_EQ(r.mf.TrackCount(), 0);
        EXPECT_EQ(r.errors, (std::vector<int>{Midifile::kErrorNotMidi}));
        EXPECT_NE(r.texts.back().find("\"/songs/odd.mid\""), std::string::npos) << r.texts.back();
    }
    // A RIFF data chunk that runs past the end is read up to the end.
    r.load(riff + "data" + std::string("\xFF\xFF\0\0", 4) + good);
    EXPECT_EQ(r.mf.TrackCount(), 1);
}

TEST(MidifileDamage, FilesThatCannotBeOpenedRaiseError1103)
{
    const std::string dir = tempDir();
    std::vector<std::string> paths = {dir + "missing.mid", dir};
    if (::geteuid() != 0) { // as root, file permissions do not stop reading
        SmfWriter w;
        w.track().end();
        ASSERT_TRUE(w.save(dir + "locked.mid"));
        ::chmod((dir + "locked.mid").c_str(), 0);
        paths.push_back(dir + "locked.mid");
    }
    for (const std::string& path : paths) {
        Reader r;
        EXPECT_TRUE(r.open(path).empty());
        EXPECT_EQ(r.errors, (std::vector<int>{Midifile::kErrorCannotOpen})) << path;
        EXPECT_NE(r.texts[0].find(path), std::string::npos) << r.texts[0];
    }
    Midifile mf;
    mf.setFileName(dir + "missing.mid");
    mf.setAction(1); // no handler attached: still no crash
    EXPECT_EQ(mf.TrackCount(), 0);
}

TEST(MidifileDamage, HugeFilesAreRefusedOrReadQuickly)
{
    const std::string dir = tempDir();
    // Far too large: refused without reading (a sparse file costs no disk).
    writeFile(dir + "huge.mid", "MThd");
    std::filesystem::resize_file(dir + "huge.mid", Midifile::kMaxFileSize + 1);
    Reader huge;
    EXPECT_TRUE(huge.open(dir + "huge.mid").empty());
    EXPECT_EQ(huge.errors, (std::vector<int>{Midifile::kErrorTooLarge}));
    std::filesystem::remove(dir + "huge.mid");

    // 100 MB of random bytes: refused at a glance, or, behind a MIDI header, read
    // as one giant track that ends at the first byte that cannot start an event.
    const std::string noise = randomBytes(100u << 20, 11), path = dir + "noise.mid";
    ASSERT_TRUE(writeFile(path, noise));
    Reader r;
    EXPECT_TRUE(r.open(path).empty());
    EXPECT_EQ(r.errors, (std::vector<int>{Midifile::kErrorNotMidi}));
    ASSERT_TRUE(writeFile(path, oneTrack(noise)));
    EXPECT_LT(r.open(path).size(), 1000u);
    EXPECT_EQ(r.errors.size(), 1u);
    std::filesystem::remove(path);
}
