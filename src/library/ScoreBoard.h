#pragma once
// A song's best-scores list as the window shows it: the song named as the
// library names it, its best performances ranked, or why there are none.
#include "ScoreTable.h"

#include <QLocale>
#include <QString>

#include <vector>

namespace lirmus {

/// One performance as a line of the list.
struct ScoreRow {
    int rank = 0;   ///< equal scores share a rank (1, 2, 2, 4)
    QString singer; ///< "-" when nobody was named
    int score = 0;
    QString date;   ///< the local date and time in the locale's short format, "" when unknown
};

/// What the best-scores window shows for one song.
struct ScoreBoard {
    QString song;    ///< the song file
    QString heading; ///< "Name - Author" from "All Songs", else the file's name
    QString count;   ///< "3 performances", "Best 10 of 12 performances"; "" without rows
    std::vector<ScoreRow> rows;
    QString message; ///< shown instead of rows: no library, no scores yet, an error
};

/// How many performances the list shows at most.
inline constexpr int kBoardSize = 10;

/// The performances as lines, in their order, ranked.
std::vector<ScoreRow> scoreRows(const std::vector<ScoreRecord>& records, const QLocale& locale);

/// The best performances of song in lib (null or closed: none open), at most limit.
ScoreBoard scoreBoard(const SongLibrary* lib, const QString& song, const QLocale& locale, int limit = kBoardSize);

} // namespace lirmus
