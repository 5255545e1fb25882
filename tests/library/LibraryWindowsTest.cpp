// The browser's database half, the import window and the query builder,
// driven offscreen through their handlers on real library files.
#include "../song/QtPrinters.h"
#include "LibraryFixture.h"
#include "SongTableModel.h"
#include "frmDataGrid.h"
#include "frmImport.h"
#include "frmSelect.h"
#include "Jobs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtCore/qtestsupport_core.h>

#include <deque>
#include <map>

#include "BrowserFixture.h"

using namespace lirmus;
using namespace lirmus::test;
using lirmus::test::Browser;


TEST(LibraryWindows, NewLibraryOpensInTheDatabaseViewAndCloseReturnsToTheFiles)
{
    Browser b;
    b.load();
    EXPECT_FALSE(b.w.optDBFile->isEnabled());
    b.answers = {b.dir + "/bad.mdb"};
    b.w.DB_New();
    EXPECT_EQ(b.messages.back(), QString("Invalid File name ! Must be with 'db' extension or without extension."));
    EXPECT_FALSE(QFileInfo::exists(b.dir + "/bad.mdb"));

    b.answers = {b.dir + "/mine"};
    b.w.DB_New();
    EXPECT_EQ(b.w.CurDB, b.dir + "/mine.db");
    EXPECT_EQ(b.w.windowTitle(), "0 Records from: [All Songs]; in " + b.dir + "/mine.db");
    EXPECT_TRUE(b.w.optDBFile->isChecked());
    EXPECT_TRUE(b.enabledMenus);
    EXPECT_FALSE(b.w.picFiles->isVisible());
    EXPECT_TRUE(b.w.picDB->isVisible());
    EXPECT_EQ(b.w.lstQuery->count(), 1);
    EXPECT_EQ(b.w.lstQuery->itemText(0), QString("(T)All Songs"));
    EXPECT_EQ(b.settings["CurDB"], b.dir + "/mine.db");
    EXPECT_EQ(b.settings["RecordSource"], kDefaultRecordSource);
    EXPECT_EQ(b.settings["DBorFiles"], QString("1"));
    EXPECT_EQ(b.w.songs()->columnCount(), 8) << "the five song fields, Fav, Plays and Last Played";
    int widths = 0;
    for (int c = 0; c < 8; ++c) widths += b.w.grdData->columnWidth(c);
    EXPECT_NEAR(widths, b.w.grdData->viewport()->width(), 8) << "the columns share the grid's width";

    b.w.DB_Close();
    EXPECT_FALSE(b.enabledMenus);
    EXPECT_FALSE(b.w.optDBFile->isEnabled());
    EXPECT_FALSE(b.w.optDBFile->isChecked());
    EXPECT_TRUE(b.w.picFiles->isVisible());
    EXPECT_FALSE(b.w.cmdImport->isVisible());
    EXPECT_EQ(b.settings["CurDB"], QString());
    EXPECT_EQ(b.settings["DBorFiles"], QString("0"));
    b.w.DB_Close(); // again, with nothing open: harmless

    // Without any template the library cannot be made.
    QFile::remove(b.app + "Database.new");
    b.answers = {b.dir + "/other.db"};
    b.w.DB_New();
    EXPECT_EQ(b.messages.back(), QString("'Database.New' file not found!"));
    EXPECT_FALSE(QFileInfo::exists(b.dir + "/other.db"));
}

TEST(LibraryWindows, StartUpRestoresTheLibraryAndABadOneIsReported)
{
    Browser b;
    b.settings["CurDB"] = b.library();
    b.settings["DBorFiles"] = "1";
    b.load(); // RecordSource missing: the bare table name
    EXPECT_EQ(b.w.windowTitle(), "3 Records from: All Songs in " + b.dir + "/karaoke.db");
    EXPECT_TRUE(b.w.optDBFile->isChecked());
    EXPECT_TRUE(b.writes.empty());
    EXPECT_EQ(sqlValue(b.w.library(), "SELECT count(*) FROM sqlite_master WHERE name = 'Scores'").toInt(), 1)
        << "a library made before scores gains their table when opened";

    Browser bad;
    ASSERT_TRUE(writeFile((bad.dir + "/text.db").toStdString(), std::string(2048, 't')));
    bad.settings["CurDB"] = bad.dir + "/text.db";
    bad.settings["RecordSource"] = kDefaultRecordSource;
    bad.settings["DBorFiles"] = "1";
    bad.load();
    ASSERT_EQ(bad.messages.size(), 1u);
    EXPECT_TRUE(bad.messages[0].startsWith("Error on DB load:\n26 ")) << bad.messages[0].toStdString();
    EXPECT_EQ(bad.w.CurDB, QString());
    EXPECT_TRUE(bad.w.picFiles->isVisible());
    EXPECT_FALSE(bad.w.optDBFile->isEnabled());
    EXPECT_EQ(bad.settings["CurDB"], bad.dir + "/text.db"); // the settings keep the last good values
}

TEST(LibraryWindows, HeadersWithQuotesAndBracketsSortAndHugeSelectionsSayTheyAreCut)
{
    Browser b;
    b.settings["CurDB"] = b.library(4);
    b.settings["RecordSource"] =
        "SELECT Author AS \"it's [a]\", Name AS \"x]\"\"y desc\", Category, TRANSPOSE AS Trans, MidiFile "
        "FROM [All Songs];";
    b.settings["DBorFiles"] = "1";
    b.load();
    ASSERT_EQ(b.w.songs()->rowCount(), 4);
    b.headerClick(0, Qt::NoModifier);
    EXPECT_EQ(b.column(0), (QStringList{"Abba", "Modugno", "Modugno", "O'Brien"}));
    b.headerClick(1, Qt::ShiftModifier);
    EXPECT_EQ(b.column(1), (QStringList{"Song 03", "Song 02", "Song 01", "Song 00"}));
    b.headerClick(1, Qt::NoModifier);
    EXPECT_EQ(b.column(1).front(), QString("Song 00"));

    // A selection bigger than memory should hold is read up to the bound, and the caption says so.
    DbError e;
    const QString huge = "SELECT * FROM (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                         "WHERE x < 100) SELECT randomblob(10000000) AS Name, 1 AS Author, 1 AS Category, "
                         "0 AS Trans, x AS MidiFile FROM c)";
    b.w.songs()->setByteBound(30'000'000);
    ASSERT_TRUE(b.w.showRecordSource(huge, &e)) << e.text().toStdString();
    b.w.songs()->fetchAll();
    b.w.RifaiCaptionDB();
    EXPECT_TRUE(b.w.windowTitle().startsWith("4 Records from: ")) << b.w.windowTitle().toStdString();
    EXPECT_TRUE(b.w.windowTitle().endsWith("(cut short: the query gives more)")) << b.w.windowTitle().toStdString();
    // One value too big to make is refused with a message; the rows shown stay.
    EXPECT_FALSE(b.w.showRecordSource("SELECT randomblob(1000000000) AS Name", &e));
    EXPECT_TRUE(e.description.contains("larger than")) << e.text().toStdString();
    EXPECT_EQ(b.w.songs()->rowCount(), 4);
}

TEST(LibraryWindows, SortFindAndFindNext)
{
    Browser b;
    b.settings["CurDB"] = b.library(7);
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.settings["DBorFiles"] = "1";
    b.load();
    b.headerClick(1, Qt::NoModifier);
    EXPECT_EQ(b.column(1), (QStringList{"Abba", "Abba", "Modugno", "Modugno", "Modugno", "O'Brien", "O'Brien"}));
    b.headerClick(0, Qt::ShiftModifier);
    EXPECT_EQ(b.column(0).front(), QString("Song 06"));
    b.headerClick(0, Qt::NoModifier);
    EXPECT_EQ(b.column(0).front(), QString("Song 00"));
    b.headerClick(3, Qt::ControlModifier);
    EXPECT_EQ(b.column(3).front(), QString("1"));

    b.w.CaricaDB(); // the record source's own order again
    b.w.grdData->setCurrentIndex(b.w.songs()->index(0, 1));
    b.answers = {"o'b"};
    b.w.FindInColumn("");
    EXPECT_EQ(b.w.FindText, QString("o''b"));
    EXPECT_EQ(b.w.grdData->currentIndex().row(), 1);
    b.w.FindNext();
    EXPECT_EQ(b.w.grdData->currentIndex().row(), 4);
    b.w.FindNext();
    EXPECT_EQ(b.messages.back(), QString("'o''b' Not Found in Author !"));
    EXPECT_EQ(b.w.grdData->currentIndex().row(), 0);
    b.answers = {"zz"};
    b.w.FindInColumn("");
    EXPECT_EQ(b.messages.back(), QString("'zz' not Found in Author !"));
    b.answers = {""}; // cancelled: nothing searched, nothing said
    b.w.FindInColumn("");
    EXPECT_EQ(b.messages.size(), 2u);
    // F3 with no earlier search asks for one.
    b.w.FindText.clear();
    b.answers = {"song 05"};
    b.w.grdData->setCurrentIndex(b.w.songs()->index(0, 0));
    b.w.FindNext();
    EXPECT_EQ(b.w.grdData->currentIndex().row(), 5);
    // In the file view there is nothing to search.
    b.w.optDBFile->setChecked(false);
    b.answers = {"x"};
    b.w.FindInColumn("");
    b.w.FindNext();
    EXPECT_EQ(b.answers.size(), 1u);
}

TEST(LibraryWindows, ModifyModeEditsAndDeletesDoubleClickPlays)
{
    Browser b;
    b.settings["CurDB"] = b.library();
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.settings["DBorFiles"] = "1";
    b.load();
    SongTableModel* m = b.w.songs();
    b.w.grdData->setCurrentIndex(m->index(0, 0));
    b.w.grdData_DblClick();
    EXPECT_EQ(b.chosen, (std::vector<Chosen>{{b.dir + "/s0.kar", -1}}));
    EXPECT_FALSE(m->setData(m->index(0, 3), "5")); // browsing changes nothing

    b.w.chkUpd->setChecked(true);
    EXPECT_TRUE(m->setData(m->index(0, 3), "-2"));
    EXPECT_FALSE(m->setData(m->index(0, 3), "two"));
    EXPECT_TRUE(b.messages.back().startsWith("Error on DB update:\n20 "));
    b.w.grdData_DblClick(); // edits, does not play
    EXPECT_EQ(b.chosen.size(), 1u);
    b.confirmations = {false, true};
    b.w.grdData->setCurrentIndex(m->index(1, 0));
    b.w.grdData_Delete();
    EXPECT_EQ(b.messages.back(), QString("Confirm Delete ?"));
    EXPECT_EQ(m->rowCount(), 3);
    b.w.grdData_Delete();
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_TRUE(b.w.windowTitle().startsWith("2 Records from: "));
    // Switching to the file view always leaves modify mode.
    b.w.optDBFile->setChecked(false);
    EXPECT_FALSE(b.w.chkUpd->isChecked());
    EXPECT_TRUE(b.w.cmdImport->isVisible());

    b.w.CaricaDB();
    EXPECT_EQ(b.column(3), (QStringList{"-2", "1"}));
    b.w.optDBFile->setChecked(true);
    b.w.grdData->setCurrentIndex(m->index(0, 0));
    b.w.grdData_DblClick();
    EXPECT_EQ(b.chosen.back(), (Chosen{b.dir + "/s0.kar", -2}));
}

TEST(LibraryWindows, CopyProposesTheSongsNameAndKeepsTheFolder)
{
    Browser b;
    b.settings["CurDB"] = b.library();
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.settings["DBorFiles"] = "1";
    b.load();
    ASSERT_TRUE(writeFile((b.dir + "/s0.kar").toStdString(), "song bytes"));
    QDir().mkpath(b.dir + "/usb");
    LibraryDialogs::FileChoice asked;
    b.w.dialogs.chooseFile = [&](const LibraryDialogs::FileChoice& c) {
        asked = c;
        return b.dir + "/usb/Song 00.kar";
    };
    b.w.grdData->setCurrentIndex(b.w.songs()->index(0, 0));
    b.w.MidiKar_Copy();
    EXPECT_EQ(asked.filter, QString("kar Files (*.kar)"));
    EXPECT_EQ(asked.title, QString("Copy 'Song 00.kar' file to..."));
    EXPECT_EQ(readFile((b.dir + "/usb/Song 00.kar").toStdString()), "song bytes");
    EXPECT_EQ(b.w.CopyFolder, b.dir + "/usb");
    // A song that has gone: the copy says so and writes nothing.
    b.w.grdData->setCurrentIndex(b.w.songs()->index(1, 0));
    b.w.MidiKar_Copy();
    EXPECT_TRUE(b.messages.back().startsWith("Error during copy !\n"));
    // Onto itself: the song stays whole.
    b.w.dialogs.chooseFile = [&](const LibraryDialogs::FileChoice&) { return b.dir + "/s0.kar"; };
    b.w.grdData->setCurrentIndex(b.w.songs()->index(0, 0));
    b.w.MidiKar_Copy();
    EXPECT_EQ(readFile((b.dir + "/s0.kar").toStdString()), "song bytes");
}

TEST(LibraryWindows, ImportWindowTicksCountsAndReportsThenShowsTheDatabase)
{
    Browser b;
    for (const char* f : {"Pop/THE blue BAND/My.Song.mid", "Pop/THE blue BAND/b.KAR", "Pop/abba/Waterloo.mid",
                          "Pop/abba/SOS.kar"})
        writeSong(b.dir + "/songs/" + f);
    b.settings["CurDB"] = b.library(0);
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.load();
    b.w.dirFiles_Change(b.dir + "/songs/Pop/THE blue BAND");
    frmImport dlg(b.w.library(), b.w.filesPath(), b.w.dialogs);
    dlg.reload = [&] { b.w.CaricaDB(); };
    EXPECT_EQ(dlg.windowTitle(), QString("Import in DataBase"));
    EXPECT_EQ(dlg.lstFiles->count(), 2);
    EXPECT_EQ(dlg.txtAuthor->text(), QString("The Blue Band"));
    EXPECT_EQ(dlg.txtCategory->text(), QString("Pop"));
    EXPECT_EQ(dlg.Label1[1]->text(), QString("2"));
    dlg.lstFiles->item(0)->setCheckState(Qt::Unchecked);
    dlg.lstFiles->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(dlg.cmdOk->isEnabled());
    dlg.cmdFilesSel->click();
    EXPECT_EQ(dlg.Label1[1]->text(), QString("2"));
    dlg.txtAuthor->clear();
    dlg.cmdOK_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.importing(); }));
    EXPECT_EQ(b.messages.back(), QString("2 songs added to DB."));
    EXPECT_EQ(b.w.windowTitle(), "2 Records from: [All Songs]; in " + b.dir + "/karaoke.db");

    // The whole tree: folders tick their files; the two already there are counted.
    b.w.dirFiles_Change(b.dir + "/songs");
    frmImport tree(b.w.library(), b.w.filesPath(), b.w.dialogs);
    tree.chkFolders->setChecked(true);
    EXPECT_TRUE(tree.scanning());
    EXPECT_FALSE(tree.cmdOk->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.scanning(); }));
    EXPECT_TRUE(tree.lstFolders->isEnabled());
    EXPECT_FALSE(tree.txtAuthor->isEnabled());
    EXPECT_TRUE(tree.cmdFoldersSel->isVisibleTo(&tree));
    ASSERT_EQ(tree.lstFolders->count(), 2);
    EXPECT_EQ(tree.lstFolders->item(0)->text(), b.dir + "/songs/Pop/abba");
    tree.lstFolders->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(tree.Label1[1]->text(), QString("2"));
    tree.lstFolders->item(0)->setCheckState(Qt::Checked);
    tree.cmdOK_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tree.importing(); }));
    EXPECT_EQ(b.messages.back(), QString("2 songs added to DB.\n2 songs not added because already in DB!"));
    EXPECT_EQ(tree.lblNotImported->text(), QString("2"));
    SongLibrary check;
    DbError e;
    ASSERT_TRUE(check.open(b.dir + "/karaoke.db", &e));
    EXPECT_EQ(allSongs(check).first(), "My|<null>|Pop|0|" + b.dir + "/songs/Pop/THE blue BAND/My.Song.mid");
    EXPECT_TRUE(allSongs(check).contains("SOS|Abba|Pop|0|" + b.dir + "/songs/Pop/abba/SOS.kar"));
}

TEST(LibraryWindows, ImportRunsAsAJobThatEscStopsWithTheLibraryWhole)
{
    Browser b;
    for (int f = 0; f < 3; ++f)
        for (int i = 0; i < 100; ++i) writeSong(b.dir + QString("/songs/Band %1/Song %2.kar").arg(f).arg(i, 3, 10, QChar('0')));
    b.settings["CurDB"] = b.library(0);
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.load();
    b.w.dirFiles_Change(b.dir + "/songs");
    auto stored = [&](const QString& where = "1") {
        SongLibrary check;
        DbError e;
        EXPECT_TRUE(check.open(b.dir + "/karaoke.db", &e));
        return sqlValue(check, "SELECT count(*) FROM \"All Songs\" WHERE " + where).toInt();
    };
    frmImport dlg(b.w.library(), b.w.filesPath(), b.w.dialogs);
    int reloads = 0;
    dlg.reload = [&] {
        ++reloads;
        b.w.CaricaDB();
    };
    dlg.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    // Esc while the tree is read stops the reading, not the window.
    dlg.chkFolders->setChecked(true);
    ASSERT_TRUE(dlg.scanning());
    QCoreApplication::sendEvent(&dlg, &esc);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.scanning(); }));
    EXPECT_TRUE(dlg.isVisible());
    dlg.chkFolders->setChecked(false);
    dlg.chkFolders->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.scanning(); }));
    ASSERT_EQ(dlg.Label1[1]->text(), QString("300"));
    dlg.importJob()->unitsPerSlice = 25;
    dlg.importJob()->sliceMillis = 60000;
    dlg.cmdOK_Click();
    // Nothing written yet: the files go a slice per turn of the event loop.
    EXPECT_TRUE(dlg.importing());
    EXPECT_EQ(dlg.lblImported->text(), QString("0"));
    EXPECT_FALSE(dlg.cmdOk->isEnabled());
    EXPECT_FALSE(dlg.lstFiles->isEnabled());
    EXPECT_FALSE(dlg.cmdFilesDes->isEnabled());
    EXPECT_TRUE(dlg.cmdAnnulla->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.lblImported->text().toInt() >= 50; }));
    EXPECT_EQ(dlg.lstFiles->currentRow(), dlg.lblImported->text().toInt() - 1); // the list follows
    QCoreApplication::sendEvent(&dlg, &esc);
    EXPECT_FALSE(dlg.importing());
    EXPECT_TRUE(dlg.isVisible()); // stopped, not closed
    const int done = dlg.lblImported->text().toInt();
    EXPECT_EQ(done % 25, 0) << done; // only between two files
    EXPECT_LT(done, 300);
    // What was written is there whole and committed, and the grid shows it.
    EXPECT_EQ(stored(), done);
    EXPECT_EQ(stored("Name IS NULL OR Author IS NULL OR Category IS NULL OR MidiFile IS NULL"), 0);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(b.w.songs()->rowCount(), done);
    // The rest stays ticked and the window takes another go.
    EXPECT_EQ(dlg.Label1[1]->text(), QString::number(300 - done));
    EXPECT_EQ(dlg.lstFiles->item(done - 1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(dlg.lstFiles->item(done)->checkState(), Qt::Checked);
    EXPECT_TRUE(dlg.cmdOk->isEnabled());
    EXPECT_TRUE(dlg.lstFiles->isEnabled());
    EXPECT_TRUE(dlg.lstFolders->isEnabled());
    EXPECT_TRUE(b.messages.empty());
    dlg.cmdOK_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.importing(); }));
    EXPECT_EQ(b.messages.back(), QString("%1 songs added to DB.").arg(300 - done));
    EXPECT_EQ(stored(), 300);
    EXPECT_EQ(stored("Author = 'Band 2' AND Name = 'Song 099'"), 1);

    // A window that goes away mid-import keeps what it wrote.
    auto* again = new frmImport(b.w.library(), b.w.filesPath(), b.w.dialogs);
    again->chkFolders->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !again->scanning(); }));
    again->importJob()->unitsPerSlice = 10;
    again->cmdOK_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return again->lblNotImported->text().toInt() >= 10; }));
    delete again;
    EXPECT_EQ(stored(), 300);
    DbError e;
    EXPECT_TRUE(b.w.library().begin(&e)) << e.text().toStdString(); // no transaction left open
    b.w.library().rollback();
}

TEST(LibraryWindows, QueryBuilderComposesAppliesCancelsAndSaves)
{
    Browser b;
    b.settings["CurDB"] = b.library(6);
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.settings["DBorFiles"] = "1";
    b.load();
    frmSelect s(b.w);
    int beeps = 0;
    s.onBeep = [&] { ++beeps; };
    EXPECT_EQ(s.lblSql->toPlainText(), QString("[All Songs];"));
    s.lstWhere[0]->item(1)->setCheckState(Qt::Checked);
    s.txtWhere[0]->setText("A'*");
    EXPECT_EQ(s.txtWhere[0]->text(), QString("A*"));
    EXPECT_EQ(s.lblSql->toPlainText(), QString("[All Songs] Where [Author] Like 'A*' ;"));
    s.lstWhere[0]->item(0)->setCheckState(Qt::Checked); // one field per row
    EXPECT_EQ(s.lstWhere[0]->item(1)->checkState(), Qt::Unchecked);
    s.lstWhere[0]->item(1)->setCheckState(Qt::Checked);
    s.lstWhere[1]->item(1)->setCheckState(Qt::Checked);
    s.txtWhere[1]->setText("Modugno");
    s.optWhere[8]->click(); // "=" of the second row
    s.OptANDOR[1]->click();
    s.lstOrder->item(0)->setCheckState(Qt::Checked);
    s.lstOrder->item(1)->setCheckState(Qt::Checked);
    s.lstOrderAD_Click(s.lstOrderAD->item(1));
    EXPECT_EQ(s.lblSql->toPlainText(),
              QString("[All Songs] Where [Author] Like 'A*'  Or [Author] = 'Modugno'  Order by [Name] Asc, [Author] Desc;"));
    s.lstOrder->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(s.lstOrderAD->count(), 1);
    s.lstOrder->item(0)->setCheckState(Qt::Checked);
    s.lstOrderAD_Click(s.lstOrderAD->item(1));
    EXPECT_TRUE(s.cmdApplica_Click());
    EXPECT_EQ(b.column(0), (QStringList{"Song 03", "Song 00", "Song 05", "Song 02"})); // Author Desc, Name Desc
    EXPECT_TRUE(b.w.windowTitle().startsWith("4 Records from: [All Songs] Where"));
    EXPECT_EQ(b.w.CurRecordSource, kDefaultRecordSource);
    s.cmdAnnulla_Click();
    EXPECT_EQ(b.w.songs()->rowCount(), 6);

    // Hand-edited SQL may only read.
    frmSelect adv(b.w);
    adv.onBeep = [&] { ++beeps; };
    adv.chkSQL->setChecked(true);
    adv.lstOrder->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(beeps, 1);
    adv.lblSql->setPlainText("[All Songs]; DELETE FROM [All Songs];");
    EXPECT_FALSE(adv.cmdApplica_Click());
    EXPECT_TRUE(b.messages.back().startsWith("Error on SQL:\n")) << b.messages.back().toStdString();
    EXPECT_EQ(b.w.songs()->rowCount(), 6);
    adv.lblSql->setPlainText("[All Songs] Where Name Like '*#5';");
    b.answers = {"Ends in 0 \"or\" [x]"};
    adv.cmdSaveSQL_Click();
    EXPECT_EQ(b.w.songs()->rowCount(), 1);
    EXPECT_EQ(b.w.lstQuery->itemText(b.w.lstQuery->count() - 1), QString("(Q)Ends in 0 \"or\" [x]"));
    EXPECT_EQ(b.w.CurRecordSource, b.w.shownRecordSource());
    // The stored query is a real one: it is listed and loads by itself.
    b.w.CaricaDB();
    const int entry = b.w.lstQuery->findText("(Q)Ends in 0 \"or\" [x]");
    ASSERT_GE(entry, 0);
    b.w.lstQuery_Click(entry);
    EXPECT_EQ(b.column(0), QStringList{"Song 05"});
    EXPECT_EQ(b.settings["RecordSource"], recordSourceFor("Ends in 0 \"or\" [x]"));
    // The same name twice is refused.
    frmSelect again(b.w);
    b.answers = {"Ends in 0 \"or\" [x]"};
    again.cmdSaveSQL_Click();
    EXPECT_TRUE(b.messages.back().startsWith("Error on Create Query:\n"));
}

TEST(LibraryWindows, RepairOfTheOpenLibraryKeepsItOpenAndAFailureLeavesItAlone)
{
    Browser b;
    b.settings["CurDB"] = b.library(30);
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.settings["DBorFiles"] = "1";
    b.load();
    b.answers = {b.dir + "/karaoke.db"};
    b.w.DB_Repair();
    // On a worker: the browser waits for the file, without rows and refusing input.
    EXPECT_TRUE(b.w.repairing());
    EXPECT_FALSE(b.w.isEnabled());
    EXPECT_EQ(b.w.songs()->rowCount(), 0);
    b.answers = {b.dir + "/karaoke.db"};
    b.w.DB_Repair(); // no second repair meanwhile
    EXPECT_EQ(b.answers.size(), 1u);
    b.answers.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.w.repairing(); }));
    EXPECT_TRUE(b.w.isEnabled());
    EXPECT_TRUE(b.messages.empty());
    EXPECT_EQ(b.w.songs()->rowCount(), 30);
    // Edits after the repair land in the file on disk.
    b.w.chkUpd->setChecked(true);
    EXPECT_TRUE(b.w.songs()->setData(b.w.songs()->index(0, 0), "Renamed"));
    SongLibrary check;
    DbError e;
    ASSERT_TRUE(check.open(b.dir + "/karaoke.db", &e));
    EXPECT_EQ(sqlValue(check, "SELECT count(*) FROM \"All Songs\" WHERE Name = 'Renamed'").toInt(), 1);

    ASSERT_TRUE(writeFile((b.dir + "/notes.db").toStdString(), "not a library"));
    b.answers = {b.dir + "/notes.db"};
    b.w.DB_Repair();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.w.repairing(); }));
    EXPECT_EQ(b.w.songs()->rowCount(), 30); // another file: the open library stayed
    ASSERT_FALSE(b.messages.empty());
    EXPECT_TRUE(b.messages.back().startsWith("Errors on Repair !\nError: 26\n"));
    EXPECT_EQ(readFile((b.dir + "/notes.db").toStdString()), "not a library");
}

TEST(LibraryWindows, CommandLineToolGivesTheWindowsResults)
{
    Browser b;
    for (const char* f : {"Pop/THE blue BAND/My.Song.mid", "Pop/abba/Waterloo.mid", "Top.kar"})
        writeSong(b.dir + "/songs/" + f);
    const QString tool = QString::fromStdString(buildDir()) + "/lirmus-library";
    auto run = [&](const QStringList& args, QString* out = nullptr) {
        QProcess p;
        p.setWorkingDirectory(b.app);
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    };
    EXPECT_EQ(run({"new", b.dir + "/cli"}), 0);
    QString out;
    EXPECT_EQ(run({"import", b.dir + "/cli.db", b.dir + "/songs", "--subfolders"}, &out), 0);
    EXPECT_EQ(out, QString("3 songs added to DB.\n"));
    EXPECT_EQ(run({"import", b.dir + "/cli.db", b.dir + "/songs", "--subfolders"}, &out), 0);
    EXPECT_EQ(out, QString("0 songs added to DB.\n3 songs not added because already in DB!\n"));
    EXPECT_EQ(run({"list", b.dir + "/cli.db", "--find", "Author", "BLUE"}, &out), 0);
    EXPECT_EQ(out, "My\tThe Blue Band\tPop\t0\t" + b.dir + "/songs/Pop/THE blue BAND/My.Song.mid\n");
    EXPECT_EQ(run({"new", b.dir + "/cli.db"}), 1); // never over an existing library

    // The window on a copy of the same tree writes the same records.
    b.settings["CurDB"] = newLibrary(b.dir, "window.db");
    b.settings["RecordSource"] = kDefaultRecordSource;
    b.load();
    b.w.dirFiles_Change(b.dir + "/songs");
    frmImport dlg(b.w.library(), b.w.filesPath(), b.w.dialogs);
    dlg.chkFolders->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.scanning(); }));
    dlg.cmdOK_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.importing(); }));
    SongLibrary cli, win;
    DbError e;
    ASSERT_TRUE(cli.open(b.dir + "/cli.db", &e));
    ASSERT_TRUE(win.open(b.dir + "/window.db", &e));
    EXPECT_EQ(allSongs(cli), allSongs(win));
    EXPECT_EQ(allSongs(cli).size(), 3);
}

TEST(LibraryWindows, CommandLineToolRefusesFilesThatAreNoLibraryAndEscapesSeparators)
{
    const QString dir = QString::fromStdString(tempDir());
    writeSong(dir + "/songs/a.mid");
    writeSong(dir + "/songs/b.kar");
    const QString tool = QString::fromStdString(buildDir()) + "/lirmus-library";
    auto run = [&](const QStringList& args, QString* out, QString* errText) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(20000));
        *out = QString::fromUtf8(p.readAllStandardOutput());
        *errText = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QString out, errText;
    touchFile(dir + "/empty.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(dir + "/foreign.db");
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec("CREATE TABLE notes (text TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("foreign");
    QFile text(dir + "/text.db");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some text, long enough to be no database header at all, really");
    text.close();
    for (const char* file : {"/empty.db", "/foreign.db", "/text.db"}) {
        EXPECT_EQ(run({"import", dir + file, dir + "/songs"}, &out, &errText), 1) << file;
        EXPECT_TRUE(out.isEmpty()) << file << out.toStdString();
        EXPECT_EQ(errText.count('\n'), 2) << file << errText.toStdString(); // said once, not per song
        EXPECT_FALSE(errText.contains("no such table")) << errText.toStdString();
    }
    EXPECT_EQ(QFileInfo(dir + "/empty.db").size(), 0); // left as it was

    const QString path = newLibrary(dir, "odd.db");
    {
        SongLibrary lib;
        DbError e;
        ASSERT_TRUE(lib.open(path, &e));
        ASSERT_TRUE(lib.insertSong({"Tab\there", "Line\nfeed\r", "back\\slash\\t", 0, "/s/a.mid"}, &e));
    }
    EXPECT_EQ(run({"list", path}, &out, &errText), 0);
    EXPECT_EQ(out, "Tab\\there\tLine\\nfeed\\r\tback\\\\slash\\\\t\t0\t/s/a.mid\n");
    run({"help", "x"}, &out, &errText);
    EXPECT_TRUE(errText.contains("\\t")) << errText.toStdString();
}
