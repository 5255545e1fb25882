#pragma once
// The singers' scores kept in the open library: the table Scores (song,
// singer, score, date), added to a library that lacks it when it is opened.
#include "SongLibrary.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace lirmus {

/// One performance.
struct ScoreRecord {
    QString song;    ///< the song file, as "All Songs" names it
    QString singer;  ///< "" when nobody was named
    int score = 0;   ///< 0..100
    QDateTime date;
};

/// Creates the table Scores (and its index by song) unless the library has it.
bool ensureScoresTable(const QSqlDatabase& db, DbError* err);

/// Keeps one performance.
bool addScore(const QSqlDatabase& db, const ScoreRecord& record, DbError* err);

/// The best performances of song, best first (the earlier first among equal scores), at most limit.
bool bestScores(const QSqlDatabase& db, const QString& song, int limit, std::vector<ScoreRecord>* out, DbError* err);

/// How many performances of song are kept.
bool scoreCount(const QSqlDatabase& db, const QString& song, long long* n, DbError* err);

} // namespace lirmus
