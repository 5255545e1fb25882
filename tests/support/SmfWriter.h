#pragma once
// A small Standard MIDI File writer for the tests and the benchmarks: build
// tracks event by event, then take the bytes or write them to a file. It
// writes exactly what it is told, so tests can also build broken files on
// purpose. Appends straight into one buffer per track: a million events take
// milliseconds.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace lirmus::test {

class SmfTrack {
public:
    /// From now on leave out a channel message's status byte when it repeats
    /// the previous one; meta and system exclusive events cancel it, as in the
    /// file format. Off by default: every message carries its status.
    SmfTrack& runningStatus(bool on = true);
    /// Room for this many bytes, for big tracks.
    SmfTrack& reserve(size_t bytes);

    /// Appends a delta time as a variable-length quantity; every event starts with one.
    SmfTrack& delta(uint32_t ticks);
    /// The delta from the last event to an absolute tick (0 when the tick is earlier).
    uint32_t deltaTo(uint32_t tick) const { return tick > now_ ? tick - now_ : 0; }
    /// Appends raw bytes (a status byte may be left out for running status).
    SmfTrack& raw(std::initializer_list<uint8_t> bytes);
    SmfTrack& raw(const std::string& bytes);

    /// delta + any channel message (status 80..EF); program change and channel
    /// pressure take one data byte, data2 is then ignored.
    SmfTrack& message(uint32_t dt, int status, int data1, int data2 = 0);
    SmfTrack& note(uint32_t dt, int channel, int key, int velocity);   ///< note-on (velocity 0 allowed)
    SmfTrack& noteOff(uint32_t dt, int channel, int key);              ///< note-off with velocity 0
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
    /// Absolute tick of the last event.
    uint32_t now() const { return now_; }
    /// Events written so far (deltas appended).
    int events() const { return events_; }

private:
    SmfTrack& lengthPrefixed(uint32_t dt, std::initializer_list<uint8_t> head, const std::string& data);

    std::string bytes_;
    uint32_t now_ = 0;
    int events_ = 0;
    bool useRunningStatus_ = false;
    uint8_t running_ = 0;
};

class SmfWriter {
public:
    /// Format 0, 1 or 2; division is ticks per quarter note (or the raw SMPTE word).
    SmfWriter(int format = 1, int division = 480) : format_(format), division_(division) {}
    SmfTrack& track();
    /// The whole file: MThd then one MTrk per track (lengths from the contents).
    std::string bytes() const;
    /// Writes bytes() to path; false on failure.
    bool save(const std::string& path) const;

    /// A deque: a track taken earlier stays valid while more are added.
    std::deque<SmfTrack> tracks;

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
/// A fresh empty folder for one test, inside one folder per test program that is
/// removed when the program ends (path ends with '/').
std::string tempDir();
/// The folder of the real songs written elsewhere ($LIRMUS_TESTDATA, else the
/// folder known at configure time), "" when absent.
std::string sharedTestData();
/// The small MIDI files kept with the tests (tests/data/).
std::string testsDataDir();
/// The build folder, where the programs are.
std::string buildDir();

} // namespace lirmus::test
