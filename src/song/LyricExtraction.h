#pragma once
// Sorting the texts of a song while it is prepared: lyric syllables assembled
// into lines, chords, text-page lines, the title and the song text.
#include "ChordNames.h"
#include "SongState.h"
#include "SongSink.h"

#include <QString>

#include <functional>
#include <string>

namespace lirmus {

struct Settings;

/// How a lyric syllable ends a line by the MIDI recommended practice for karaoke lyrics.
enum class LineEnd { None, Line, Page };

/// Removes the carriage returns and line feeds that end text and tells what
/// they ask for: CR LF a new page, CR or LF alone a new line.
LineEnd takeLineEnd(QString& text);

class LyricExtraction {
public:
    /// Works on song (its queue, lyric lines, chords, texts) for one preparation.
    LyricExtraction(SongState& song, const Settings& settings, SongSink& sink, const TextMeasure& measure);

    /// The text meta event of the given type just added as entry index by track;
    /// makes it a lyric or chord entry, keeps it as a plain text entry, or returns
    /// false when the entry is to be dropped. lyricTrack is -1 while unknown.
    bool textMeta(long index, int metaType, QString text, int track, int lyricTrack);

    /// The system exclusive just added as entry index (data from its F0 on):
    /// a text message ("$" third) becomes a chord or text-page entry, other ones
    /// keep their bytes in Text (see QueueEntry). Returns false when the entry is to be dropped.
    bool sysex(long index, const std::string& data);

    /// Adds a syllable for entry index; returns the syllable as it went into its
    /// line, "" when the entry is to be dropped.
    QString addSyllable(QString text, long index, int track);

    /// Adds a chord (text beginning with "%") for entry index; returns it as listed.
    QString addChord(QString text, long index);

    /// How the bytes of system-exclusive texts become UTF-8: the song's encoding
    /// (the reader's); UTF-8 when valid, else Windows-1252, until it is set.
    void setTextDecoder(std::function<std::string(const std::string&)> decode) { decode_ = std::move(decode); }

    /// A text event (meta type 1) has been taken as a lyric.
    bool textLyricsSeen() const { return textLyricsSeen_; }

    /// A syllable without NULs, "??" pairs (two or more pairs: ""), line feeds
    /// and underscores (a trailing one dropped, the others spaces); "" when blank.
    static QString cleanSyllable(QString text);

    /// "" when text is empty or only question marks and spaces; else text.
    static QString TogliInterrogativi(const QString& text);

    /// A text-page line that only labels a channel ("CANALE 1", "CH.10", "CH 3"...).
    static bool isChannelLabel(const QString& text);

private:
    void makeLyricEntry(long index, const QString& text);
    /// The syllable just read ended its line (or page): the next one starts a new one.
    void endLine(LineEnd end);
    /// Entry index becomes the newest of its kind (last, marked flag): the previous one gets its Length.
    void markLast(long& last, long index, uint8_t flag);

    SongState& song_;
    const Settings& settings_;
    SongSink& sink_;
    const TextMeasure& measure_;
    bool textLyricsSeen_ = false;
    std::function<std::string(const std::string&)> decode_;
};

} // namespace lirmus
