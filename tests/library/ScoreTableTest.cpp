// The singers' scores in a library: the table added once, kept, and the best
// of a song read back best first.
#include "LibraryFixture.h"
#include "ScoreBoard.h"
#include "ScoreTable.h"

#include <gtest/gtest.h>

#include <ctime>

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
    long long n = -1;
    ASSERT_TRUE(scoreCount(lib.database(), "/songs/a.kar", &n, &e));
    EXPECT_EQ(n, 4);
    ASSERT_TRUE(scoreCount(lib.database(), "/songs/none.kar", &n, &e));
    EXPECT_EQ(n, 0);

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

TEST(ScoreBoard, ASongsBestTenRankedAndNamedAsTheLibraryNamesIt)
{
    const QString dir = QString::fromStdString(tempDir());
    SongLibrary lib;
    DbError e;
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(scoreBoard(nullptr, "/songs/a.kar", us).message,
              "No song library is open: scores are kept in the open library.");
    EXPECT_EQ(scoreBoard(&lib, "/songs/a.kar", us).message,
              "No song library is open: scores are kept in the open library.") << "closed";
    ASSERT_TRUE(lib.open(newLibrary(dir), &e));
    ASSERT_TRUE(lib.insertSong({"Volare", "Modugno", "Pop", 0, "/songs/a.kar"}, &e));
    ASSERT_TRUE(lib.insertSong({"Solo", "", "Pop", 0, "/songs/b.kar"}, &e));
    // A library that never gained the table (read-only) has no scores, which is no error.
    ScoreBoard board = scoreBoard(&lib, "/songs/a.kar", us);
    EXPECT_EQ(board.message, "No scores yet for this song.");
    EXPECT_EQ(board.heading, "Volare - Modugno");
    ASSERT_TRUE(ensureScoresTable(lib.database(), &e));

    // Twelve performances of a.kar at noon on days 1..12; b.kar's higher scores stay b.kar's.
    const int scores[] = {50, 90, 70, 90, 10, 60, 100, 20, 30, 40, 80, 55};
    const QString singers[] = {"Ann", "Bob", "", "Cy", "Di", "Ed", "Flo", "Gus", "Hal", "Ivy", "Jo", "  "};
    for (int i = 11; i >= 0; --i) // stored out of order
        ASSERT_TRUE(addScore(lib.database(), {"/songs/a.kar", singers[i], scores[i],
                                              QDateTime(QDate(2026, 12, 1 + i), QTime(12, 0), Qt::UTC)}, &e));
    for (int s : {99, 100}) ASSERT_TRUE(addScore(lib.database(), {"/songs/b.kar", "Zed", s, QDateTime::currentDateTime()}, &e));

    board = scoreBoard(&lib, "/songs/a.kar", us);
    EXPECT_TRUE(board.message.isEmpty());
    EXPECT_EQ(board.count, "Best 10 of 12 performances");
    QStringList seen;
    for (const ScoreRow& r : board.rows) seen << QString("%1 %2 %3").arg(r.rank).arg(r.singer).arg(r.score);
    EXPECT_EQ(seen, QStringList({"1 Flo 100", "2 Bob 90", "2 Cy 90", "4 Jo 80", "5 - 70", "6 Ed 60", "7 - 55",
                                 "8 Ann 50", "9 Ivy 40", "10 Hal 30"}));
    EXPECT_TRUE(board.rows[0].date.startsWith("12/7/26")) << board.rows[0].date.toStdString();
    {
        // Dates are shown in local time: noon UTC is the next day fourteen hours east.
        const QByteArray tz = qgetenv("TZ");
        qputenv("TZ", "UTC-14");
        tzset();
        EXPECT_TRUE(scoreBoard(&lib, "/songs/a.kar", us).rows[0].date.startsWith("12/8/26"));
        tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
        tzset();
    }

    board = scoreBoard(&lib, "/songs/b.kar", us);
    EXPECT_EQ(board.heading, "Solo") << "no author";
    EXPECT_EQ(board.count, "2 performances");
    ASSERT_EQ(board.rows.size(), 2u);
    EXPECT_EQ(board.rows[0].score, 100);

    ASSERT_TRUE(addScore(lib.database(), {"/songs/c.kar", "Ann", 50, QDateTime::currentDateTime()}, &e));
    EXPECT_EQ(scoreBoard(&lib, "/songs/c.kar", us).count, "1 performance");

    board = scoreBoard(&lib, dir + "/not/in/library.kar", us);
    EXPECT_EQ(board.heading, "library.kar");
    EXPECT_TRUE(board.rows.empty());
    EXPECT_EQ(board.message, "No scores yet for this song.");
}
