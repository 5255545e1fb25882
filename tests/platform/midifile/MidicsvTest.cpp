// Every MIDI file we have, read by our reader and listed by midicsv: the two
// must agree event for event.
#include "Midifile.h"
#include "ReadBack.h"
#include "SmfWriter.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using lirmus::Midifile;
using lirmus::test::ReadEvent;

namespace {

// Damaged on purpose; midicsv cannot read them (it stops, or reads past the chunk
// into the next one). MidifileDamageTest checks them event by event instead.
const std::set<std::string> kDamaged = {"no_end_of_track.mid", "unknown_chunk.mid", "track_past_eof.mid"};

std::string findMidicsv()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        fs::path p = fs::path(dir) / "midicsv";
        if (!dir.empty() && ::access(p.c_str(), X_OK) == 0) return p.string();
    }
    return {};
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/// Splits one CSV record; quoted fields lose their quotes and have midicsv's escapes undone.
std::vector<std::string> splitRecord(const std::string& line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i <= line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::string f;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                char c = line[i];
                if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    f += '"';
                    ++i;
                } else if (c == '"') {
                    ++i;
                    break;
                } else if (c == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
                    f += '\\';
                    ++i;
                } else if (c == '\\' && i + 3 < line.size() && std::isdigit(uint8_t(line[i + 1]))) {
                    f += char(std::stoi(line.substr(i + 1, 3), nullptr, 8));
                    i += 3;
                } else {
                    f += c;
                }
            }
            while (i < line.size() && line[i] != ',') ++i;
        } else {
            size_t comma = line.find(',', i);
            if (comma == std::string::npos) comma = line.size();
            f = line.substr(i, comma - i);
            while (!f.empty() && (f.back() == ' ' || f.back() == '\r')) f.pop_back();
            i = comma;
        }
        fields.push_back(f);
        ++i; // past the comma
    }
    return fields;
}

struct Listing {
    int format = 0, tracks = 0, division = 0;
    std::vector<ReadEvent> events; // text stays empty: compared separately
};

std::string bytesFrom(const std::vector<std::string>& f, size_t from)
{
    std::string out;
    for (size_t i = from; i < f.size(); ++i) out += char(std::stoi(f[i]));
    return out;
}

std::string be(long v, int n)
{
    std::string out;
    for (int i = n - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

/// Turns midicsv's records into the events our reader yields (status, data bytes, DataString).
Listing parseListing(const std::string& csv)
{
    static const std::vector<std::pair<std::string, int>> kChannel = {
        {"Note_off_c", 0x80}, {"Note_on_c", 0x90}, {"Poly_aftertouch_c", 0xA0}, {"Control_c", 0xB0},
        {"Program_c", 0xC0}, {"Channel_aftertouch_c", 0xD0}, {"Pitch_bend_c", 0xE0}};
    static const std::vector<std::string> kTexts = {"Text_t", "Copyright_t", "Title_t", "Instrument_name_t",
                                                    "Lyric_t", "Marker_t", "Cue_point_t"};
    Listing l;
    std::stringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        auto f = splitRecord(line);
        if (f.size() < 3) continue;
        const std::string& type = f[2];
        if (type == "Header") {
            l.format = std::stoi(f[3]);
            l.tracks = std::stoi(f[4]);
            l.division = std::stoi(f[5]);
            continue;
        }
        if (type == "Start_track" || type == "End_of_file") continue;
        ReadEvent e;
        e.track = std::stoi(f[0]);
        e.tick = std::stol(f[1]);
        auto meta = [&](int t, std::string data) {
            e.status = 0xFF;
            e.data1 = t;
            e.data = std::move(data);
        };
        bool known = false;
        for (auto& [name, status] : kChannel) {
            if (type != name) continue;
            known = true;
            e.status = status | std::stoi(f[3]);
            if (status == 0xE0) {
                int v = std::stoi(f[4]);
                e.data1 = v & 0x7F;
                e.data2 = v >> 7;
            } else {
                e.data1 = std::stoi(f[4]);
                e.data2 = f.size() > 5 ? std::stoi(f[5]) : 0;
            }
        }
        for (size_t t = 0; t < kTexts.size(); ++t)
            if (type == kTexts[t]) {
                known = true;
                meta(int(t) + 1, f[3]);
            }
        if (known) {
        } else if (type == "End_track") {
            meta(0x2F, "");
        } else if (type == "Sequence_number") {
            meta(0x00, be(std::stol(f[3]), 2));
        } else if (type == "Channel_prefix") {
            meta(0x20, be(std::stol(f[3]), 1));
        } else if (type == "MIDI_port") {
            meta(0x21, be(std::stol(f[3]), 1));
        } else if (type == "Tempo") {
            meta(0x51, be(std::stol(f[3]), 3));
        } else if (type == "SMPTE_offset") {
            meta(0x54, bytesFrom(f, 3));
        } else if (type == "Time_signature") {
            meta(0x58, bytesFrom(f, 3));
        } else if (type == "Key_signature") {
            meta(0x59, be(std::stol(f[3]), 1) + char(f[4] == "minor" ? 1 : 0));
        } else if (type == "Sequencer_specific") {
            meta(0x7F, bytesFrom(f, 4));
        } else if (type == "Unknown_meta_event") {
            meta(std::stoi(f[3]), bytesFrom(f, 5));
        } else if (type == "System_exclusive") {
            e.status = 0xF0;
            e.data = "\xF0" + bytesFrom(f, 4);
        } else if (type == "System_exclusive_packet") {
            e.status = 0xF0;
            e.data = bytesFrom(f, 4);
        } else {
            ADD_FAILURE() << "unexpected midicsv record: " << line;
            continue;
        }
        l.events.push_back(e);
    }
    return l;
}

std::string describe(const ReadEvent& e)
{
    std::ostringstream s;
    s << e.track << "," << e.tick << " status " << e.status << " " << e.data1 << " " << e.data2 << " [";
    for (unsigned char c : e.data) s << int(c) << " ";
    return s.str() + "]";
}

std::vector<std::string> songFiles()
{
    std::vector<std::string> files;
    std::vector<std::string> dirs = {lirmus::test::midiDataFile(""), lirmus::test::sharedSongFolder()};
    for (const auto& dir : dirs) {
        if (dir.empty() || !fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::string ext = entry.path().extension().string();
            for (auto& c : ext) c = char(std::tolower(uint8_t(c)));
            if (ext == ".mid" || ext == ".kar" || ext == ".rmi") files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(MidifileAgainstMidicsv, EveryFileReadsAsMidicsvListsIt)
{
    std::string midicsv = findMidicsv();
    if (midicsv.empty()) GTEST_SKIP() << "midicsv is not installed";
    std::string tmp = lirmus::test::tempDir();
    int compared = 0;
    for (const std::string& file : songFiles()) {
        std::string name = fs::path(file).filename().string();
        if (kDamaged.count(name)) continue;
        SCOPED_TRACE(name);
        // midicsv knows no RIFF wrapper: give it the MIDI file inside.
        std::string input = file;
        std::string bytes = slurp(file);
        if (bytes.compare(0, 4, "RIFF") == 0) {
            input = tmp + name + ".mid";
            lirmus::test::writeFile(input, bytes.substr(bytes.find("MThd")));
        }
        std::string csvPath = tmp + name + ".csv";
        std::string cmd = "'" + midicsv + "' '" + input + "' '" + csvPath + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        Listing want = parseListing(slurp(csvPath));

        Midifile mf;
        mf.setFileName(file);
        mf.onError = [&](int n, const std::string& m) { ADD_FAILURE() << n << " " << m; };
        mf.setAction(1);
        EXPECT_EQ(mf.FileFormat(), want.format);
        EXPECT_EQ(mf.TrackCount(), want.tracks);
        if (want.division < 0) {
            EXPECT_EQ(mf.TimeFormat(), 1);
            EXPECT_EQ(mf.Division(), want.division & 0xFF);
        } else {
            EXPECT_EQ(mf.TimeFormat(), 0);
            EXPECT_EQ(mf.Division(), want.division);
        }
        std::vector<ReadEvent> got = lirmus::test::readAll(mf);
        for (ReadEvent& e : got) {
            bool textMeta = e.status == 0xFF && e.data1 >= 1 && e.data1 <= 15;
            EXPECT_EQ(e.text, textMeta ? lirmus::decodeMidiText(e.data) : std::string()) << describe(e);
            e.text.clear();
            e.delta = 0;
        }
        EXPECT_EQ(got.size(), want.events.size());
        for (size_t i = 0; i < std::min(got.size(), want.events.size()); ++i) {
            if (got[i] == want.events[i]) continue;
            ADD_FAILURE() << "event " << i << ": ours " << describe(got[i]) << ", midicsv " << describe(want.events[i]);
            break;
        }
        std::cout << "[ compared ] " << name << ": " << got.size() << " events\n";
        ++compared;
    }
    // Seven readable files of our own, and the ten real songs when they are there.
    const bool shared = !lirmus::test::sharedSongFolder().empty();
    EXPECT_GE(compared, shared ? 17 : 7);
    if (!shared) std::cout << "[ note ] the real songs are absent; compared tests/data only\n";
}
