#pragma once
// One song library file: an SQLite database opened through Qt's SQL module.
// Plain code (no windows): the browser, the import, the query builder and the
// command-line tool all work through it.
#include "LibrarySql.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <atomic>
#include <vector>

struct sqlite3;

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
    /// True when the file holds the table "All Songs" with every song field; else
    /// says that it is not a song library.
    bool hasSongTable(DbError* err) const;
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

    /// Runs read-only statements only while the guard lives; ok() is false when
    /// the connection refused, and then nothing hand-written may run.
    class ReadOnly {
    public:
        explicit ReadOnly(const SongLibrary& lib);
        ~ReadOnly();
        bool ok() const { return ok_; }

    private:
        const SongLibrary& lib_;
        bool ok_ = false;
    };

    /// The most a value of a hand-written query may hold.
    static constexpr int kMaxValueBytes = 32 << 20;
    /// The engine's steps a hand-written query may take per run of the guard below
    /// before it is stopped (about seconds: the window thread waits meanwhile).
    static constexpr long long kWorkBudget = 300'000'000;

    /// While it lives, statements on the library are bounded: no value longer than
    /// kMaxValueBytes, at most the work budget, and requestStop() ends them.
    class Bounded {
    public:
        explicit Bounded(const SongLibrary& lib);
        ~Bounded();
        /// The engine's error as the messages show it, saying why a query was stopped.
        DbError error(const class QSqlError& e) const;

    private:
        const SongLibrary& lib_;
        int savedLength_ = -1;
    };
    /// Stops the bounded statement running now (safe from any thread).
    void requestStop() { stop_.store(true); }
    /// Stops every bounded statement of every library, now and from now on: the
    /// program ends. Async-signal-safe (a signal handler may call it).
    static void stopEveryQuery();
    /// For tests: the work budget of the bounded statements.
    void setWorkBudget(long long steps) { budget_ = steps; }

private:
    static int progress(void* self);
    QString connection_;
    QString path_;
    QSqlDatabase db_;
    struct Prepared;
    Prepared* prepared_ = nullptr;
    sqlite3* handle_ = nullptr;
    // The bounded statements' state; the progress handler reads it.
    mutable std::atomic<bool> stop_{false};
    mutable bool armed_ = false;
    mutable bool ranOut_ = false;
    mutable long long steps_ = 0;
    long long budget_ = kWorkBudget;
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
