// The grid as people expect it: header clicks that turn the order round with
// an arrow, columns sharing the width, cut texts whole in their tool tips, the
// lyrics search, favourites and plays, and an older library's lyrics read in
// the background. Also the command-line tool's new options.
#include "BrowserFixture.h"
#include "ColumnFit.h"
#include "SongDetails.h"

#include <QHelpEvent>
#include <QProgressBar>
#include <QToolTip>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// Songs with lyrics in a folder, imported through the library's own import.
QString lyricLibrary(Browser& b)
{
    const QString db = newLibrary(b.dir, "lyrics.db");
    writeSong(b.dir + "/songs/star.mid", {"Little Star - Nursery"}, {"Twin", "kle ", "lit", "tle ", "star"});
    writeSong(b.dir + "/songs/cafe.kar", {}, {"\\Un ", "ca", "fé ", "con ", "le", "che"}, true);
    writeSong(b.dir + "/songs/plain.mid");
    SongLibrary lib;
    DbError e;
    EXPECT_TRUE(lib.open(db, &e));
    ImportList list = listCurrentFolder(b.dir + "/songs");
    SongImporter importer;
    ImportCounts counts;
    EXPECT_TRUE(importer.run(lib, list, b.dir + "/songs", false, "", "", &counts, &e));
    EXPECT_EQ(counts.added, 3);
    return db;
}

QStringList names(Browser& b)
{
    QStringList out = b.column(0);
    out.sort();
    return out;
}

} // namespace

TEST(ColumnFit, SpareRoomGoesToTextAndTooLittleComesFromIt)
{
    const std::vector<ColumnWant> cols = {{100, 40, true}, {50, 50, false}, {300, 60, true}};
    const std::vector<int> wide = fitColumns(cols, 850);
    EXPECT_EQ(wide[1], 50) << "numbers keep their width";
    EXPECT_EQ(wide[0] + wide[2], 800);
    EXPECT_EQ(wide[2], 300 + 400 * 300 / 400);
    const std::vector<int> narrow = fitColumns(cols, 250);
    EXPECT_EQ(narrow[0] + narrow[1] + narrow[2], 250);
    EXPECT_EQ(narrow[0], 100 - 200 * 60 / 300);
    const std::vector<int> odd = fitColumns({{100, 40, true}, {100, 40, true}, {100, 40, true}}, 280);
    EXPECT_EQ(odd[0] + odd[1] + odd[2], 280) << "shares rounded down: the last text column takes the rest";
    const std::vector<int> oddWide = fitColumns({{100, 40, true}, {100, 40, true}, {100, 40, true}, {9, 9, false}}, 401);
    EXPECT_EQ(oddWide[0] + oddWide[1] + oddWide[2] + oddWide[3], 401);
    const std::vector<int> tiny = fitColumns(cols, 10);
    EXPECT_EQ(tiny, std::vector<int>({40, 50, 60})) << "never below a header";
    EXPECT_EQ(fitColumns(cols, 450), std::vector<int>({100, 50, 300}));
}

TEST(Grid, AHeaderClickedAgainTurnsTheOrderRoundWithItsArrow)
{
    Browser b;
    b.loadDatabase(b.library(5));
    QHeaderView* header = b.w.grdData->horizontalHeader();
    EXPECT_FALSE(header->isSortIndicatorShown()) << "the record source's own order";
    b.headerClick(1, Qt::NoModifier);
    EXPECT_EQ(b.column(1).first(), "Abba");
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    b.headerClick(1, Qt::NoModifier);
    EXPECT_EQ(b.column(1).first(), "O'Brien") << "the same header again: descending";
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    b.headerClick(1, Qt::NoModifier);
    EXPECT_EQ(b.column(1).first(), "Abba");
    b.headerClick(1, Qt::ShiftModifier);
    EXPECT_EQ(b.column(1).first(), "O'Brien") << "Shift always sorts descending";
    b.headerClick(1, Qt::ShiftModifier);
    EXPECT_EQ(b.column(1).first(), "O'Brien");
    b.headerClick(0, Qt::NoModifier);
    EXPECT_EQ(b.column(0).first(), "Song 00") << "another column starts ascending";
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    b.w.CaricaDB();
    EXPECT_FALSE(header->isSortIndicatorShown()) << "a reload shows the source's order again";
}

TEST(Grid, ColumnsShareTheWidthAndCutTextsShowWholeInATip)
{
    Browser b;
    const QString db = b.library(2);
    {
        SongLibrary lib;
        DbError e;
        ASSERT_TRUE(lib.open(db, &e));
        ASSERT_TRUE(lib.insertSong({"A song with a very long name that will never fit into its column at all", "X",
                                    "", 0, b.dir + "/long.mid"}, &e));
    }
    b.loadDatabase(db);
    for (int width : {1400, 500}) {
        b.w.resize(width, 400);
        QCoreApplication::processEvents();
        int total = 0;
        for (int c = 0; c < b.w.songs()->columnCount(); ++c) total += b.w.grdData->columnWidth(c);
        if (width == 1400) {
            EXPECT_NEAR(total, b.w.grdData->viewport()->width(), 8) << "wide: no room left over";
        }
        EXPECT_GE(b.w.grdData->columnWidth(4), b.w.grdData->fontMetrics().horizontalAdvance("MidiFile"));
    }
    EXPECT_EQ(b.w.grdData->textElideMode(), Qt::ElideRight);

    auto tipAt = [&](int row, int column) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        const QRect cell = b.w.grdData->visualRect(b.w.songs()->index(row, column));
        QHelpEvent e(QEvent::ToolTip, cell.center(), b.w.grdData->viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(b.w.grdData->viewport(), &e);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    int longRow = b.column(0).indexOf("A song with a very long name that will never fit into its column at all");
    ASSERT_GE(longRow, 0);
    EXPECT_EQ(tipAt(longRow, 0), "A song with a very long name that will never fit into its column at all");
    EXPECT_EQ(tipAt(longRow, 1), QString()) << "a text that fits has no tip";
}

TEST(Grid, TheFilterBoxAndTheFindDialogSearchTheLyrics)
{
    Browser b;
    b.loadDatabase(lyricLibrary(b));
    EXPECT_FALSE(b.w.readingLyrics()) << "imported songs have their lyrics already";
    EXPECT_TRUE(b.w.chkLyrics->isVisible());
    b.w.txtFilter->setText("Star");
    EXPECT_EQ(names(b), QStringList({"star"})) << "by name first";
    b.w.txtFilter->setText("twinkle lit");
    EXPECT_EQ(names(b), QStringList()) << "no name holds it";
    b.w.chkLyrics->setChecked(true);
    EXPECT_EQ(names(b), QStringList({"star"})) << "its lyrics do, the last word as typed so far";
    b.w.txtFilter->setText("tw");
    EXPECT_EQ(names(b), QStringList()) << "two letters are a whole word: nearly every song would begin one";
    b.w.txtFilter->setText("twi");
    EXPECT_EQ(names(b), QStringList({"star"}));
    b.w.txtFilter->setText("CAFE CON");
    EXPECT_EQ(names(b), QStringList({"cafe"}));
    b.headerClick(0, Qt::NoModifier);
    EXPECT_EQ(names(b), QStringList({"cafe"})) << "sorting keeps the lyrics filter";
    b.w.txtFilter->clear();
    EXPECT_EQ(b.w.songs()->rowCount(), 3);
    b.w.chkLyrics->setChecked(false);

    // The find dialog: the first song holding the words, then F3 for the next.
    b.answers = {"con leche"};
    b.w.FindInLyrics();
    ASSERT_TRUE(b.w.grdData->currentIndex().isValid());
    EXPECT_EQ(b.w.songs()->index(b.w.grdData->currentIndex().row(), 0).data().toString(), "cafe");
    b.w.FindNext();
    EXPECT_EQ(b.messages.back(), QString("'con leche' Not Found in Lyrics !"));
    b.answers = {"leche con"};
    b.w.FindInLyrics();
    EXPECT_EQ(b.messages.back(), QString("'leche con' not Found in Lyrics !")) << "in order";
}

TEST(Grid, FavouritesPlaysAndTheSavedKeyAndTempoFollowTheSong)
{
    Browser b;
    b.loadDatabase(lyricLibrary(b));
    const QString star = b.dir + "/songs/star.mid";
    const int row = b.column(4).indexOf(star);
    ASSERT_GE(row, 0);
    b.w.grdData->setCurrentIndex(b.w.songs()->index(row, 0));
    b.w.toggleFavourite();
    EXPECT_EQ(b.w.songs()->index(row, 5).data().toString(), QString(QChar(0x2605)));
    ASSERT_TRUE(b.w.saveKeyAndTempo(star, -2, 15));
    EXPECT_EQ(b.w.songs()->index(row, 3).data().toInt(), -2) << "the row shows the saved key";
    b.w.grdData_DblClick();
    ASSERT_EQ(b.chosen.size(), 1u);
    EXPECT_EQ(b.chosen[0], (Chosen{star, -2, 15}));
    EXPECT_EQ(b.w.songs()->index(row, 6).data().toInt(), 1);
    b.w.chooseSelected();
    EXPECT_EQ(b.w.songs()->index(row, 6).data().toInt(), 2);

    EXPECT_FALSE(b.w.saveKeyAndTempo(b.dir + "/elsewhere.mid", 1, 0)) << "a song from outside the library";
    EXPECT_TRUE(b.messages.back().contains("no longer in the library")) << b.messages.back().toStdString();

    // All of it is in the file: a reopen shows it.
    b.w.CaricaDB();
    const int again = b.column(4).indexOf(star);
    EXPECT_EQ(b.w.songs()->index(again, 5).data().toString(), QString(QChar(0x2605)));
    EXPECT_EQ(b.w.songs()->index(again, 6).data().toInt(), 2);
    EXPECT_FALSE(b.w.songs()->index(again, 7).data().toString().isEmpty());
}

TEST(Grid, AnOlderLibraryGetsItsLyricsReadInTheBackground)
{
    Browser b;
    const QString db = newLibrary(b.dir, "older.db");
    {
        // Records only, as an older copy wrote them.
        SongLibrary lib;
        DbError e;
        ASSERT_TRUE(lib.open(db, &e));
        for (int i = 0; i < 30; ++i) {
            const QString file = b.dir + QString("/old/song%1.mid").arg(i);
            writeSong(file, {}, {"la ", QString("word%1 ").arg(i), "end"});
            ASSERT_TRUE(lib.insertSong({QString("Song %1").arg(i), "", "", 0, file}, &e));
        }
    }
    b.w.lyricsJob()->unitsPerSlice = 4;
    b.loadDatabase(db);
    EXPECT_TRUE(b.w.readingLyrics());
    EXPECT_TRUE(b.w.prgLyrics->isVisible());
    EXPECT_EQ(b.w.prgLyrics->maximum(), 30);
    b.w.chkLyrics->setChecked(true);
    b.w.txtFilter->setText("word29 end");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.w.readingLyrics(); }));
    EXPECT_FALSE(b.w.prgLyrics->isVisible());
    EXPECT_EQ(b.column(0), QStringList({"Song 29"})) << "the filter runs again once all are read";
}

TEST(Grid, ScanImportIsOnTheMenuWheneverALibraryIsOpen)
{
    Browser b;
    std::vector<bool> menu;
    QObject::connect(&b.w, &frmDataGrid::importMenuEnabled, [&](bool on) { menu.push_back(on); });
    b.loadDatabase(b.library(1));
    ASSERT_FALSE(menu.empty());
    EXPECT_TRUE(menu.back()) << "the database view";
    b.w.optDBFile->setChecked(false);
    EXPECT_TRUE(menu.back()) << "the file view";
    b.w.optDBFile->setChecked(true);
    EXPECT_TRUE(menu.back());
    b.w.DB_Close();
    EXPECT_FALSE(menu.back());
}

TEST(Grid, TheToolNamesSongsFromTitlesAndListsByLyrics)
{
    Browser b;
    const QString tool = QString::fromStdString(buildDir()) + "/lirmus-library";
    auto run = [&](const QStringList& args, QString* out, QString* err = nullptr) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(30000));
        *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    writeSong(b.dir + "/songs/star.mid", {"Little Star - Nursery"}, {"Twin", "kle ", "lit", "tle ", "star"});
    writeSong(b.dir + "/songs/other.mid", {}, {"No", "thing"});
    touchFile(b.dir + "/songs/junk.mid");
    const QString db = newLibrary(b.dir, "cli.db");
    QString out, err;
    ASSERT_EQ(run({"import", db, b.dir + "/songs", "--titles-from-songs"}, &out), 0);
    EXPECT_TRUE(out.startsWith("2 songs added to DB. 1 files skipped: not songs.")) << out.toStdString();
    EXPECT_TRUE(out.contains(b.dir + "/songs/junk.mid: empty file"));
    ASSERT_EQ(run({"list", db, "--lyrics", "Twinkle LITTLE"}, &out), 0);
    const QString category = AuthorCategoryFromPath(b.dir + "/songs").category;
    EXPECT_EQ(out, "Little Star\tNursery\t" + category + "\t0\t" + b.dir + "/songs/star.mid\n");
    ASSERT_EQ(run({"list", db, "--lyrics", "little twinkle"}, &out, &err), 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(err.startsWith("'little twinkle' not Found in Lyrics !")) << err.toStdString();
    EXPECT_EQ(run({"list", db, "--lyrics", "!!"}, &out, &err), 2) << "no words to look for";
}

TEST(Grid, TheImportWindowNamesFromTitlesSkipsNoSongsAndLeavesCopiesOut)
{
    Browser b;
    writeSong(b.dir + "/songs/waterloo_abba.mid", {"Waterloo - ABBA"});
    touchFile(b.dir + "/songs/empty.kar");
    b.loadDatabase(b.library(0));
    b.w.dirFiles_Change(b.dir + "/songs");
    auto importWith = [&](bool titles, bool copies) {
        frmImport dlg(b.w.library(), b.w.filesPath(), b.w.dialogs);
        dlg.reload = [&] { b.w.CaricaDB(); };
        dlg.chkTitles->setChecked(titles);
        dlg.chkCopies->setChecked(copies);
        dlg.cmdOK_Click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.importing(); }));
        return dlg.lblNotImported->text();
    };
    EXPECT_EQ(importWith(true, false), "1");
    EXPECT_TRUE(b.messages.back().startsWith("1 songs added to DB. 1 files skipped: not songs.\n"))
        << b.messages.back().toStdString();
    EXPECT_EQ(b.column(0), QStringList({"Waterloo"}));
    EXPECT_EQ(b.column(1), QStringList({"ABBA"}));

    ASSERT_TRUE(QDir().mkpath(b.dir + "/more"));
    ASSERT_TRUE(QFile::copy(b.dir + "/songs/waterloo_abba.mid", b.dir + "/more/copy.mid"));
    b.w.dirFiles_Change(b.dir + "/more");
    importWith(false, false);
    EXPECT_TRUE(b.messages.back().startsWith("0 songs added to DB.\n1 songs not added because already in DB under "
                                             "another name!")) << b.messages.back().toStdString();
    importWith(false, true);
    EXPECT_EQ(b.messages.back(), QString("1 songs added to DB."));
    EXPECT_EQ(names(b), QStringList({"Waterloo", "copy"})) << "without the option: the file's name";
}

TEST(Grid, TheImportWindowTakesAnotherFolder)
{
    Browser b;
    writeSong(b.dir + "/Karaoke/Rock/Queen/One.mid");
    writeSong(b.dir + "/Karaoke/Rock/Queen/Two.kar");
    b.loadDatabase(b.library(0));
    QString asked;
    b.w.dialogs.chooseFolder = [&](const QString&, const QString& initial) {
        asked = initial;
        return b.dir + "/Karaoke/Rock/Queen";
    };
    frmImport dlg(b.w.library(), b.w.filesPath(), b.w.dialogs);
    EXPECT_EQ(dlg.lstFiles->count(), 0);
    dlg.cmdFolder->click();
    EXPECT_EQ(asked, b.w.filesPath()) << "the dialog starts at the folder shown";
    EXPECT_EQ(dlg.ImportFolder, b.dir + "/Karaoke/Rock/Queen");
    EXPECT_EQ(dlg.lstFiles->count(), 2);
    EXPECT_EQ(dlg.txtAuthor->text(), "Queen");
    EXPECT_EQ(dlg.txtCategory->text(), "Rock");
    b.w.dialogs.chooseFolder = [](const QString&, const QString&) { return QString(); };
    frmImport again(b.w.library(), b.dir + "/Karaoke/Rock/Queen", b.w.dialogs);
    again.cmdFolder->click();
    EXPECT_EQ(again.lstFiles->count(), 2) << "cancelled: the same folder";
}
