#include "SongDetails.h"

#include <QSqlError>

namespace lirmus {

namespace {

bool fail(DbError* err, const QSqlError& e)
{
    if (err) *err = dbError(e);
    return false;
}

// The statements run one by one: trigger bodies hold semicolons of their own.
const char* const kSchema[] = {
    R"(CREATE TABLE IF NOT EXISTS "Song Details" (
         Id INTEGER PRIMARY KEY,
         MidiFile TEXT NOT NULL UNIQUE,
         Hash TEXT,
         Indexed INTEGER NOT NULL DEFAULT 0,
         Favourite INTEGER NOT NULL DEFAULT 0,
         PlayCount INTEGER NOT NULL DEFAULT 0,
         LastPlayed TEXT,
         TempoChange INTEGER))",
    R"(CREATE INDEX IF NOT EXISTS "Song Details Hash" ON "Song Details" (Hash))",
    // The few songs with marks are read at every load: without reading every song's row.
    R"(CREATE INDEX IF NOT EXISTS "Song Details Marked" ON "Song Details" (MidiFile)
       WHERE Favourite <> 0 OR PlayCount > 0 OR TempoChange IS NOT NULL)",
    // Lyrics are matched whatever their letter case and accents.
    R"(CREATE VIRTUAL TABLE IF NOT EXISTS "Song Lyrics" USING fts5(Lyrics, tokenize = 'unicode61 remove_diacritics 2'))",
    R"(CREATE TRIGGER IF NOT EXISTS "Song Details Delete" AFTER DELETE ON "All Songs" BEGIN
         DELETE FROM "Song Lyrics" WHERE rowid IN (SELECT Id FROM "Song Details" WHERE MidiFile = old.MidiFile);
         DELETE FROM "Song Details" WHERE MidiFile = old.MidiFile;
       END)",
    // A record pointed at another file: what was read of the old one no longer holds.
    R"(CREATE TRIGGER IF NOT EXISTS "Song Details Move" AFTER UPDATE OF MidiFile ON "All Songs"
       WHEN old.MidiFile IS NOT new.MidiFile BEGIN
         DELETE FROM "Song Lyrics" WHERE rowid IN (SELECT Id FROM "Song Details" WHERE MidiFile IN (old.MidiFile, new.MidiFile));
         DELETE FROM "Song Details" WHERE MidiFile = new.MidiFile;
         UPDATE "Song Details" SET MidiFile = new.MidiFile, Hash = NULL, Indexed = 0 WHERE MidiFile = old.MidiFile;
       END)",
};

bool ensureDetailsRow(SongLibrary& lib, const QString& midiFile, DbError* err)
{
    QSqlQuery q(lib.database());
    q.prepare(R"(INSERT OR IGNORE INTO "Song Details" (MidiFile) SELECT MidiFile FROM "All Songs" WHERE MidiFile = ?)");
    q.addBindValue(midiFile);
    if (!q.exec()) return fail(err, q.lastError());
    return true;
}

bool updateDetails(SongLibrary& lib, const QString& midiFile, const QString& set, const QVariantList& values,
                   DbError* err)
{
    if (!ensureDetailsRow(lib, midiFile, err)) return false;
    QSqlQuery q(lib.database());
    q.prepare(R"(UPDATE "Song Details" SET )" + set + " WHERE MidiFile = ?");
    for (const QVariant& v : values) q.addBindValue(v);
    q.addBindValue(midiFile);
    if (!q.exec()) return fail(err, q.lastError());
    if (q.numRowsAffected() == 0) {
        if (err) *err = {"3167", "The song is no longer in the library."};
        return false;
    }
    return true;
}

} // namespace

bool hasSongDetails(const SongLibrary& lib)
{
    QSqlQuery q(lib.database());
    return q.exec(R"(SELECT count(*) FROM sqlite_master WHERE name IN ('Song Details', 'Song Lyrics'))") && q.next() &&
           q.value(0).toInt() == 2;
}

bool upgradeSongDetails(SongLibrary& lib, DbError* err)
{
    {
        // Every table, index and trigger there: nothing to do (a file that lost some gets them back).
        QSqlQuery q(lib.database());
        if (q.exec(R"(SELECT count(*) FROM sqlite_master WHERE name IN ('Song Details', 'Song Lyrics',
                      'Song Details Hash', 'Song Details Marked', 'Song Details Delete', 'Song Details Move'))") &&
            q.next() && q.value(0).toInt() == 6)
            return true;
    }
    if (!lib.begin(err)) return false;
    for (const char* sql : kSchema) {
        QSqlQuery q(lib.database());
        if (!q.exec(QString::fromUtf8(sql))) {
            const QSqlError e = q.lastError();
            lib.rollback();
            return fail(err, e);
        }
    }
    return lib.commit(err);
}

QString lyricsMatchExpression(const QString& words, bool lastWordPrefix)
{
    // Only letters and digits make words; the index splits on everything else alike.
    QString cleaned;
    for (const QChar c : words) cleaned += c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing ? c : QChar(' ');
    cleaned = cleaned.simplified();
    if (cleaned.isEmpty()) return {};
    return "\"" + cleaned + "\"" + (lastWordPrefix ? " *" : "");
}

bool findLyrics(const SongLibrary& lib, const QString& words, bool lastWordPrefix, std::vector<QString>* midiFiles,
                DbError* err)
{
    midiFiles->clear();
    const QString match = lyricsMatchExpression(words, lastWordPrefix);
    if (match.isEmpty() || !hasSongDetails(lib)) return true;
    QSqlQuery q(lib.database());
    q.setForwardOnly(true);
    q.prepare(R"(SELECT d.MidiFile FROM "Song Lyrics" l JOIN "Song Details" d ON d.Id = l.rowid
                 WHERE "Song Lyrics" MATCH ?)");
    q.addBindValue(match);
    if (!q.exec()) return fail(err, q.lastError());
    while (q.next()) midiFiles->push_back(q.value(0).toString());
    return true;
}

bool songsWithoutDetails(const SongLibrary& lib, std::vector<QString>* midiFiles, DbError* err)
{
    midiFiles->clear();
    QSqlQuery q(lib.database());
    q.setForwardOnly(true);
    // Mostly every song is read: two counts say so without a join over the whole library.
    if (q.exec(R"(SELECT (SELECT count(*) FROM "All Songs" WHERE MidiFile IS NOT NULL) =
                         (SELECT count(*) FROM "Song Details" WHERE Indexed = 1))") &&
        q.next() && q.value(0).toInt() == 1)
        return true;
    if (!q.exec(R"(SELECT s.MidiFile FROM "All Songs" s LEFT JOIN "Song Details" d ON d.MidiFile = s.MidiFile
                   WHERE s.MidiFile IS NOT NULL AND (d.Indexed IS NULL OR d.Indexed = 0))"))
        return fail(err, q.lastError());
    while (q.next()) midiFiles->push_back(q.value(0).toString());
    return true;
}

bool readMarks(const SongLibrary& lib, QHash<QString, SongMarks>* out, DbError* err)
{
    out->clear();
    if (!hasSongDetails(lib)) return true;
    QSqlQuery q(lib.database());
    q.setForwardOnly(true);
    if (!q.exec(R"(SELECT MidiFile, Favourite, PlayCount, LastPlayed, TempoChange FROM "Song Details"
                   WHERE Favourite <> 0 OR PlayCount > 0 OR TempoChange IS NOT NULL)"))
        return fail(err, q.lastError());
    while (q.next()) {
        SongMarks m;
        m.favourite = q.value(1).toInt() != 0;
        m.plays = q.value(2).toInt();
        m.lastPlayed = q.value(3).toString();
        if (!q.value(4).isNull()) m.tempoChange = q.value(4).toInt();
        out->insert(q.value(0).toString(), m);
    }
    return true;
}

SongMarks marksOf(const SongLibrary& lib, const QString& midiFile)
{
    SongMarks m;
    if (!hasSongDetails(lib)) return m;
    QSqlQuery q(lib.database());
    q.prepare(R"(SELECT Favourite, PlayCount, LastPlayed, TempoChange FROM "Song Details" WHERE MidiFile = ?)");
    q.addBindValue(midiFile);
    if (!q.exec() || !q.next()) return m;
    m.favourite = q.value(0).toInt() != 0;
    m.plays = q.value(1).toInt();
    m.lastPlayed = q.value(2).toString();
    if (!q.value(3).isNull()) m.tempoChange = q.value(3).toInt();
    return m;
}

bool setFavourite(SongLibrary& lib, const QString& midiFile, bool on, DbError* err)
{
    return updateDetails(lib, midiFile, "Favourite = ?", {on ? 1 : 0}, err);
}

bool recordPlay(SongLibrary& lib, const QString& midiFile, const QDateTime& when, DbError* err)
{
    return updateDetails(lib, midiFile, "PlayCount = PlayCount + 1, LastPlayed = ?",
                         {when.toString("yyyy-MM-dd hh:mm")}, err);
}

bool saveKeyAndTempo(SongLibrary& lib, const QString& midiFile, int transpose, int tempoChange, DbError* err)
{
    // Both or neither.
    if (!lib.begin(err)) return false;
    if (!lib.updateField(midiFile, "TRANSPOSE", transpose, err) ||
        !updateDetails(lib, midiFile, "TempoChange = ?", {tempoChange}, err)) {
        lib.rollback();
        return false;
    }
    return lib.commit(err);
}

bool DetailsWriter::prepare(DbError* err)
{
    if (prepared_) return true;
    upsert_ = QSqlQuery(lib_.database());
    clearLyrics_ = QSqlQuery(lib_.database());
    addLyrics_ = QSqlQuery(lib_.database());
    if (!upsert_.prepare(R"(INSERT INTO "Song Details" (MidiFile, Hash, Indexed) VALUES (?, ?, 1)
                            ON CONFLICT (MidiFile) DO UPDATE SET Hash = excluded.Hash, Indexed = 1 RETURNING Id)"))
        return fail(err, upsert_.lastError());
    if (!clearLyrics_.prepare(R"(DELETE FROM "Song Lyrics" WHERE rowid = ?)"))
        return fail(err, clearLyrics_.lastError());
    if (!addLyrics_.prepare(R"(INSERT INTO "Song Lyrics" (rowid, Lyrics) VALUES (?, ?))"))
        return fail(err, addLyrics_.lastError());
    prepared_ = true;
    return true;
}

bool DetailsWriter::store(const QString& midiFile, const SongContent& content, DbError* err)
{
    if (!prepare(err)) return false;
    upsert_.bindValue(0, midiFile);
    upsert_.bindValue(1, content.hash.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(QString::fromLatin1(content.hash)));
    if (!upsert_.exec() || !upsert_.next()) return fail(err, upsert_.lastError());
    const qlonglong id = upsert_.value(0).toLongLong();
    upsert_.finish();
    clearLyrics_.bindValue(0, id);
    if (!clearLyrics_.exec()) return fail(err, clearLyrics_.lastError());
    if (content.lyrics.isEmpty()) return true;
    addLyrics_.bindValue(0, id);
    addLyrics_.bindValue(1, content.lyrics);
    if (!addLyrics_.exec()) return fail(err, addLyrics_.lastError());
    return true;
}

bool DetailsWriter::storeUnreadable(const QString& midiFile, DbError* err)
{
    return store(midiFile, SongContent{}, err);
}

bool DetailsWriter::fingerprints(QHash<QByteArray, QString>* out, DbError* err)
{
    out->clear();
    QSqlQuery q(lib_.database());
    q.setForwardOnly(true);
    if (!q.exec(R"(SELECT Hash, MidiFile FROM "Song Details" WHERE Hash IS NOT NULL ORDER BY Id)"))
        return fail(err, q.lastError());
    while (q.next()) {
        const QByteArray hash = q.value(0).toString().toLatin1();
        if (!out->contains(hash)) out->insert(hash, q.value(1).toString());
    }
    return true;
}

bool DetailsFill::begin(SongLibrary& lib, DbError* err)
{
    lib_ = &lib;
    next_ = 0;
    pending_ = 0;
    inTransaction_ = false;
    error_ = {};
    writer_ = std::make_unique<DetailsWriter>(lib);
    if (!hasSongDetails(lib) || !songsWithoutDetails(lib, &files_, err)) {
        files_.clear();
        return false;
    }
    return true;
}

bool DetailsFill::next()
{
    if (!error_.number.isEmpty() || next_ >= files_.size()) return false;
    DbError e;
    if (!inTransaction_ && !(inTransaction_ = lib_->begin(&e))) {
        error_ = e;
        return false;
    }
    const QString& midiFile = files_[next_++];
    // A file that is gone or no song is remembered as read: it has no lyrics to find.
    const SongContent content = readSongContent(midiFile);
    if (!(content.song() ? writer_->store(midiFile, content, &e) : writer_->storeUnreadable(midiFile, &e))) {
        error_ = e;
        inTransaction_ = false;
        lib_->rollback();
        return false;
    }
    if (++pending_ >= 200) pause();
    return error_.number.isEmpty() && next_ < files_.size();
}

void DetailsFill::pause()
{
    if (!inTransaction_) return;
    inTransaction_ = false;
    pending_ = 0;
    if (!lib_->commit(&error_)) lib_->rollback();
}

bool DetailsFill::end(DbError* err)
{
    pause();
    if (!error_.number.isEmpty()) {
        if (err) *err = error_;
        return false;
    }
    return true;
}

} // namespace lirmus
