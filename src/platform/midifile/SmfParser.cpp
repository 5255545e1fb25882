// Parsing of Standard MIDI Files. Karaoke files found in the wild are often
// damaged, so every length is checked against what is really there and a
// damaged track is kept up to its last whole event instead of refusing the file.
#include "MidiText.h"
#include "SmfData.h"

#include <algorithm>
#include <cstring>

namespace lirmus::smf {

namespace {

uint32_t be32(const std::string& b, size_t at)
{
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}

uint32_t le32(const std::string& b, size_t at)
{
    return (uint32_t(uint8_t(b[at + 3])) << 24) | (uint32_t(uint8_t(b[at + 2])) << 16) |
           (uint32_t(uint8_t(b[at + 1])) << 8) | uint32_t(uint8_t(b[at]));
}

uint16_t be16(const std::string& b, size_t at)
{
    return uint16_t((uint8_t(b[at]) << 8) | uint8_t(b[at + 1]));
}

bool idIs(const std::string& b, size_t at, const char* id) { return std::memcmp(b.data() + at, id, 4) == 0; }

/// Reads a variable-length number of at most 4 bytes at p (< end). False when it
/// runs past end or is longer than 4 bytes; p is advanced past it on success.
bool readVlq(const std::string& b, size_t& p, size_t end, uint32_t& value)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end) return false;
        uint8_t c = uint8_t(b[p++]);
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) {
            value = v;
            return true;
        }
    }
    return false;
}


/// A chunk id of four printable ASCII characters; anything else means we lost step.
bool plausibleId(const std::string& b, size_t at)
{
    for (size_t i = 0; i < 4; ++i) {
        uint8_t c = uint8_t(b[at + i]);
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

class TrackParser {
public:
    explicit TrackParser(SmfData& d) : d_(d) {}

    /// Appends the events of the track data [p, end) to d_.events.
    void run(size_t p, size_t end)
    {
        const std::string& b = d_.bytes;
        uint8_t running = 0;
        while (p < end) {
            uint32_t delta;
            if (!readVlq(b, p, end, delta) || p >= end) return;
            uint8_t status = uint8_t(b[p]);
            if (status & 0x80) {
                ++p;
            } else {
                // A data byte: running status. Meta and sysex events do not cancel it
                // here: valid files never rely on that, broken ones often do.
                if (!running) return;
                status = running;
            }
            if (status < 0xF0) {
                size_t n = ((status & 0xE0) == 0xC0) ? 1 : 2; // Cx and Dx carry one byte
                if (end - p < n) return;
                // Data bytes are taken as 7-bit so a stray high bit never reaches the output.
                uint8_t d1 = uint8_t(b[p]) & 0x7F;
                uint8_t d2 = n == 2 ? uint8_t(b[p + 1]) & 0x7F : 0;
                p += n;
                running = status;
                d_.events.push_back({delta, 0, status, d1, d2, kChannel});
            } else if (status == 0xFF) {
                if (p >= end) return;
                uint8_t type = uint8_t(b[p++]);
                size_t lenPos = p;
                uint32_t len;
                if (!readVlq(b, p, end, len) || end - p < len) return;
                SmfEvent e{delta, uint32_t(lenPos), 0xFF, type, 0, kMeta};
                d_.events.push_back(e);
                p += len;
                if (type == 0x2F) return; // end of track
            } else if (status == 0xF0 || status == 0xF7) {
                size_t lenPos = p;
                uint32_t len;
                if (!readVlq(b, p, end, len) || end - p < len) return;
                d_.events.push_back({delta, uint32_t(lenPos), 0xF0, 0, 0, status == 0xF0 ? kSysexF0 : kSysexF7});
                p += len;
            } else {
                return; // F1..F6, F8..FE have no place in a file: the rest is not trustworthy
            }
        }
    }

private:
    SmfData& d_;
};

/// The first tempo at tick 0: the first track that has one there gives it; 0 when none.
long findInitialTempo(const SmfData& d)
{
    for (const TrackRange& t : d.tracks) {
        for (uint32_t i = t.first; i < t.first + t.count && d.events[i].delta == 0; ++i) {
            const SmfEvent& e = d.events[i];
            if ((e.kind & kKindMask) != kMeta || e.data1 != 0x51) continue;
            Span s = eventData(d, e);
            if (s.length < 3) continue;
            const std::string& b = d.bytes;
            return (long(uint8_t(b[s.offset])) << 16) | (long(uint8_t(b[s.offset + 1])) << 8) |
                   long(uint8_t(b[s.offset + 2]));
        }
    }
    return 0;
}

/// Finds the SMF inside a RIFF RMID wrapper: its [start, end) in b. False when there is none.
bool unwrapRiff(const std::string& b, size_t& start, size_t& end)
{
    size_t off = 12;
    while (off + 8 <= b.size()) {
        uint64_t len = le32(b, off + 4);
        if (idIs(b, off, "data")) {
            start = off + 8;
            end = size_t(std::min<uint64_t>(start + len, b.size()));
            return true;
        }
        off += 8 + len + (len & 1); // RIFF chunks are padded to even sizes
    }
    return false;
}

} // namespace

Span eventData(const SmfData& d, const SmfEvent& e)
{
    size_t p = e.pos;
    uint32_t len = 0;
    readVlq(d.bytes, p, d.bytes.size(), len);
    return {uint32_t(p), len};
}

std::string eventText(const SmfData& d, uint32_t eventIndex)
{
    const SmfEvent& e = d.events[eventIndex];
    if (e.kind & kDecodedText) {
        auto it = std::lower_bound(d.decoded.begin(), d.decoded.end(), eventIndex,
                                   [](const DecodedText& t, uint32_t i) { return t.event < i; });
        if (it != d.decoded.end() && it->event == eventIndex) return d.texts.substr(it->offset, it->length);
        return {};
    }
    Span s = eventData(d, e);
    return d.bytes.substr(s.offset, s.length);
}

bool looksLikeMidi(const std::string& b)
{
    if (b.size() >= 4 && idIs(b, 0, "MThd")) return true;
    return b.size() >= 12 && idIs(b, 0, "RIFF") && idIs(b, 8, "RMID");
}

ParseResult parse(SmfData& d)
{
    const std::string& b = d.bytes;
    size_t start = 0, end = b.size();
    if (b.size() >= 12 && idIs(b, 0, "RIFF") && idIs(b, 8, "RMID")) {
        if (!unwrapRiff(b, start, end)) return {false, "is a RIFF MIDI file without MIDI data"};
    }
    if (end - start < 8 || !idIs(b, start, "MThd")) return {false, "is not a MIDI file"};
    uint64_t headerLen = be32(b, start + 4);
    if (headerLen < 6 || end - start < 14) return {false, "has a damaged MIDI header"};
    d.format = be16(b, start + 8);
    int declared = be16(b, start + 10);
    uint16_t division = be16(b, start + 12);
    if (division & 0x8000) {
        d.timeFormat = 1;
        d.division = division & 0xFF; // ticks per frame
    } else {
        d.division = division;
    }

    // Every event takes at least 2 bytes (delta, one data byte), so this never
    // grows; pages never written cost no memory.
    d.events.reserve((end - start) / 2 + 1);
    TrackParser tracks(d);
    uint64_t off = start + 8 + headerLen;
    while (int(d.tracks.size()) < declared && off + 8 <= end) {
        if (!plausibleId(b, off)) {
            // Lost step (a wrong length before): look for the next track chunk.
            size_t next = b.find("MTrk", size_t(off) + 1);
            if (next == std::string::npos || next + 8 > end) break;
            off = next;
        }
        uint64_t len = be32(b, off + 4);
        size_t dataStart = size_t(off + 8);
        size_t dataEnd = size_t(std::min<uint64_t>(dataStart + len, end));
        if (idIs(b, off, "MTrk")) {
            uint32_t first = uint32_t(d.events.size());
            tracks.run(dataStart, dataEnd);
            d.tracks.push_back({first, uint32_t(d.events.size() - first)});
        }
        off = dataStart + len;
    }
    if (d.tracks.empty()) return {false, declared == 0 ? "holds no tracks" : "holds no track data"};
    d.initialTempo = findInitialTempo(d);
    return {};
}

} // namespace lirmus::smf
