#include "SmfWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace lirmus::test {

namespace {

void appendVlq(std::string& out, uint32_t v)
{
    char buf[5];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7) buf[n++] = static_cast<char>((v & 0x7F) | 0x80);
    while (n) out += buf[--n];
}

void appendBe(std::string& out, uint32_t v, int bytes)
{
    while (bytes--) out += static_cast<char>(v >> (8 * bytes));
}

} // namespace

std::string vlq(uint32_t v) { std::string out; appendVlq(out, v); return out; }
std::string be16(uint16_t v) { std::string out; appendBe(out, v, 2); return out; }
std::string be32(uint32_t v) { std::string out; appendBe(out, v, 4); return out; }

SmfTrack& SmfTrack::runningStatus(bool on)
{
    useRunningStatus_ = on;
    running_ = 0;
    return *this;
}

SmfTrack& SmfTrack::reserve(size_t bytes) { bytes_.reserve(bytes); return *this; }

SmfTrack& SmfTrack::delta(uint32_t ticks)
{
    appendVlq(bytes_, ticks);
    now_ += ticks;
    ++events_;
    return *this;
}

SmfTrack& SmfTrack::raw(std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes) bytes_ += static_cast<char>(b);
    running_ = 0; // unknown bytes: the next message states its status again
    return *this;
}

SmfTrack& SmfTrack::raw(const std::string& bytes)
{
    bytes_ += bytes;
    running_ = 0;
    return *this;
}

SmfTrack& SmfTrack::message(uint32_t dt, int status, int data1, int data2)
{
    delta(dt);
    const auto s = static_cast<uint8_t>(status);
    if (!useRunningStatus_ || s != running_) bytes_ += static_cast<char>(s);
    running_ = s;
    bytes_ += static_cast<char>(data1);
    const int type = s & 0xF0;
    if (type != 0xC0 && type != 0xD0) bytes_ += static_cast<char>(data2);
    return *this;
}

SmfTrack& SmfTrack::note(uint32_t dt, int ch, int key, int vel) { return message(dt, 0x90 | ch, key, vel); }
SmfTrack& SmfTrack::noteOff(uint32_t dt, int ch, int key) { return message(dt, 0x80 | ch, key, 0); }
SmfTrack& SmfTrack::control(uint32_t dt, int ch, int n, int v) { return message(dt, 0xB0 | ch, n, v); }
SmfTrack& SmfTrack::program(uint32_t dt, int ch, int p) { return message(dt, 0xC0 | ch, p); }

SmfTrack& SmfTrack::lengthPrefixed(uint32_t dt, std::initializer_list<uint8_t> head, const std::string& data)
{
    delta(dt).raw(head);
    appendVlq(bytes_, static_cast<uint32_t>(data.size()));
    bytes_ += data;
    return *this;
}

SmfTrack& SmfTrack::meta(uint32_t dt, int type, const std::string& data)
{
    return lengthPrefixed(dt, {0xFF, static_cast<uint8_t>(type)}, data);
}

SmfTrack& SmfTrack::tempo(uint32_t dt, uint32_t us)
{
    std::string data;
    appendBe(data, us, 3);
    return meta(dt, 0x51, data);
}

SmfTrack& SmfTrack::keySignature(uint32_t dt, int sf, int minor)
{
    return meta(dt, 0x59, std::string{static_cast<char>(sf), static_cast<char>(minor)});
}

SmfTrack& SmfTrack::sysex(uint32_t dt, const std::string& data) { return lengthPrefixed(dt, {0xF0}, data); }

SmfTrack& SmfTrack::end(uint32_t dt) { return meta(dt, 0x2F, {}); }

SmfTrack& SmfWriter::track()
{
    tracks.emplace_back();
    return tracks.back();
}

std::string SmfWriter::bytes() const
{
    size_t size = 14;
    for (const SmfTrack& t : tracks) size += 8 + t.bytes().size();
    std::string out;
    out.reserve(size);
    out += "MThd";
    appendBe(out, 6, 4);
    appendBe(out, static_cast<uint16_t>(format_), 2);
    appendBe(out, static_cast<uint16_t>(tracks.size()), 2);
    appendBe(out, static_cast<uint16_t>(division_), 2);
    for (const SmfTrack& t : tracks) {
        out += "MTrk";
        appendBe(out, static_cast<uint32_t>(t.bytes().size()), 4);
        out += t.bytes();
    }
    return out;
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool SmfWriter::save(const std::string& path) const { return writeFile(path, bytes()); }

namespace {

// Every folder a test program makes lives in one, removed at exit, so thousands of
// test runs leave nothing behind. A forked child's exit does not remove its parent's.
class TestRoot {
public:
    TestRoot()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lirmus-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TestRoot()
    {
        std::error_code ec;
        if (!path_.empty() && ::getpid() == owner_) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    pid_t owner_ = ::getpid();
};

} // namespace

std::string tempDir()
{
    static TestRoot root;
    if (root.path().empty()) return {};
    std::string pattern = root.path() + "/XXXXXX";
    char* made = ::mkdtemp(pattern.data());
    return made ? std::string(made) + "/" : std::string();
}

std::string sharedTestData()
{
    const char* env = std::getenv("LIRMUS_TESTDATA");
    if (env && std::filesystem::is_directory(env)) return std::string(env) + "/";
    if (std::filesystem::is_directory(LIRMUS_SHARED_TESTDATA_DIR)) return LIRMUS_SHARED_TESTDATA_DIR "/";
    return {};
}

std::string testsDataDir() { return LIRMUS_TESTS_DATA_DIR "/"; }

std::string buildDir() { return LIRMUS_BUILD_DIR "/"; }

} // namespace lirmus::test
