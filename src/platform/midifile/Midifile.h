#pragma once
// Reader of Standard MIDI Files (formats 0, 1 and 2, also inside a RIFF
// "RMID" wrapper). The file is read once into memory when Action 1 is put;
// afterwards one track and one event at a time are selected and read through
// the properties below, in any order.
//
// Texts of meta events are decoded once, when read: UTF-8 when the bytes are
// valid UTF-8, otherwise Windows-1252; Text() is always UTF-8.
#include <cstdint>
#include <functional>
#include <string>

namespace lirmus {

class Midifile {
public:
    /// Error number raised when the file cannot be opened (missing, unreadable, a folder).
    static constexpr int kErrorCannotOpen = 1103;

    Midifile();
    ~Midifile();
    Midifile(const Midifile&) = delete;
    Midifile& operator=(const Midifile&) = delete;

    /// Raised with a number and a message when a file cannot be opened or read.
    std::function<void(int number, const std::string& message)> onError;

    /// Names the file for the next Action 1.
    void setFileName(const std::string& path);
    const std::string& FileName() const;

    /// 1 = open and read the whole file, 2 = close and free it.
    void setAction(int action);

    /// Number of tracks; 0 when the file could not be read.
    int TrackCount() const;
    /// The header's format number (0, 1 or 2).
    int FileFormat() const;
    /// 1 when the division is SMPTE-based, else 0.
    long TimeFormat() const;
    /// Ticks per quarter note.
    int Division() const;

    /// Before an event is selected: the first tempo of the song (µs per quarter
    /// note, 0 when none); with a tempo event selected: that event's tempo.
    long Tempo() const;
    void setTempo(long microsecondsPerQuarter);

    /// Selects track 1..TrackCount (no event selected afterwards).
    void setTrack(int track);
    int Track() const;
    /// Number of events in the selected track.
    long EventCount() const;
    /// Selects event 1..EventCount of the selected track.
    void setEventIndex(long index);
    long EventIndex() const;

    /// Delta time of the selected event in ticks.
    long EventTime() const;
    /// 0x80..0xEF channel message, 240 system exclusive, 255 meta event.
    int Status() const;
    /// First data byte; the meta type for a meta event.
    int Data1() const;
    /// Second data byte.
    int Data2() const;

    /// Text of a text-type meta event (UTF-8); cleared by the caller with "".
    const std::string& Text() const;
    void setText(const std::string& text);
    /// Raw bytes of a system-exclusive or meta event, one char per byte
    /// (system exclusive from its F0 or F7 up to the closing F7 inclusive).
    const std::string& DataString() const;
    void setDataString(const std::string& data);

    /// Key-signature event: sharps (positive) or flats, stored unsigned (0..255).
    int KeySignature() const;
    /// Key-signature event: 1 = minor.
    int KeyMode() const;

private:
    struct Impl;
    Impl* d;
};

/// Decodes raw text bytes as UTF-8 when valid, else as Windows-1252, into UTF-8.
std::string decodeMidiText(const std::string& bytes);

} // namespace lirmus
