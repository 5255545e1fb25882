#pragma once
// A small Standard MIDI File writer for tests: build tracks event by event,
// then take the bytes or write them to a file. It writes exactly what it is
// told, so tests can also build broken files on purpose.
#include <cstdint>
#include <string>
#include <vector>

namespace lirmus::test {

class SmfTrack {
public:
    /// Appends a delta time as a variable-length quantity.
    SmfTrack& delta(uint32_t ticks);
    /// Appends raw bytes (a status byte may be left out for running status).
    SmfTrack& raw(std::initializer_list<uint8_t> bytes);
    SmfTrack& raw(const std::string& bytes);
    /// delta + channel message with one or two data bytes.
    SmfTrack& note(uint32_t dt, int channel, int key, int velocity);   ///< note-on (velocity 0 allowed)
    SmfTrack& noteOff(uint32_t dt, int channel, int key);
    SmfTrack& control(uint32_t dt, int channel, int number, int value);
    SmfTrack& program(uint32_t dt, int channel, int program);
    /// delta + meta event of the given type with raw data.
    SmfTrack& meta(uint32_t dt, int type, const std::string& data);
    SmfTrack& text(uint32_t dt, int type, const std::string& text) { return meta(dt, type, text); }
    SmfTrack& tempo(uint32_t dt, uint32_t usPerQuarter);
    SmfTrack& keySignature(uint32_t dt, int sf, int minor);
    /// delta + F0 system exclusive; data excludes F0 and includes the closing F7.
    SmfTrack& sysex(uint32_t dt, const std::string& data);
    /// delta + end of track.
    SmfTrack& end(uint32_t dt = 0);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

class SmfWriter {
public:
    SmfWriter(int format = 1, int division = 480) : format_(format), division_(division) {}
    SmfTrack& track();
    /// The whole file: MThd then one MTrk per track (lengths from the contents).
    std::string bytes() const;
    /// Writes bytes() to path; false on failure.
    bool save(const std::string& path) const;

    std::vector<SmfTrack> tracks;

private:
    int format_, division_;
};

/// Variable-length quantity encoding.
std::string vlq(uint32_t v);
/// Big-endian 16 and 32-bit numbers.
std::string be16(uint16_t v);
std::string be32(uint32_t v);
/// Writes any bytes to a file.
bool writeFile(const std::string& path, const std::string& bytes);
/// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::string& path);
/// A fresh empty folder for one test (removed by the OS's temp cleaning).
std::string tempDir();
/// The folder of the real songs written elsewhere ($LIRMUS_TESTDATA, else the
/// folder known at configure time), "" when absent.
std::string sharedTestData();
/// The small MIDI files kept with the tests (tests/data/).
std::string testsDataDir();
/// The build folder, where the programs are.
std::string buildDir();

} // namespace lirmus::test
