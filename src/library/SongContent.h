#pragma once
// What the library learns from a song file's bytes at import: whether it is a
// song at all, a fingerprint of its bytes (the same song under another name),
// its title lines and the text of its lyrics for the lyrics search.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lirmus {

struct SongContent {
    enum class Kind { Song, Empty, NotMidi, Unreadable };
    Kind kind = Kind::Unreadable;
    QString reason;        ///< why it is not a song ("" for a song)
    QByteArray hash;       ///< hex digest of the bytes (songs only)
    QStringList titleLines; ///< the "@T" texts in file order, without "@T"
    QString lyrics;        ///< the words sung, lines separated by line feeds
    bool song() const { return kind == Kind::Song; }
};

/// True when the bytes start as a Standard MIDI File or a RIFF MIDI file.
bool looksLikeMidi(const QByteArray& head);

/// Reads a song file (at most the reader's largest file) and learns what it holds.
SongContent readSongContent(const QString& path);
/// The same for bytes already read.
SongContent songContentOf(const QByteArray& bytes);

/// A song's Name and Author from its title lines.
struct TitleNames {
    QString name, author;
};
/// The first title line is the Name and the second the Author; a single line
/// "Title - Artist" splits at its first " - ". False when there is no title text.
bool namesFromTitles(const QStringList& titleLines, TitleNames* out);

/// The syllables of one lyric track joined into text: "/", "\", "<" and "|" at a
/// syllable's start, and line breaks, begin a new line; "_" is a blank.
QString joinSyllables(const QStringList& syllables);

} // namespace lirmus
