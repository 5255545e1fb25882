// The best-scores window from the main window: Ctrl+B (the grid's pop-up) on
// the selected song, Player > "Best Scores..." on the song in the player, and
// the list following a new score and the library closing.
#include "AppState.h"
#include "ScoreTable.h"
#include "SingController.h"
#include "SongTableModel.h"
#include "SmfWriter.h"
#include "frmDataGrid.h"
#include "frmMain.h"
#include "frmScores.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QTableView>
#include <QTreeWidget>

using namespace lirmus;

namespace {

struct Main {
    AppState state;
    frmMain main{state};
    QString dir = QString::fromStdString(test::tempDir());
    QString db = dir + "/scores.db";

    Main()
    {
        state.settings.AppPath = makeAppPath(dir.toStdString());
        state.settingsService = std::make_unique<SettingsService>(state.settings.iniPath());
        main.onBeep = [] {};
        main.createChildWindows();
        main.showAll();
        QCoreApplication::processEvents();
    }
    /// The grid's pop-up "Best Scores..." (Ctrl+B: the main window's test checks the keys).
    void bestScores() { main.menuAction("mnuPData", 16)->trigger(); }
    void selectSong(const QString& file)
    {
        const SongTableModel* songs = main.browser()->songs();
        for (int r = 0; r < songs->rowCount(); ++r)
            if (songs->index(r, 4).data().toString() == file)
                return main.browser()->grdData->setCurrentIndex(songs->index(r, 0));
        ADD_FAILURE() << "no row for " << file.toStdString();
    }
    /// The list shown, a line "singer score" per row.
    QStringList shown() const
    {
        QStringList out;
        const QTreeWidget* list = main.scoresWindow()->lstScores;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(1) + " " + list->topLevelItem(i)->text(2);
        return out;
    }
};

} // namespace

TEST(ScoresMenu, ThePopUpShowsTheSelectedSongsBestAndTheListFollowsNewScores)
{
    Main f;
    DbError e;
    ASSERT_TRUE(copyFileReplacing(QString::fromStdString(test::buildDir()) + "/data/Database.new", f.db, &e));
    const QDateTime day(QDate(2026, 12, 7), QTime(20, 0), Qt::UTC);
    {
        SongLibrary lib;
        ASSERT_TRUE(lib.open(f.db, &e));
        ASSERT_TRUE(ensureScoresTable(lib.database(), &e));
        ASSERT_TRUE(lib.insertSong({"Volare", "Modugno", "", 0, "/songs/a.kar"}, &e));
        ASSERT_TRUE(lib.insertSong({"Waterloo", "Abba", "", 0, "/songs/b.kar"}, &e));
        ASSERT_TRUE(lib.insertSong({"Quiet", "", "", 0, "/songs/c.kar"}, &e));
        for (const ScoreRecord& r : {ScoreRecord{"/songs/a.kar", "Ann", 61, day}, {"/songs/b.kar", "Bob", 97, day},
                                     {"/songs/a.kar", "", 84, day.addSecs(60)}})
            ASSERT_TRUE(addScore(lib.database(), r, &e));
    }
    frmDataGrid* browser = f.main.browser();
    browser->CurDB = f.db;
    browser->CurRecordSource = kDefaultRecordSource;
    browser->CaricaDB();
    ASSERT_EQ(browser->CurDB, f.db);
    browser->optDBFile->setChecked(true); // the grid, not the file list

    f.bestScores();
    EXPECT_EQ(f.main.scoresWindow(), nullptr) << "no song selected";
    f.selectSong("/songs/a.kar");
    f.bestScores();
    frmScores* w = f.main.scoresWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->lblSong->text(), "Volare - Modugno");
    EXPECT_EQ(f.shown(), QStringList({"- 84", "Ann 61"}));
    EXPECT_FALSE(w->lblEmpty->isVisible());

    // A song just sung to its end joins the list open beside it.
    {
        SongLibrary lib;
        ASSERT_TRUE(lib.open(f.db, &e));
        ASSERT_TRUE(addScore(lib.database(), {"/songs/a.kar", "Cy", 90, day.addDays(1)}, &e));
    }
    emit f.main.singing()->songScored(90);
    EXPECT_EQ(f.shown(), QStringList({"Cy 90", "- 84", "Ann 61"}));

    // The same window turns to another song; one never sung says so.
    f.selectSong("/songs/c.kar");
    f.bestScores();
    EXPECT_EQ(f.main.scoresWindow(), w);
    EXPECT_EQ(w->lblSong->text(), "Quiet");
    EXPECT_FALSE(w->lstScores->isVisible());
    EXPECT_TRUE(w->lblEmpty->isVisible());
    EXPECT_EQ(w->lblEmpty->text(), "No scores yet for this song.");

    // Player > "Best Scores...": the song in the player, whichever row is selected.
    f.state.player.chooseSong("/songs/b.kar", 0);
    f.main.menuAction("mnuPlayer", 94)->trigger();
    EXPECT_EQ(w->lblSong->text(), "Waterloo - Abba");
    EXPECT_EQ(f.shown(), QStringList({"Bob 97"}));

    browser->DB_Close();
    EXPECT_TRUE(w->lblEmpty->isVisible()) << "closed with the library";
    EXPECT_EQ(w->lblEmpty->text(), "No song library is open: scores are kept in the open library.");
}
