#pragma once
// The song as one time-ordered array of messages: what the output pump sends,
// what the message-sent dispatcher shows, and what seeking searches.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace lirmus {

/// One message of the song. Meta entries have Status 255 and their kind in
/// Data1: 5 lyric or chord, 6 marker, 10 text-page line, 81 tempo, or the
/// type of a kept text event.
struct QueueEntry {
    int32_t Time = 0;    ///< ms from the song start, TimeOffset already subtracted
    uint8_t Status = 0;  ///< MIDI status byte; 255 for meta entries; 240 for system exclusive
    uint8_t Data1 = 0;   ///< first data byte; the kind of a meta entry
    uint8_t Data2 = 0;   ///< second data byte; the line code of a text-page entry
    uint8_t Flag = 0;    ///< 1 = last syllable entry, 2 = last chord entry, else 0
    int32_t Value = 0;   ///< tempo: beats per minute; syllable: line number; chord: chord number
    int32_t Extra = 0;   ///< syllable: 1-based column in its line; chord: 1; controller: value last sent
    int32_t Length = 0;  ///< syllables, chords, melody note-ons: ms to the next one of the same kind
    /// Text of marker, lyric, chord, text-page and kept text entries. A system
    /// exclusive entry (Status 240) holds here the whole message to send, from
    /// its F0 (or F7) to the closing F7, one Latin-1 character per byte: see sysExBytes().
    QString Text;

    /// The bytes of a system exclusive entry, ready to send.
    QByteArray sysExBytes() const { return Status == 240 ? Text.toLatin1() : QByteArray(); }
};

/// MsgQueue with its count: entries 1..MsgCount are in use, entry 0 is scratch
/// (its Length holds the gap before the first syllable or melody note).
struct SongQueue {
    std::vector<QueueEntry> MsgQueue;  ///< index 0..at least MsgCount
    long MsgCount = 0;
    long TimeOffset = 0;               ///< ms taken off every time when an entry is added

    /// Re-creates the array for entries 1..capacity (room is reserved, entries
    /// are made as they are added); MsgCount becomes 0.
    void create(long capacity);
    /// Adds an entry at timeMs - TimeOffset rounded half to even, Flag 0; returns its index.
    long add(double timeMs, int status, int data1, int data2);
    /// Removes the entry just added (the last one).
    void dropLast() { if (MsgCount > 0) --MsgCount; }

    QueueEntry& operator[](long i) { return MsgQueue[size_t(i)]; }
    const QueueEntry& operator[](long i) const { return MsgQueue[size_t(i)]; }

    /// Time of the last entry (0 when the queue is empty).
    long lastTime() const;
    /// The lowest index whose Time is at least t; 0 when none.
    long firstAtOrAfter(long t) const;
    /// From index i: MsgCount when t is after the last entry; 0 when entry i is
    /// already later than t or i is past MsgCount; else the first index at
    /// exactly t, or the one before the first entry later than t.
    long positionOf(long t, long i) const;
    /// The first entry after i that starts a text page (Status 255, Data1 10, Data2 4); 0 when none.
    long NextSysexPage(long i) const;
    /// Line * 100 + column of the first lyric or chord entry at or after t; 0 when none.
    long lyricPositionAt(long t) const;
    /// Drops every entry after the last note-on, note-off or key pressure
    /// (nothing changes when the queue holds no note at all).
    void trimTail();
    /// Sorts entries from..MsgCount by Time, keeping the order of equal times.
    /// Each index in keep that points into the sorted range is moved along with its entry.
    void sortByTime(long from, std::initializer_list<long*> keep = {});
    /// Fast start: entries before the first note-on get Time 0 and TimeOffset
    /// becomes that note's time - 100 (not below 0), taken off it, every later
    /// entry and entry 0's Length when at least that large. Returns TimeOffset;
    /// nothing changes when there is no note-on.
    long fastStart();
};

} // namespace lirmus
