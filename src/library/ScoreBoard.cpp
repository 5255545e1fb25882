#include "ScoreBoard.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace lirmus {

namespace {

/// "Name - Author" as "All Songs" has them; the file's name for a song not there or nameless.
QString headingOf(const SongLibrary& lib, const QString& song)
{
    QSqlQuery q(lib.database());
    q.prepare(R"(SELECT Name, Author FROM "All Songs" WHERE MidiFile = ?)");
    q.addBindValue(song);
    QString name, author;
    if (q.exec() && q.next()) {
        name = q.value(0).toString().trimmed();
        author = q.value(1).toString().trimmed();
    }
    if (name.isEmpty()) name = QFileInfo(song).fileName();
    return author.isEmpty() ? name : name + " - " + author;
}

QString countText(long long total, size_t shown)
{
    if (total > static_cast<long long>(shown)) return QString("Best %1 of %2 performances").arg(shown).arg(total);
    return total == 1 ? QString("1 performance") : QString("%1 performances").arg(total);
}

} // namespace

std::vector<ScoreRow> scoreRows(const std::vector<ScoreRecord>& records, const QLocale& locale)
{
    std::vector<ScoreRow> rows;
    rows.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const ScoreRecord& r = records[i];
        ScoreRow row;
        row.rank = i > 0 && r.score == records[i - 1].score ? rows.back().rank : int(i) + 1;
        row.singer = r.singer.trimmed().isEmpty() ? QString("-") : r.singer.trimmed();
        row.score = r.score;
        if (r.date.isValid()) row.date = locale.toString(r.date.toLocalTime(), QLocale::ShortFormat);
        rows.push_back(row);
    }
    return rows;
}

ScoreBoard scoreBoard(const SongLibrary* lib, const QString& song, const QLocale& locale, int limit)
{
    ScoreBoard board;
    board.song = song;
    if (!lib || !lib->isOpen()) {
        board.heading = QFileInfo(song).fileName();
        board.message = "No song library is open: scores are kept in the open library.";
        return board;
    }
    if (song.isEmpty()) {
        board.message = "No song chosen.";
        return board;
    }
    board.heading = headingOf(*lib, song);
    // A library that could not take the table (read-only) has kept no scores.
    if (!lib->database().tables().contains("Scores", Qt::CaseInsensitive)) {
        board.message = "No scores yet for this song.";
        return board;
    }
    DbError e;
    long long total = 0;
    std::vector<ScoreRecord> best;
    if (!scoreCount(lib->database(), song, &total, &e) || !bestScores(lib->database(), song, limit, &best, &e)) {
        board.message = "The scores could not be read:\n" + e.text();
        return board;
    }
    if (best.empty()) {
        board.message = "No scores yet for this song.";
        return board;
    }
    board.rows = scoreRows(best, locale);
    board.count = countText(total, best.size());
    return board;
}

} // namespace lirmus
