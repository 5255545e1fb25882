#include "LibraryFixture.h"
#include "../song/QtPrinters.h"

#include <QSqlQuery>

#include <unistd.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

// A folder tree of songs: parents before children, names in order without regard to case.
struct Tree {
    QString root = QDir::cleanPath(QString::fromStdString(tempDir()) + "/Karaoke");
    Tree()
    {
        for (const char* f : {"Top.mid", "notes.txt", "Pop/THE blue BAND/My.Song.mid", "Pop/THE blue BAND/b.KAR",
                              "Pop/THE blue BAND/.hidden.kar", "Pop/empty/readme.txt", "Pop/abba/Waterloo.mid",
                              "Rock/Queen/Bohemian [live] 100% 'o'.kar", "Rock/Queen/Дорога.mid"})
            writeSong(root + "/" + f);
    }
};

QStringList texts(const ImportList& list)
{
    QStringList out;
    for (const ImportFile& f : list.files) out << f.text;
    return out;
}

QStringList folders(const ImportList& list)
{
    QStringList out;
    for (const ImportFolder& f : list.folders) out << f.path;
    return out;
}

struct ImportRun {
    ImportCounts counts;
    DbError fatal;
    std::vector<std::pair<int, ImportResult>> results;
    bool ok = false;
};

ImportRun import(SongLibrary& lib, ImportList& list, const QString& folder, bool sub, const QString& author = {},
           const QString& category = {}, int batch = 500)
{
    ImportRun r;
    SongImporter importer;
    importer.batch = batch;
    importer.onResult = [&](int i, ImportResult result, const DbError&) { r.results.emplace_back(i, result); };
    r.ok = importer.run(lib, list, folder, sub, author, category, &r.counts, &r.fatal);
    return r;
}

} // namespace

TEST(Import, FolderListsKeepTheFileSystemsSpelling)
{
    Tree t;
    const ImportList one = listCurrentFolder(t.root + "/");
    EXPECT_EQ(folders(one), QStringList{t.root});
    EXPECT_EQ(texts(one), QStringList{"Top.mid"});
    const ImportList all = listSubFolders(t.root);
    EXPECT_EQ(folders(all), (QStringList{t.root, t.root + "/Pop/abba", t.root + "/Pop/THE blue BAND", t.root + "/Rock/Queen"}));
    EXPECT_EQ(texts(all), (QStringList{t.root + "/Top.mid", t.root + "/Pop/abba/Waterloo.mid",
                                       t.root + "/Pop/THE blue BAND/b.KAR", t.root + "/Pop/THE blue BAND/My.Song.mid",
                                       t.root + "/Rock/Queen/Bohemian [live] 100% 'o'.kar",
                                       t.root + "/Rock/Queen/Дорога.mid"}));
    EXPECT_EQ(all.files[3].folder, 2);
    EXPECT_EQ(all.ticked(), 6);
}

TEST(Import, NamesAuthorsAndCategories)
{
    EXPECT_EQ(songNameOf("My.Song.mid"), QString("My"));
    EXPECT_EQ(songNameOf(QString(60, 'x') + ".kar").size(), 50);
    AuthorCategory ac = AuthorCategoryFromPath("/home/me/Pop/THE blue BAND/");
    EXPECT_EQ(ac.author, QString("The Blue Band"));
    EXPECT_EQ(ac.category, QString("Pop"));
    ac = AuthorCategoryFromPath("/SONGS");
    EXPECT_EQ(ac.author, QString("SONGS")); // right below the root: no category, case kept
    EXPECT_EQ(ac.category, QString());
    ac = AuthorCategoryFromPath("songs");
    EXPECT_EQ(ac.author, QString());
    ac = AuthorCategoryFromPath("/a/" + QString(25, 'c') + "/" + QString(40, 'A'));
    EXPECT_EQ(ac.author, "A" + QString(29, 'a'));
    EXPECT_EQ(ac.category.size(), 20);
    EXPECT_EQ(titleCase("  mIXED  case "), QString("  Mixed  Case "));
}

TEST(Import, TwiceAddsNothingTheSecondTimeAndSaysSo)
{
    Tree t;
    const QString db = newLibrary(QString::fromStdString(tempDir()));
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ImportList list = listSubFolders(t.root);
    ImportRun first = import(lib, list, t.root, true);
    ASSERT_TRUE(first.ok) << first.fatal.text().toStdString();
    EXPECT_EQ(first.counts.added, 6);
    EXPECT_EQ(importSummary(list.ticked(), first.counts.already, first.counts.failed), QString("6 songs added to DB."));
    EXPECT_EQ(allSongs(lib), (QStringList{
        "My|The Blue Band|Pop|0|" + t.root + "/Pop/THE blue BAND/My.Song.mid",
        "b|The Blue Band|Pop|0|" + t.root + "/Pop/THE blue BAND/b.KAR",
        "Waterloo|Abba|Pop|0|" + t.root + "/Pop/abba/Waterloo.mid",
        "Bohemian [live] 100% 'o'|Queen|Rock|0|" + t.root + "/Rock/Queen/Bohemian [live] 100% 'o'.kar",
        "Дорога|Queen|Rock|0|" + t.root + "/Rock/Queen/Дорога.mid",
        "Top|Karaoke|" + QFileInfo(t.root).dir().dirName() + "|0|" + t.root + "/Top.mid"}));

    list = listSubFolders(t.root);
    ImportRun second = import(lib, list, t.root, true);
    EXPECT_EQ(second.counts.added, 0);
    EXPECT_EQ(second.counts.already, 6);
    EXPECT_EQ(list.ticked(), 0); // duplicates are unticked
    EXPECT_EQ(importSummary(list.ticked(), second.counts.already, second.counts.failed),
              QString("0 songs added to DB.\n6 songs not added because already in DB!"));
    EXPECT_EQ(importSummary(3, 1, 2),
              QString("3 songs added to DB.\n1 songs not added because already in DB!\n2 songs not added for Errors!"));
}

TEST(Import, OneFolderTakesTheGivenNamesAndNullForEmpty)
{
    Tree t;
    const QString db = newLibrary(QString::fromStdString(tempDir()));
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ImportList list = listCurrentFolder(t.root + "/Pop/THE blue BAND");
    list.files[0].checked = false; // the user cleared b.KAR
    ImportRun r = import(lib, list, t.root + "/Pop/THE blue BAND", false, "", "");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(allSongs(lib), QStringList{"My|<null>|<null>|0|" + t.root + "/Pop/THE blue BAND/My.Song.mid"});
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"All Songs\" WHERE Author IS NULL AND Category IS NULL").toInt(), 1);
}

TEST(Import, LinksNeverLoopAndUnstorableNamesFailAlone)
{
    Tree t;
    ASSERT_EQ(::symlink(t.root.toUtf8().constData(), (t.root + "/Pop/loop").toUtf8().constData()), 0);
    // A name that is not UTF-8 could never be found again from the library.
    const std::string bad = (t.root + "/Rock/Queen/").toStdString() + "caf\xE9.mid";
    ASSERT_TRUE(writeFile(bad, ""));
    ImportList list = listSubFolders(t.root);
    EXPECT_EQ(list.folders.size(), 4u);
    EXPECT_EQ(list.files.size(), 7u);
    const QString db = newLibrary(QString::fromStdString(tempDir()));
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ImportRun r = import(lib, list, t.root, true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.counts.added, 6);
    EXPECT_EQ(r.counts.failed, 1);
    EXPECT_EQ(list.ticked(), 6);
}

TEST(Import, UnreadableFoldersAreSkipped)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    Tree t;
    const QString locked = t.root + "/Rock";
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    const ImportList list = listSubFolders(t.root);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(list.folders.size(), 3u);
}

TEST(Import, AFullLibraryStopsWithWholeRecordsAndHonestCounts)
{
    const QString dir = QString::fromStdString(tempDir());
    for (int i = 0; i < 400; ++i) writeSong(dir + "/songs/" + QString("Song number %1 with a long name.mid").arg(i, 3, 10, QChar('0')));
    const QString db = newLibrary(dir);
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    // A disk that fills up after a few pages.
    const int pages = sqlValue(lib, "PRAGMA page_count").toInt();
    sqlValue(lib, QString("PRAGMA max_page_count = %1").arg(pages + 6));
    ImportList list = listCurrentFolder(dir + "/songs");
    ImportRun r = import(lib, list, dir + "/songs", false, "A", "B", 50);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.fatal.number.toInt() & 0xff, 13) << r.fatal.text().toStdString();
    EXPECT_TRUE(r.fatal.fatal());
    const int stored = sqlValue(lib, "SELECT count(*) FROM \"All Songs\"").toInt();
    EXPECT_GT(stored, 0);
    EXPECT_EQ(stored, r.counts.added); // what was counted is there, nothing more
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"All Songs\" WHERE Name IS NULL OR Author <> 'A' OR MidiFile IS NULL").toInt(), 0);
    EXPECT_EQ(list.ticked(), 400); // nothing was refused: a second try can add the rest
}

TEST(Import, ReadOnlyOrLockedLibraryStopsAtTheFirstSong)
{
    Tree t;
    const QString db = newLibrary(QString::fromStdString(tempDir()));
    {
        // Another program holds the library for writing.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
        other.setDatabaseName(db);
        ASSERT_TRUE(other.open());
        QSqlQuery hold(other);
        ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
        SongLibrary lib;
        DbError e;
        ImportRun r;
        if (lib.open(db, &e)) {
            ImportList list = listSubFolders(t.root);
            r = import(lib, list, t.root, true);
        } else {
            r.fatal = e;
        }
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.fatal.number.toInt() & 0xff, 5) << r.fatal.text().toStdString();
        hold.exec("ROLLBACK");
        hold = QSqlQuery();
        other.close();
    }
    QSqlDatabase::removeDatabase("other-program");
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    QFile::setPermissions(db, QFileDevice::ReadOwner);
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ImportList list = listSubFolders(t.root);
    ImportRun r = import(lib, list, t.root, true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.fatal.number.toInt() & 0xff, 8);
    EXPECT_EQ(r.counts.added, 0);
}

TEST(Import, StoppedBetweenFilesKeepsWholeRecordsAndAScanStopsWhenAsked)
{
    Tree t;
    // A scan told to stop early lists less, and only what it really found.
    const ImportList all = listSubFolders(t.root);
    int asked = 0;
    const ImportList part = listSubFolders(t.root, [&] { return ++asked < 4; });
    EXPECT_LT(part.files.size(), all.files.size());
    for (const ImportFile& f : part.files) EXPECT_TRUE(texts(all).contains(f.text)) << f.text.toStdString();
    // Also within one folder.
    EXPECT_EQ(listCurrentFolder(t.root + "/Pop/THE blue BAND").files.size(), 2u);
    EXPECT_LE(listCurrentFolder(t.root + "/Pop/THE blue BAND", [] { return false; }).files.size(), 1u);

    const QString db = newLibrary(QString::fromStdString(tempDir()));
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ImportList list = listSubFolders(t.root);
    list.files[1].checked = false;
    SongImporter importer;
    importer.batch = 2;
    std::vector<int> told;
    importer.onResult = [&](int i, ImportResult, const DbError&) { told.push_back(i); };
    ASSERT_TRUE(importer.begin(lib, list, t.root, true, {}, {}));
    // Three files, one past a commit and one in the open transaction, then a stop.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(importer.next());
    EXPECT_EQ(told, (std::vector<int>{0, 2, 3})); // the unticked file is passed over
    {
        // Another program sees the first two songs only: the third is not committed yet.
        SongLibrary other;
        ASSERT_TRUE(other.open(db, &e));
        EXPECT_EQ(sqlValue(other, "SELECT count(*) FROM \"All Songs\"").toInt(), 2);
    }
    EXPECT_EQ(importer.position(), 4);
    EXPECT_TRUE(importer.end());
    EXPECT_EQ(importer.counts().added, 3);
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"All Songs\"").toInt(), 3);
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"All Songs\" WHERE Name IS NULL OR MidiFile IS NULL").toInt(), 0);
    // No transaction was left open.
    EXPECT_TRUE(lib.begin(&e)) << e.text().toStdString();
    lib.rollback();
    EXPECT_FALSE(importer.next()); // ended
    // Running to the end afterwards adds the rest; the first three are already there.
    ImportRun rest = import(lib, list, t.root, true);
    EXPECT_TRUE(rest.ok);
    EXPECT_EQ(rest.counts.already, 3);
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"All Songs\"").toInt(), int(list.files.size()) - 1);
}

TEST(Import, IntoAFileThatIsNoLibrarySaysSoOnce)
{
    Tree t;
    const QString db = QString::fromStdString(tempDir()) + "/empty.db";
    touchFile(db);
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e)) << e.text().toStdString(); // SQLite takes an empty file as an empty database
    ImportList list = listSubFolders(t.root);
    const ImportRun r = import(lib, list, t.root, true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.fatal.number, QString("3078"));
    EXPECT_TRUE(r.fatal.description.contains("is not a song library")) << r.fatal.text().toStdString();
    EXPECT_TRUE(r.results.empty());
    EXPECT_EQ(r.counts.added, 0);
    lib.close();
    EXPECT_EQ(QFileInfo(db).size(), 0);
}
