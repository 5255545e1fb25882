#include "ScoreTable.h"

#include <QSqlError>
#include <QSqlQuery>

namespace lirmus {

namespace {

bool failed(DbError* err, const QSqlError& e)
{
    if (err) *err = dbError(e);
    return false;
}

} // namespace

bool ensureScoresTable(const QSqlDatabase& db, DbError* err)
{
    QSqlQuery q(db);
    if (!q.exec("CREATE TABLE IF NOT EXISTS Scores (Song TEXT NOT NULL, Singer TEXT NOT NULL DEFAULT '', "
                "Score INTEGER NOT NULL CHECK (Score BETWEEN 0 AND 100), Date TEXT NOT NULL)"))
        return failed(err, q.lastError());
    if (!q.exec("CREATE INDEX IF NOT EXISTS ScoresBySong ON Scores (Song, Score DESC)")) return failed(err, q.lastError());
    return true;
}

bool addScore(const QSqlDatabase& db, const ScoreRecord& record, DbError* err)
{
    QSqlQuery q(db);
    q.prepare("INSERT INTO Scores (Song, Singer, Score, Date) VALUES (?, ?, ?, ?)");
    q.addBindValue(record.song);
    q.addBindValue(record.singer.isNull() ? QString("") : record.singer);
    q.addBindValue(record.score);
    q.addBindValue(record.date.toUTC().toString(Qt::ISODate));
    if (!q.exec()) return failed(err, q.lastError());
    return true;
}

bool bestScores(const QSqlDatabase& db, const QString& song, int limit, std::vector<ScoreRecord>* out, DbError* err)
{
    out->clear();
    QSqlQuery q(db);
    q.prepare("SELECT Song, Singer, Score, Date FROM Scores WHERE Song = ? ORDER BY Score DESC, Date ASC LIMIT ?");
    q.addBindValue(song);
    q.addBindValue(limit);
    if (!q.exec()) return failed(err, q.lastError());
    while (q.next()) {
        ScoreRecord r{q.value(0).toString(), q.value(1).toString(), q.value(2).toInt(),
                      QDateTime::fromString(q.value(3).toString(), Qt::ISODate)};
        out->push_back(r);
    }
    return true;
}

bool scoreCount(const QSqlDatabase& db, const QString& song, long long* n, DbError* err)
{
    QSqlQuery q(db);
    q.prepare("SELECT count(*) FROM Scores WHERE Song = ?");
    q.addBindValue(song);
    if (!q.exec() || !q.next()) return failed(err, q.lastError());
    *n = q.value(0).toLongLong();
    return true;
}

} // namespace lirmus
