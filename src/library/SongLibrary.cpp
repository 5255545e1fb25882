#include "SongLibrary.h"

#include "SongDetails.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace lirmus {

namespace {

QAtomicInt connections;

// How often the engine asks whether a bounded statement may go on.
constexpr int kProgressSteps = 1000;

QString newConnectionName() { return QString("lirmus-library-%1").arg(connections.fetchAndAddRelaxed(1)); }

QString withoutTrailingSemicolon(QString sql)
{
    sql = sql.trimmed();
    while (sql.endsWith(';')) sql = sql.chopped(1).trimmed();
    return sql;
}

bool fail(DbError* err, const QString& number, const QString& description)
{
    if (err) *err = {number, description};
    return false;
}

bool fail(DbError* err, const QSqlError& e)
{
    if (err) *err = dbError(e);
    return false;
}

// Opens a connection to an existing SQLite file and proves it is one.
bool openConnection(QSqlDatabase& db, const QString& connection, const QString& path, DbError* err)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) return fail(err, "14", "unable to open database file: " + path);
    db = QSqlDatabase::addDatabase("QSQLITE", connection);
    db.setDatabaseName(path);
    // Another program writing the file holds us back a moment, not forever.
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1500");
    if (!db.open()) return fail(err, db.lastError());
    QSqlQuery probe(db);
    if (!probe.exec("SELECT count(*) FROM sqlite_master")) {
        const QSqlError e = probe.lastError();
        probe = QSqlQuery();
        db.close();
        return fail(err, e);
    }
    return true;
}

void dropConnection(QSqlDatabase& db, const QString& connection)
{
    if (db.isValid()) db.close();
    db = QSqlDatabase();
    if (QSqlDatabase::contains(connection)) QSqlDatabase::removeDatabase(connection);
}

bool syncFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool integrityOk(const QString& path, QString* problem)
{
    const QString connection = newConnectionName();
    bool ok = false;
    {
        QSqlDatabase db;
        DbError e;
        if (!openConnection(db, connection, path, &e)) {
            *problem = e.text();
        } else {
            QSqlQuery q(db);
            if (q.exec("PRAGMA integrity_check") && q.next()) {
                ok = q.value(0).toString() == "ok";
                if (!ok) *problem = "11 " + q.value(0).toString();
            } else {
                *problem = dbError(q.lastError()).text();
            }
        }
        dropConnection(db, connection);
    }
    return ok;
}

} // namespace

bool DbError::fatal() const
{
    // SQLite's primary codes: busy, locked, read-only, I/O error, damaged, full, cannot open, not a database.
    static const QStringList codes = {"5", "6", "8", "10", "11", "13", "14", "26"};
    bool isNumber = false;
    const int n = number.toInt(&isNumber);
    return isNumber && codes.contains(QString::number(n & 0xff));
}

DbError dbError(const QSqlError& e)
{
    QString number = e.nativeErrorCode();
    const QString description = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    const int code = number.toInt();
    if (code == 2067 || code == 1555 || (code == 19 && description.contains("UNIQUE")))
        number = DbError::kDuplicate;
    if (number.isEmpty()) number = "0";
    return {number, description};
}

struct SongLibrary::Prepared {
    QSqlQuery insert;
};

SongLibrary::SongLibrary() : connection_(newConnectionName()) {}

SongLibrary::~SongLibrary() { close(); }

bool SongLibrary::open(const QString& path, DbError* err)
{
    close();
    if (!openConnection(db_, connection_, path, err)) {
        dropConnection(db_, connection_);
        return false;
    }
    const QVariant h = db_.driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0) handle_ = *static_cast<sqlite3* const*>(h.constData());
    if (!handle_) {
        dropConnection(db_, connection_);
        return fail(err, "14", "The SQLite driver gives no handle to " + path + ".");
    }
    sqlite3_progress_handler(handle_, kProgressSteps, &SongLibrary::progress, this);
    path_ = path;
    // A library of an older copy gains the details and lyrics tables; a read-only one is used without them.
    DbError ignored;
    if (hasSongTable(&ignored)) upgradeSongDetails(*this, &ignored);
    return true;
}

namespace {
std::atomic<bool> gProgramEnds{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

void SongLibrary::stopEveryQuery() { gProgramEnds.store(true); }

int SongLibrary::progress(void* self)
{
    const auto* lib = static_cast<const SongLibrary*>(self);
    if (!lib->armed_) return 0;
    if (lib->stop_.load() || gProgramEnds.load()) return 1;
    lib->steps_ += kProgressSteps;
    if (lib->steps_ <= lib->budget_) return 0;
    lib->ranOut_ = true;
    return 1;
}

void SongLibrary::close()
{
    if (handle_) sqlite3_progress_handler(handle_, 0, nullptr, nullptr);
    handle_ = nullptr;
    delete prepared_;
    prepared_ = nullptr;
    dropConnection(db_, connection_);
    path_.clear();
}

bool SongLibrary::objects(std::vector<LibraryObject>* out, DbError* err) const
{
    out->clear();
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec("SELECT type, name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name COLLATE NOCASE"))
        return fail(err, q.lastError());
    while (q.next()) out->push_back({q.value(1).toString(), q.value(0).toString() == "view", {}});
    for (LibraryObject& o : *out) {
        QSqlQuery fields(db_);
        // A stored query whose tables have gone has no fields: it is simply not offered.
        if (!fields.exec("PRAGMA table_info(" + quoteIdentifier(o.name) + ")")) continue;
        while (fields.next()) o.fields << fields.value(1).toString();
    }
    return true;
}

bool SongLibrary::hasSongTable(DbError* err) const
{
    std::vector<LibraryObject> all;
    if (!objects(&all, err)) return false;
    for (const LibraryObject& o : all)
        if (!o.view && o.name.compare(kSongTable, Qt::CaseInsensitive) == 0 && TuttiICampi(o.fields)) return true;
    return fail(err, "3078", path_ + " is not a song library: it has no table \"" + kSongTable +
                                 "\" with Name, Author, Category, TRANSPOSE and MidiFile.");
}

bool SongLibrary::count(const QString& selectSql, long long* n, DbError* err) const
{
    // The record source may be hand-written: counting runs all of it.
    ReadOnly readOnly(*this);
    if (!readOnly.ok()) return fail(err, "8", "The library cannot be made read-only: the query does not run.");
    Bounded bounded(*this);
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    if (!q.exec("SELECT count(*) FROM (" + withoutTrailingSemicolon(selectSql) + ")") || !q.next()) {
        if (err) *err = bounded.error(q.lastError());
        return false;
    }
    *n = q.value(0).toLongLong();
    return true;
}

bool SongLibrary::updateField(const QString& midiFile, const QString& field, const QVariant& value, DbError* err)
{
    QString name = field.toUpper();
    if (name == "TRANS") name = "TRANSPOSE";
    static const QStringList songFields = {"NAME", "AUTHOR", "CATEGORY", "TRANSPOSE", "MIDIFILE"};
    if (!songFields.contains(name)) return fail(err, "1", "The field " + field + " is not a song field.");
    QVariant stored = value;
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) {
        stored = name == "TRANSPOSE" ? QVariant(QMetaType::fromType<int>()) : QVariant(QMetaType::fromType<QString>());
    } else if (name == "TRANSPOSE") {
        bool ok = false;
        const int semitones = text.toInt(&ok);
        if (!ok || semitones < -32768 || semitones > 32767)
            return fail(err, "20", "The transposition must be a whole number of semitones.");
        stored = semitones;
    }
    if (name == "MIDIFILE" && stored.isNull()) return fail(err, "19", "Every song needs its MidiFile.");
    QSqlQuery q(db_);
    q.prepare("UPDATE \"All Songs\" SET " + quoteIdentifier(name) + " = ? WHERE MidiFile = ?");
    q.addBindValue(stored);
    q.addBindValue(midiFile);
    if (!q.exec()) return fail(err, q.lastError());
    if (q.numRowsAffected() == 0) return fail(err, "3167", "The song is no longer in the library.");
    return true;
}

bool SongLibrary::deleteSong(const QString& midiFile, DbError* err)
{
    QSqlQuery q(db_);
    q.prepare("DELETE FROM \"All Songs\" WHERE MidiFile = ?");
    q.addBindValue(midiFile);
    if (!q.exec()) return fail(err, q.lastError());
    return true;
}

bool SongLibrary::createView(const QString& name, const QString& selectSql, DbError* err)
{
    if (!isSingleSelect(selectSql))
        return fail(err, "8", "A stored query holds one SELECT and nothing else.");
    QSqlQuery q(db_);
    if (!q.exec("CREATE VIEW " + quoteIdentifier(name) + " AS " + withoutTrailingSemicolon(selectSql)))
        return fail(err, q.lastError());
    return true;
}

bool SongLibrary::begin(DbError* err)
{
    if (!db_.transaction()) return fail(err, db_.lastError());
    return true;
}

bool SongLibrary::commit(DbError* err)
{
    if (!db_.commit()) return fail(err, db_.lastError());
    return true;
}

void SongLibrary::rollback() { db_.rollback(); }

bool SongLibrary::insertSong(const SongRecord& song, DbError* err)
{
    if (!prepared_) {
        prepared_ = new Prepared{QSqlQuery(db_)};
        if (!prepared_->insert.prepare(
                "INSERT INTO \"All Songs\" (Transpose, Author, Category, Name, Midifile) VALUES (?, ?, ?, ?, ?)")) {
            const QSqlError e = prepared_->insert.lastError();
            delete prepared_;
            prepared_ = nullptr;
            return fail(err, e);
        }
    }
    QSqlQuery& q = prepared_->insert;
    const QVariant nullText(QMetaType::fromType<QString>());
    q.bindValue(0, song.transpose);
    q.bindValue(1, song.author.isEmpty() ? nullText : QVariant(song.author));
    q.bindValue(2, song.category.isEmpty() ? nullText : QVariant(song.category));
    q.bindValue(3, song.name);
    q.bindValue(4, song.midiFile);
    if (!q.exec()) return fail(err, q.lastError());
    return true;
}

SongLibrary::ReadOnly::ReadOnly(const SongLibrary& lib) : lib_(lib)
{
    // The pragma says nothing on failure: read the setting back.
    QSqlQuery q(lib_.db_);
    ok_ = q.exec("PRAGMA query_only = ON") && q.exec("PRAGMA query_only") && q.next() && q.value(0).toInt() == 1;
}

SongLibrary::Bounded::Bounded(const SongLibrary& lib) : lib_(lib)
{
    lib_.stop_.store(false);
    lib_.ranOut_ = false;
    lib_.steps_ = 0;
    lib_.armed_ = true;
    if (lib_.handle_) savedLength_ = sqlite3_limit(lib_.handle_, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
}

SongLibrary::Bounded::~Bounded()
{
    lib_.armed_ = false;
    if (lib_.handle_ && savedLength_ >= 0) sqlite3_limit(lib_.handle_, SQLITE_LIMIT_LENGTH, savedLength_);
}

DbError SongLibrary::Bounded::error(const QSqlError& e) const
{
    DbError out = dbError(e);
    const int code = out.number.toInt() & 0xff;
    if (code == SQLITE_INTERRUPT)
        out.description = lib_.ranOut_ ? "The query was stopped: it took too long. Narrow it down or add a LIMIT."
                                        : "The query was stopped.";
    else if (code == SQLITE_TOOBIG)
        out.description = QString("The query was stopped: a value it makes is larger than %1 MB.")
                              .arg(kMaxValueBytes >> 20);
    return out;
}

SongLibrary::ReadOnly::~ReadOnly() { QSqlQuery(lib_.db_).exec("PRAGMA query_only = OFF"); }

bool createLibraryFromSchema(const QString& schemaFile, const QString& libraryFile, DbError* err)
{
    QFile schema(schemaFile);
    if (!schema.open(QIODevice::ReadOnly)) return fail(err, "14", "Cannot read " + schemaFile);
    const QString text = QString::fromUtf8(schema.readAll());
    const QString part = libraryFile + ".part";
    QFile::remove(part);
    const QString connection = newConnectionName();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
        db.setDatabaseName(part);
        if (!db.open()) {
            ok = fail(err, db.lastError());
        } else {
            QString code;
            for (const QString& line : text.split('\n'))
                if (!line.trimmed().startsWith("--")) code += line + '\n';
            for (const QString& sql : code.split(';')) {
                if (sql.trimmed().isEmpty()) continue;
                QSqlQuery q(db);
                if (!q.exec(sql)) {
                    ok = fail(err, q.lastError());
                    break;
                }
            }
        }
        dropConnection(db, connection);
    }
    if (ok && std::rename(QFile::encodeName(part).constData(), QFile::encodeName(libraryFile).constData()) != 0)
        ok = fail(err, QString::number(errno), QString::fromLocal8Bit(std::strerror(errno)));
    if (!ok) QFile::remove(part);
    return ok;
}

bool copyFileReplacing(const QString& source, const QString& dest, DbError* err)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return fail(err, QString::number(in.error()), in.errorString());
    // Written beside the destination and renamed over it: a failure leaves dest as it was.
    QSaveFile out(dest);
    if (!out.open(QIODevice::WriteOnly)) return fail(err, QString::number(out.error()), out.errorString());
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return fail(err, QString::number(in.error()), in.errorString());
        }
        if (n == 0) break;
        if (out.write(buffer, n) != n) {
            const DbError e{QString::number(out.error()), out.errorString()};
            out.cancelWriting();
            return fail(err, e.number, e.description);
        }
    }
    if (!out.commit()) return fail(err, QString::number(out.error()), out.errorString());
    return true;
}

bool repairLibrary(const QString& path, DbError* err)
{
    const QFileInfo info(path);
    const QString temp = info.absolutePath() + "/." + info.fileName() + ".repair-" +
                         QUuid::createUuid().toString(QUuid::Id128).left(8) + ".db";
    const QString connection = newConnectionName();
    bool ok = true;
    {
        QSqlDatabase db;
        ok = openConnection(db, connection, path, err);
        if (ok) {
            QSqlQuery q(db);
            QString escaped = temp;
            if (!q.exec("VACUUM INTO '" + escaped.replace("'", "''") + "'")) ok = fail(err, q.lastError());
        }
        dropConnection(db, connection);
    }
    QString problem;
    if (ok && !integrityOk(temp, &problem)) {
        const qsizetype blank = problem.indexOf(' ');
        ok = fail(err, problem.left(blank), problem.mid(blank + 1));
    }
    if (ok) {
        QFile::setPermissions(temp, QFile::permissions(path));
        if (!syncFile(temp)) ok = fail(err, QString::number(errno), QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (ok && std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
        ok = fail(err, QString::number(errno), QString::fromLocal8Bit(std::strerror(errno)));
    if (!ok) QFile::remove(temp);
    return ok;
}

QString templatePath(const QString& appPath, const QStringList& installedDirs)
{
    QStringList candidates = {appPath + "Database.new"};
    for (const QString& dir : installedDirs) candidates << QDir(dir).filePath("Database.new");
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.isFile() && info.size() > 0) return c;
    }
    return {};
}

} // namespace lirmus
