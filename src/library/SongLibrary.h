#pragma once
// One song library file: an SQLite database opened through Qt's SQL module.
// Plain code (no windows): the browser, the import, the query builder and the
// command-line tool all work through it.
#include "LibrarySql.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <vector>

namespace lirmus {

/// An engine error as the messages show it: number and description.
struct DbError {
    QString number;
    QString description;
    /// The number the messages give a song that is already in the library.
    static inline const QString kDuplicate = QStringLiteral("3022");
    bool duplicate() const { return number == kDuplicate; }
    /// Errors that every further write would repeat: full disk, read-only or locked file, damage.
    bool fatal() const;
    QString text() const { return number + " " + description; }
};

/// One record of "All Songs" as the import writes it; null strings are stored as Null.
struct SongRecord {
    QString name, author, category;
    int transpose = 0;
    QString midiFile;
};

class SongLibrary {
public:
    SongLibrary();
    ~SongLibrary();
    SongLibrary(const SongLibrary&) = delete;
    SongLibrary& operator=(const SongLibrary&) = delete;

    /// Opens an existing library file; a missing file or one that is not SQLite fails.
    bool open(const QString& path, DbError* err);
    void close();
    bool isOpen() const { return db_.isOpen(); }
    QString path() const { return path_; }
    QSqlDatabase database() const { return db_; }

    /// Tables and views with their field names, by name.
    bool objects(std::vector<LibraryObject>* out, DbError* err) const;
    /// The rows a query gives.
    bool count(const QString& selectSql, long long* n, DbError* err) const;

    /// Changes one field of the song with this file in "All Songs" (field: a record source
    /// column; "Trans" is TRANSPOSE). Empty text becomes Null.
    bool updateField(const QString& midiFile, const QString& field, const QVariant& value, DbError* err);
    /// Deletes the song with this file from "All Songs".
    bool deleteSong(const QString& midiFile, DbError* err);
    /// Stores selectSql as a view; the name is quoted, whatever it holds.
    bool createView(const QString& name, const QString& selectSql, DbError* err);

    bool begin(DbError* err);
    bool commit(DbError* err);
    void rollback();
    /// Adds one song; a song already there fails with DbError::kDuplicate.
    bool insertSong(const SongRecord& song, DbError* err);

    /// Runs read-only statements only while the guard lives.
    class ReadOnly {
    public:
        explicit ReadOnly(const SongLibrary& lib);
        ~ReadOnly();

    private:
        const SongLibrary& lib_;
    };

private:
    QString connection_;
    QString path_;
    QSqlDatabase db_;
    struct Prepared;
    Prepared* prepared_ = nullptr;
};

/// The engine's error of a query or database, with a duplicate reported as 3022.
DbError dbError(const class QSqlError& e);

/// Makes an empty library from the schema file (SQL statements separated by ";").
bool createLibraryFromSchema(const QString& schemaFile, const QString& libraryFile, DbError* err);
/// Copies the template to dest through a temporary file beside it, replacing dest.
bool copyFileReplacing(const QString& source, const QString& dest, DbError* err);
/// Checks and compacts the library into a temporary file beside it and puts that in
/// its place; on any failure the library is left as it was.
bool repairLibrary(const QString& path, DbError* err);

/// The template "Database.new": in appPath when there, else the first installed copy;
/// "" when none exists or it is empty.
QString templatePath(const QString& appPath, const QStringList& installedDirs);

} // namespace lirmus
