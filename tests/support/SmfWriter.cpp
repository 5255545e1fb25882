#include "SmfWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lirmus::test {

std::string vlq(uint32_t v)
{
    std::string out(1, static_cast<char>(v & 0x7F));
    while (v >>= 7) out.insert(out.begin(), static_cast<char>((v & 0x7F) | 0x80));
    return out;
}

std::string be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string be32(uint32_t v) { return be16(static_cast<uint16_t>(v >> 16)) + be16(static_cast<uint16_t>(v & 0xFFFF)); }

SmfTrack& SmfTrack::delta(uint32_t ticks) { bytes_ += vlq(ticks); return *this; }

SmfTrack& SmfTrack::raw(std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes) bytes_ += static_cast<char>(b);
    return *this;
}

SmfTrack& SmfTrack::raw(const std::string& bytes) { bytes_ += bytes; return *this; }

SmfTrack& SmfTrack::note(uint32_t dt, int ch, int key, int vel)
{
    return delta(dt).raw({static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(key), static_cast<uint8_t>(vel)});
}

SmfTrack& SmfTrack::noteOff(uint32_t dt, int ch, int key)
{
    return delta(dt).raw({static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(key), 0});
}

SmfTrack& SmfTrack::control(uint32_t dt, int ch, int n, int v)
{
    return delta(dt).raw({static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(n), static_cast<uint8_t>(v)});
}

SmfTrack& SmfTrack::program(uint32_t dt, int ch, int p)
{
    return delta(dt).raw({static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(p)});
}

SmfTrack& SmfTrack::meta(uint32_t dt, int type, const std::string& data)
{
    delta(dt).raw({0xFF, static_cast<uint8_t>(type)});
    bytes_ += vlq(static_cast<uint32_t>(data.size())) + data;
    return *this;
}

SmfTrack& SmfTrack::tempo(uint32_t dt, uint32_t us)
{
    return meta(dt, 0x51, be32(us).substr(1));
}

SmfTrack& SmfTrack::keySignature(uint32_t dt, int sf, int minor)
{
    return meta(dt, 0x59, std::string{static_cast<char>(sf), static_cast<char>(minor)});
}

SmfTrack& SmfTrack::sysex(uint32_t dt, const std::string& data)
{
    delta(dt).raw({0xF0});
    bytes_ += vlq(static_cast<uint32_t>(data.size())) + data;
    return *this;
}

SmfTrack& SmfTrack::end(uint32_t dt) { return delta(dt).raw({0xFF, 0x2F, 0x00}); }

SmfTrack& SmfWriter::track()
{
    tracks.emplace_back();
    return tracks.back();
}

std::string SmfWriter::bytes() const
{
    std::string out = "MThd" + be32(6) + be16(static_cast<uint16_t>(format_)) +
                      be16(static_cast<uint16_t>(tracks.size())) + be16(static_cast<uint16_t>(division_));
    for (const SmfTrack& t : tracks) out += "MTrk" + be32(static_cast<uint32_t>(t.bytes().size())) + t.bytes();
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

std::string tempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lirmus-test-XXXXXX").string();
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
