#pragma once
// Reader of Standard MIDI Files (formats 0, 1 and 2, also inside a RIFF
// "RMID" wrapper). The file is read once into memory when Action 1 is put;
// afterwards one track and one event at a time are selected and read through
// the properties below, in any order.
//
// Texts of meta events are decoded once, when read, in the song's one encoding:
// the TextEncoding setting when it names one, else what uchardet finds in all
// the song's texts together, else (unsure) UTF-8 when a text's bytes are valid
// UTF-8, otherwise Windows-1252; Text() is always UTF-8.
//
// Damaged files are read as far as they make sense: a track whose length runs
// past the end of the file is read to the end, a track without end-of-track
// ends with its chunk, unknown chunks are skipped, a cut-off last event is
// dropped, and a track stops at the first byte that cannot start an event
// (or at a number longer than 4 bytes). Running status survives meta and
// system-exclusive events, and data bytes are taken as 7-bit, as broken files
// need; neither changes how a valid file reads.
// A header that promises more tracks than the file holds gives the tracks found;
// chunks after the promised tracks are not read. A file that cannot be used at
// all (not a MIDI file, no tracks) reads as TrackCount 0 and raises the error event.
//
// Out-of-range selections never fail: a track outside 1..TrackCount or an event
// outside 1..EventCount leaves nothing selected, and every event property then
// reads 0 or "".
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lirmus {

class Midifile {
public:
    /// Error number raised when the file cannot be opened (missing, unreadable, a folder).
    static constexpr int kErrorCannotOpen = 1103;
    /// Error number raised when the file is not a usable MIDI file (or holds no tracks).
    static constexpr int kErrorNotMidi = 1104;
    /// Error number raised when the file is far too large to be a MIDI file.
    static constexpr int kErrorTooLarge = 1105;
    /// Largest file Action 1 reads.
    static constexpr uint64_t kMaxFileSize = 256ull << 20;

    Midifile();
    ~Midifile();
    Midifile(const Midifile&) = delete;
    Midifile& operator=(const Midifile&) = delete;

    /// Raised with a number and a message when a file cannot be opened or read.
    std::function<void(int number, const std::string& message)> onError;

    /// Names the file for the next Action 1.
    void setFileName(const std::string& path);
    const std::string& FileName() const;

    /// 1 = open and read the whole file, 2 = close and free it; other values do nothing.
    void setAction(int action);

    /// The [OPTIONS] TextEncoding setting: "auto" (the default) or an encoding
    /// name. Kept across Action 2; a file already read has its texts decoded again.
    void setTextEncoding(const std::string& setting);
    /// The encoding the texts of the file were read with ("" when none is read):
    /// an uchardet or setting name, "UTF-8" or "WINDOWS-1252" for the old rule.
    const std::string& TextEncoding() const;
    /// Bytes of a text outside the meta events (a system-exclusive text) in the song's encoding.
    std::string decodeText(const std::string& bytes) const;

    /// Reads the given bytes as Action 1 reads a file's contents (FileName only
    /// names them in error messages). For tests and fuzzing.
    void loadBytes(std::string bytes);

    /// Number of tracks; 0 when the file could not be read.
    int TrackCount() const;
    /// The header's format number (0, 1 or 2).
    int FileFormat() const;
    /// 1 when the division is SMPTE-based, else 0.
    long TimeFormat() const;
    /// Ticks per quarter note (ticks per frame when TimeFormat is 1).
    int Division() const;

    /// With a tempo event selected: that event's tempo (µs per quarter note).
    /// Otherwise the song's tempo: after Action 1 the first tempo event at tick 0
    /// of the first track that has one (0 when none), or what setTempo put.
    long Tempo() const;
    void setTempo(long microsecondsPerQuarter);

    /// Selects track 1..TrackCount (no event selected afterwards).
    void setTrack(int track);
    /// The selected track, 0 when none.
    int Track() const;
    /// Number of events in the selected track.
    long EventCount() const;
    /// Selects event 1..EventCount of the selected track.
    void setEventIndex(long index);
    /// The selected event, 0 when none.
    long EventIndex() const;

    /// Delta time of the selected event in ticks.
    long EventTime() const;
    /// 0x80..0xEF channel message, 240 system exclusive, 255 meta event.
    int Status() const;
    /// First data byte; the meta type for a meta event; 0 for system exclusive.
    int Data1() const;
    /// Second data byte; 0 for one-byte messages, meta and system exclusive.
    int Data2() const;

    /// Text of a text-type meta event (types 1..15, UTF-8); selecting any event
    /// sets it ("" when the event has none); the caller may clear it with "".
    const std::string& Text() const;
    void setText(const std::string& text);
    /// Raw bytes, one char per byte, set when an event is selected: a meta
    /// event's data; an F0 system exclusive as sent on the wire, "\xF0" + its
    /// data (which ends with F7 in a well-formed file); an F7 escape event's data
    /// as stored. "" for channel messages.
    const std::string& DataString() const;
    void setDataString(const std::string& data);

    /// Key-signature event: sharps (positive) or flats, stored unsigned (0..255); 0 for other events.
    int KeySignature() const;
    /// Key-signature event: 1 = minor; 0 for other events.
    int KeyMode() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

/// Decodes raw text bytes as UTF-8 when valid, else as Windows-1252, into UTF-8.
std::string decodeMidiText(const std::string& bytes);

} // namespace lirmus
