// Every MIDI file we have, read by our reader and listed by midicsv: the two
// must agree event for event.
#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using namespace lirmus;
using namespace lirmus::test;

namespace {

// Damaged on purpose; midicsv cannot read them (it stops, or reads past the chunk
// into the next one). MidifileDamageTest checks them event by event instead.
const std::set<std::string> kDamaged = {"no_end_of_track.mid", "unknown_chunk.mid", "track_past_eof.mid"};

/// The fields of one CSV record; quoted fields lose their quotes and have midicsv's escapes undone.
std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    for (size_t i = 0;; ++i) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::string f;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size() && (line[i] != '"' || line[i + 1] == '"'); ++i) {
                if (line[i] == '"' || (line[i] == '\\' && line[i + 1] == '\\')) {
                    ++i; // a doubled quote or an escaped backslash
                } else if (line[i] == '\\') { // \ooo: a byte in octal
                    f += char(std::stoi(line.substr(i + 1, 3), nullptr, 8));
                    i += 3;
                    continue;
                }
                f += line[i];
            }
        } else {
            f = line.substr(i, line.find(',', i) - i);
        }
        out.push_back(f);
        if ((i = line.find(',', i)) == std::string::npos) return out;
    }
}

std::string be(long v, int n)
{
    std::string out;
    for (int i = n - 1; i >= 0; --i) out += char(v >> (8 * i));
    return out;
}

std::string bytesFrom(const std::vector<std::string>& f, size_t from)
{
    std::string out;
    for (size_t i = from; i < f.size(); ++i) out += char(std::stoi(f[i]));
    return out;
}

struct Listing {
    int format = 0, tracks = 0, division = 0;
    std::vector<ReadEvent> events; // text stays empty: compared separately
};

/// Turns midicsv's records into the events our reader yields (status, data bytes, DataString).
Listing parseListing(const std::string& csv)
{
    // How a meta record writes its data: 't' a text, 'n' one number of n bytes,
    // 'k' a key signature, 'b' the bytes from field n on.
    struct Meta { const char* name; int type; char how; int n; };
    static const Meta kMetas[] = {
        {"Text_t", 1, 't', 0}, {"Copyright_t", 2, 't', 0}, {"Title_t", 3, 't', 0}, {"Instrument_name_t", 4, 't', 0},
        {"Lyric_t", 5, 't', 0}, {"Marker_t", 6, 't', 0}, {"Cue_point_t", 7, 't', 0}, {"End_track", 0x2F, 'b', 9},
        {"Sequence_number", 0, 'n', 2}, {"Channel_prefix", 0x20, 'n', 1}, {"MIDI_port", 0x21, 'n', 1},
        {"Tempo", 0x51, 'n', 3}, {"SMPTE_offset", 0x54, 'b', 3}, {"Time_signature", 0x58, 'b', 3},
        {"Key_signature", 0x59, 'k', 0}, {"Sequencer_specific", 0x7F, 'b', 4}, {"Unknown_meta_event", -1, 'b', 5}};
    static const std::vector<std::string> kChannel = {"Note_off_c", "Note_on_c", "Poly_aftertouch_c", "Control_c",
                                                      "Program_c", "Channel_aftertouch_c", "Pitch_bend_c"};
    Listing l;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
        const auto f = fields(line);
        const std::string& type = f.at(2);
        if (type == "Header") l.format = std::stoi(f[3]), l.tracks = std::stoi(f[4]), l.division = std::stoi(f[5]);
        if (type == "Header" || type == "Start_track" || type == "End_of_file") continue;
        ReadEvent e;
        e.track = std::stoi(f[0]);
        e.tick = std::stol(f[1]);
        const auto channel = std::find(kChannel.begin(), kChannel.end(), type);
        const auto meta = std::find_if(std::begin(kMetas), std::end(kMetas), [&](const Meta& m) { return type == m.name; });
        if (channel != kChannel.end()) {
            e.status = 0x80 + 16 * int(channel - kChannel.begin()) + std::stoi(f[3]);
            e.data1 = std::stoi(f[4]);
            e.data2 = f.size() > 5 ? std::stoi(f[5]) : 0;
            if (e.status >= 0xE0) e.data2 = e.data1 >> 7, e.data1 &= 0x7F;
        } else if (meta != std::end(kMetas)) {
            e.status = 0xFF;
            e.data1 = meta->type < 0 ? std::stoi(f[3]) : meta->type;
            e.data = meta->how == 't'   ? f[3]
                     : meta->how == 'n' ? be(std::stol(f[3]), meta->n)
                     : meta->how == 'k' ? be(std::stol(f[3]), 1) + char(f[4] == "minor")
                                        : bytesFrom(f, size_t(meta->n));
        } else if (type == "System_exclusive" || type == "System_exclusive_packet") {
            e.status = 0xF0;
            e.data = (type == "System_exclusive" ? "\xF0" : "") + bytesFrom(f, 4);
        } else {
            ADD_FAILURE() << "unexpected midicsv record: " << line;
            continue;
        }
        l.events.push_back(e);
    }
    return l;
}

std::vector<std::string> songFiles()
{
    std::vector<std::string> files;
    for (const std::string& dir : {testsDataDir(), sharedTestData()}) {
        if (dir.empty()) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".mid" || ext == ".kar" || ext == ".rmi") files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(MidifileAgainstMidicsv, EveryFileReadsAsMidicsvListsIt)
{
    if (std::system("command -v midicsv >/dev/null 2>&1") != 0) GTEST_SKIP() << "midicsv is not installed";
    const std::string tmp = tempDir();
    int compared = 0;
    for (const std::string& file : songFiles()) {
        const std::string name = fs::path(file).filename().string();
        if (kDamaged.count(name)) continue;
        SCOPED_TRACE(name);
        // midicsv knows no RIFF wrapper: give it the MIDI file inside.
        const std::string bytes = readFile(file), input = tmp + name + ".mid", csv = tmp + name + ".csv";
        writeFile(input, bytes.substr(bytes.find("MThd")));
        ASSERT_EQ(std::system(("midicsv '" + input + "' '" + csv + "' 2>/dev/null").c_str()), 0);
        const Listing want = parseListing(readFile(csv));

        Midifile mf;
        mf.setFileName(file);
        mf.onError = [&](int n, const std::string& m) { ADD_FAILURE() << n << " " << m; };
        mf.setAction(1);
        EXPECT_EQ(mf.FileFormat(), want.format);
        EXPECT_EQ(mf.TrackCount(), want.tracks);
        EXPECT_EQ(mf.TimeFormat(), want.division < 0 ? 1 : 0);
        EXPECT_EQ(mf.Division(), want.division < 0 ? want.division & 0xFF : want.division);
        std::vector<ReadEvent> got = readAll(mf);
        for (ReadEvent& e : got) {
            const bool textMeta = e.status == 0xFF && e.data1 >= 1 && e.data1 <= 15;
            EXPECT_EQ(e.text, textMeta ? decodeMidiText(e.data) : std::string()) << testing::PrintToString(e);
            e.text.clear();
            e.delta = 0;
        }
        EXPECT_EQ(got.size(), want.events.size());
        const auto [ours, theirs] = std::mismatch(got.begin(), got.end(), want.events.begin(), want.events.end());
        if (ours != got.end() && theirs != want.events.end())
            ADD_FAILURE() << "event " << (ours - got.begin()) << ": ours " << testing::PrintToString(*ours)
                          << ", midicsv " << testing::PrintToString(*theirs);
        ++compared;
    }
    // Seven readable files of our own, and the ten real songs when they are there.
    EXPECT_GE(compared, lirmus::test::sharedTestData().empty() ? 7 : 17);
}
