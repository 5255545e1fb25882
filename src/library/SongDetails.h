#pragma once
// What a library knows of its songs beyond "All Songs": a fingerprint of each
// file's bytes, the lyrics index (full text, accents and case ignored), the
// favourite mark, play count, last play and the saved tempo. Kept in tables of
// their own, keyed by MidiFile, so "All Songs" stays as older copies expect;
// triggers on "All Songs" keep them in step when songs go or move.
#include "SongContent.h"
#include "SongLibrary.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace lirmus {

/// The tables of song details, the lyrics index and their triggers.
inline const QString kDetailsTable = QStringLiteral("Song Details");
inline const QString kLyricsTable = QStringLiteral("Song Lyrics");

/// Adds the details tables, index and triggers to a library that lacks them
/// (a library of an older copy); nothing changes in one that has them.
bool upgradeSongDetails(SongLibrary& lib, DbError* err);
/// True when the library has the details tables (false for a read-only old one).
bool hasSongDetails(const SongLibrary& lib);

/// The lyrics index's query for words that follow each other: one phrase of
/// the words, the last a prefix when asked; "" when the text holds no word.
QString lyricsMatchExpression(const QString& words, bool lastWordPrefix);

/// The MidiFile of every song whose lyrics hold the words in this order.
bool findLyrics(const SongLibrary& lib, const QString& words, bool lastWordPrefix, std::vector<QString>* midiFiles,
                DbError* err);

/// Songs in "All Songs" whose file was never read for the details (older libraries).
bool songsWithoutDetails(const SongLibrary& lib, std::vector<QString>* midiFiles, DbError* err);

/// What the grid shows of a song beside its record.
struct SongMarks {
    bool favourite = false;
    int plays = 0;
    QString lastPlayed;             ///< "yyyy-MM-dd hh:mm", "" when never
    std::optional<int> tempoChange; ///< saved tempo change in percent
};
/// Marks of every song that has any, by MidiFile.
bool readMarks(const SongLibrary& lib, QHash<QString, SongMarks>* out, DbError* err);
/// The marks of one song (none when it has no details).
SongMarks marksOf(const SongLibrary& lib, const QString& midiFile);

/// Marks a song of "All Songs" as a favourite or not.
bool setFavourite(SongLibrary& lib, const QString& midiFile, bool on, DbError* err);
/// One more play of the song, at this time.
bool recordPlay(SongLibrary& lib, const QString& midiFile, const QDateTime& when, DbError* err);
/// Stores the transposition (TRANSPOSE of "All Songs") and tempo change a song starts with.
bool saveKeyAndTempo(SongLibrary& lib, const QString& midiFile, int transpose, int tempoChange, DbError* err);

/// Writes what was read from song files into the details and the lyrics index,
/// through statements prepared once (imports write thousands).
class DetailsWriter {
public:
    explicit DetailsWriter(SongLibrary& lib) : lib_(lib) {}
    /// Stores the fingerprint and lyrics of a song, replacing what was there.
    bool store(const QString& midiFile, const SongContent& content, DbError* err);
    /// Remembers a file that could not be read, so it is not read again at every open.
    bool storeUnreadable(const QString& midiFile, DbError* err);
    /// The songs by fingerprint (the first MidiFile of each).
    bool fingerprints(QHash<QByteArray, QString>* out, DbError* err);

private:
    bool prepare(DbError* err);
    SongLibrary& lib_;
    bool prepared_ = false;
    QSqlQuery upsert_, clearLyrics_, addLyrics_;
};

/// Reads the files of the songs an older library never read, one song per
/// next(), committing every few hundred: the grid runs it in slices with its
/// progress shown, the command-line tool at once.
class DetailsFill {
public:
    /// Lists the songs to read; false when the library cannot say.
    bool begin(SongLibrary& lib, DbError* err);
    /// Reads one more song; false when all are read or the library stopped taking writes.
    bool next();
    /// Commits what was read so far: the library takes other writes until the next next().
    void pause();
    /// Commits what was read; false when a write failed.
    bool end(DbError* err);
    int done() const { return int(next_); }
    int total() const { return int(files_.size()); }

private:
    SongLibrary* lib_ = nullptr;
    std::unique_ptr<DetailsWriter> writer_;
    std::vector<QString> files_;
    size_t next_ = 0;
    int pending_ = 0;
    bool inTransaction_ = false;
    DbError error_;
};

} // namespace lirmus
