// The singers' scores in a library: the table added once, kept, and the best
// of a song read back best first.
#include "LibraryFixture.h"
#include "ScoreTable.h"

#include <gtest/gtest.h>

using namespace lirmus;
using namespace lirmus::test;

TEST(ScoreTable, AnOlderLibraryGainsTheTableAndKeepsTheBestOfEachSong)
{
    const QString dir = QString::fromStdString(tempDir());
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(newLibrary(dir), &e));
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM sqlite_master WHERE name = 'Scores'").toInt(), 0);
    ASSERT_TRUE(ensureScoresTable(lib.database(), &e)) << e.text().toStdString();
    ASSERT_TRUE(ensureScoresTable(lib.database(), &e)) << "a second time changes nothing";

    const QDateTime day(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    const ScoreRecord records[] = {{"/songs/a.kar", "Ann", 71, day},        {"/songs/a.kar", "Bob", 88, day.addSecs(60)},
                                   {"/songs/b.kar", "Ann", 99, day},        {"/songs/a.kar", "", 88, day.addSecs(-60)},
                                   {"/songs/a.kar", "Cy", 40, day.addDays(1)}};
    for (const ScoreRecord& r : records) ASSERT_TRUE(addScore(lib.database(), r, &e)) << e.text().toStdString();

    std::vector<ScoreRecord> best;
    ASSERT_TRUE(bestScores(lib.database(), "/songs/a.kar", 3, &best, &e));
    ASSERT_EQ(best.size(), 3u);
    EXPECT_EQ(best[0].singer, "") << "of equal scores the earlier first";
    EXPECT_EQ(best[0].score, 88);
    EXPECT_EQ(best[0].date, day.addSecs(-60));
    EXPECT_EQ(best[1].singer, "Bob");
    EXPECT_EQ(best[2].singer, "Ann");
    EXPECT_EQ(best[2].song, "/songs/a.kar");
    ASSERT_TRUE(bestScores(lib.database(), "/songs/none.kar", 3, &best, &e));
    EXPECT_TRUE(best.empty());

    // A score out of 0..100 is refused, and the library says why.
    EXPECT_FALSE(addScore(lib.database(), {"/songs/a.kar", "X", 101, day}, &e));
    EXPECT_FALSE(e.description.isEmpty());

    // Kept in the file: another connection reads them.
    lib.close();
    ASSERT_TRUE(lib.open(dir + "/songs.db", &e));
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM Scores").toInt(), 5);
}

TEST(ScoreTable, AReadOnlyLibraryCannotTakeTheTableAndSaysSo)
{
    const QString dir = QString::fromStdString(tempDir());
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(newLibrary(dir), &e));
    sqlValue(lib, "PRAGMA query_only = ON");
    EXPECT_FALSE(ensureScoresTable(lib.database(), &e));
    EXPECT_FALSE(e.text().trimmed().isEmpty());
    std::vector<ScoreRecord> best;
    EXPECT_FALSE(bestScores(lib.database(), "/songs/a.kar", 3, &best, &e)) << "no table to read";
}
