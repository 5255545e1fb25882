#pragma once
// The parsed form of a Standard MIDI File, shared by the parser and the
// Midifile component. Events are kept compact (12 bytes each) and point into
// the file's bytes for their data, so a song costs little more than its file.
#include <cstdint>
#include <string>
#include <vector>

namespace lirmus::smf {

/// What an event is; the low bits of SmfEvent::kind.
enum EventKind : uint8_t {
    kChannel = 0, ///< 0x80..0xEF message, data bytes inline
    kMeta = 1,    ///< FF type length data
    kSysexF0 = 2, ///< F0 length data
    kSysexF7 = 3, ///< F7 length data (escape / continuation packet)
};
/// Flag in SmfEvent::kind: the decoded text differs from the raw bytes and is in SmfData::texts.
constexpr uint8_t kDecodedText = 0x10;
constexpr uint8_t kKindMask = 0x0F;

struct SmfEvent {
    uint32_t delta;  ///< ticks since the previous event of the track
    uint32_t pos;    ///< meta/sysex: offset of the length number in SmfData::bytes
    uint8_t status;  ///< resolved status: channel status, 0xF0 for sysex, 0xFF for meta
    uint8_t data1;   ///< first data byte, the meta type for meta events
    uint8_t data2;   ///< second data byte (0 when none)
    uint8_t kind;    ///< EventKind | kDecodedText
};

/// A run of events in SmfData::events.
struct TrackRange {
    uint32_t first;
    uint32_t count;
};

/// A decoded text kept apart because its bytes were not valid UTF-8.
struct DecodedText {
    uint32_t event;  ///< index into SmfData::events
    uint32_t offset; ///< into SmfData::texts
    uint32_t length;
};

struct SmfData {
    std::string bytes; ///< the whole file as read
    int format = 0;
    int division = 0;     ///< ticks per quarter note (ticks per frame for SMPTE)
    int timeFormat = 0;   ///< 1 for SMPTE division
    long initialTempo = 0;
    std::vector<SmfEvent> events;
    std::vector<TrackRange> tracks;
    std::string texts;
    std::vector<DecodedText> decoded;
};

/// Where the data of a meta or sysex event lies in SmfData::bytes.
struct Span {
    uint32_t offset;
    uint32_t length;
};

/// The data bytes of a meta or sysex event (already checked by the parser).
Span eventData(const SmfData& d, const SmfEvent& e);

/// The decoded text of a text meta event (UTF-8).
std::string eventText(const SmfData& d, uint32_t eventIndex);

/// Outcome of parse().
struct ParseResult {
    bool ok = true;
    std::string reason; ///< what is wrong when not ok, without the file name
};

/// Bytes a file needs at its start to be worth reading further.
constexpr size_t kSignatureSize = 12;

/// True when the first bytes (at most kSignatureSize) can start a MIDI file or an RMID wrapper.
bool looksLikeMidi(const std::string& start);

/// Parses d.bytes (an SMF, possibly inside a RIFF RMID wrapper) into the other fields.
/// Never throws on bad input: damaged tracks are read as far as they make sense.
ParseResult parse(SmfData& d);

} // namespace lirmus::smf
