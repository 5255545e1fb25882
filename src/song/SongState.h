#pragma once
// The prepared song. Plain data owned by the player; LoadSong fills a
// SongState afresh. The flags it shares with the transport are in PlayerState.h.
#include "PlayerState.h"
#include "SongQueue.h"
#include "TempoMap.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace lirmus {

/// Reading position of one track while the song is prepared.
struct TrackCursor {
    long NextEvent = 1;      ///< next event still to be read
    int64_t Tick = 0;        ///< absolute tick of the event being read
    int64_t PrevTick = 0;    ///< absolute tick of the event read before
    double Time = 0;         ///< ms of the event being read
    double PrevTime = 0;     ///< ms of the event read before
    bool MetaOnly = true;    ///< no channel message met yet
};

/// How syllables are being assembled into lines.
struct LyricState {
    bool NewLinePending = false;  ///< the next syllable starts a new line
    bool NewPagePending = false;  ///< ... and a new page (a syllable ended in CR LF)
    int LastTrack = -1;           ///< track of the last syllable
    long LastTime = -1;           ///< Time of the last syllable entry, -1 = none
    int ChordNotation = -1;       ///< chords of this song: -1 unknown, 0 Italian, 1 English
};

struct SongState {
    // The file as LoadSong found it.
    int TrackCount = 0;
    int FileFormat = 0;
    int Division = 0;
    long InitialTempo = 0;           ///< µs per quarter note (500000 when the file gives none)

    std::vector<TrackCursor> tracks; ///< 1..TrackCount; [0] unused
    TempoMap tempoMap;
    SongQueue queue;                 ///< MsgQueue, MsgCount, TimeOffset

    QStringList LyricLines;          ///< line n (1-based, as in entry Values) is LyricLines[n - 1]
    QStringList ChordList;           ///< chord n (1-based) is ChordList[n - 1], with its "%" prefix
    QStringList InfoTexts;           ///< text-page lines (codes 4 to 7)
    QString SongText;                ///< title and other text lines, each ending in "\r\n"
    QString SongTitle;               ///< the "@T" texts joined by blanks, shown above the lyrics
    QStringList TitleLines;          ///< the "@T" texts one by one: title, artist, ...
    LyricState lyricState;
    int CurrentLine = 0;             ///< line (or chord number) of the last syllable or chord
    int CurrentPosition = 0;         ///< 1-based column of the last syllable (1 for chords)
    long LastSyllableEntry = 0;      ///< queue index of the entry marked Flag 1; 0 = none yet
    long LastChordEntry = 0;         ///< queue index of the entry marked Flag 2; 0 = none yet
    long SongLength = 0;             ///< ms, Time of the last entry when the queue was finished
    bool LyricDisplayStarted = false;///< StartLyric was called for this song
    std::vector<int> PageStarts;     ///< lyric lines (1-based) that begin a new page, ascending
    QString TextEncoding;            ///< the encoding the song's texts were read with

    int LyricLineCount() const { return int(LyricLines.size()); }
    int ChordCount() const { return int(ChordList.size()); }
    int InfoTextCount() const { return int(InfoTexts.size()); }
};


} // namespace lirmus
