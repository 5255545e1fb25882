#include "LibraryFixture.h"
#include "../song/QtPrinters.h"
#include "SongTableModel.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <chrono>
#include <thread>

#include <unistd.h>

using namespace lirmus;
using namespace lirmus::test;

namespace {

struct Lib {
    QString dir = QString::fromStdString(tempDir());
    QString path = newLibrary(dir);
    SongLibrary lib;
    Lib()
    {
        DbError e;
        EXPECT_TRUE(lib.open(path, &e)) << e.text().toStdString();
    }
    void add(const QString& name, const QString& author, const QString& file, int transpose = 0)
    {
        DbError e;
        ASSERT_TRUE(lib.insertSong({name, author, "Pop", transpose, file}, &e)) << e.text().toStdString();
    }
    QStringList names(const QString& recordSource)
    {
        SongTableModel m;
        DbError e;
        EXPECT_TRUE(m.load(&lib, recordSource, &e)) << e.text().toStdString();
        m.fetchAll();
        QStringList out;
        for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, 0).data().toString();
        return out;
    }
};

// Rows counted 1, 2, 3... up to upTo (for ever when 0), each giving what as Name.
QString counted(const QString& what, long long upTo = 0)
{
    return "SELECT * FROM (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c" +
           (upTo > 0 ? QString(" WHERE x < %1").arg(upTo) : QString()) + ") SELECT " + what + " AS Name FROM c)";
}

} // namespace

TEST(SongLibrary, TemplateHoldsTheSongTableWithItsUniqueIndex)
{
    Lib l;
    std::vector<LibraryObject> objects;
    DbError e;
    ASSERT_TRUE(l.lib.objects(&objects, &e));
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects[0].name, QString("All Songs"));
    EXPECT_EQ(objects[0].fields, (QStringList{"Name", "Author", "Category", "TRANSPOSE", "MidiFile"}));
    EXPECT_EQ(listEntries(objects), QStringList{"(T)All Songs"}) << "the details tables are not offered";
    l.add("Volare", "", "/s/Volare.kar");
    EXPECT_FALSE(l.lib.insertSong({"Again", "", "", 0, "/s/Volare.kar"}, &e));
    EXPECT_TRUE(e.duplicate());
    EXPECT_EQ(e.number, QString("3022"));
    EXPECT_FALSE(e.fatal());
    // Paths differing only in case are two files.
    l.add("volare", "", "/s/volare.kar");
    EXPECT_EQ(allSongs(l.lib), (QStringList{"Volare|<null>|Pop|0|/s/Volare.kar", "volare|<null>|Pop|0|/s/volare.kar"}));
}

TEST(SongLibrary, FilesThatAreNoLibraryAreRefusedAndNeverMade)
{
    const QString dir = QString::fromStdString(tempDir());
    SongLibrary lib;
    DbError e;
    EXPECT_FALSE(lib.open(dir + "/missing.db", &e));
    EXPECT_EQ(e.number, QString("14"));
    EXPECT_FALSE(QFileInfo::exists(dir + "/missing.db"));
    ASSERT_TRUE(writeFile((dir + "/text.db").toStdString(), std::string(4096, 'x')));
    EXPECT_FALSE(lib.open(dir + "/text.db", &e));
    EXPECT_EQ(e.number, QString("26"));
    EXPECT_FALSE(lib.isOpen());
}

TEST(SongLibrary, RecordSourcesNeedTheTableAndEveryField)
{
    Lib l;
    QSqlQuery q(l.lib.database());
    ASSERT_TRUE(q.exec("CREATE TABLE Other (Name TEXT)"));
    SongTableModel m;
    DbError e;
    EXPECT_TRUE(m.load(&l.lib, kDefaultRecordSource, &e));
    EXPECT_EQ(m.columnCount(), 5);
    EXPECT_EQ(m.fieldName(3), QString("Trans"));
    EXPECT_FALSE(m.load(&l.lib, recordSourceFor("Other"), &e));
    EXPECT_TRUE(e.description.contains("no such column")) << e.text().toStdString();
    EXPECT_FALSE(m.load(&l.lib, recordSourceFor("Gone"), &e));
    EXPECT_TRUE(e.description.contains("no such table")) << e.text().toStdString();
    // The settings' bare table name gives the table's own columns.
    EXPECT_TRUE(m.load(&l.lib, "All Songs", &e));
    EXPECT_EQ(m.fieldName(3), QString("TRANSPOSE"));
}

TEST(SongLibrary, ListedObjectsOnARealFile)
{
    Lib l;
    QSqlQuery q(l.lib.database());
    for (const char* sql : {"CREATE TABLE MSysThings (Name, Author, Category, TRANSPOSE, MidiFile)",
                            "CREATE TABLE \"~old\" (Name, Author, Category, TRANSPOSE, MidiFile)",
                            "CREATE TABLE lower (name, author, category, transpose, midifile, extra)",
                            "CREATE TABLE short (name, author)",
                            "CREATE VIEW \"MSys view\" AS SELECT * FROM \"All Songs\"",
                            "CREATE VIEW broken AS SELECT * FROM lower",
                            "DROP TABLE lower",
                            "CREATE TABLE lower (name, author, category, transpose, midifile)"})
        ASSERT_TRUE(q.exec(sql)) << sql;
    ASSERT_TRUE(q.exec("CREATE TABLE t (a)"));
    ASSERT_TRUE(q.exec("CREATE VIEW gone AS SELECT a FROM t"));
    ASSERT_TRUE(q.exec("DROP TABLE t")); // a stored query whose table has gone
    std::vector<LibraryObject> objects;
    DbError e;
    ASSERT_TRUE(l.lib.objects(&objects, &e));
    EXPECT_EQ(listEntries(objects), (QStringList{"(T)All Songs", "(T)lower", "(Q)broken", "(Q)MSys view"}));
}

TEST(SongLibrary, WildcardsFindLiteralPercentUnderscoreAndDigits)
{
    Lib l;
    l.add("100% Love", "", "/a");
    l.add("1000 Love", "", "/b");
    l.add("my_song", "", "/c");
    l.add("mysong", "", "/d");
    l.add("Track 7", "", "/e");
    l.add("Track X", "", "/f");
    l.add("Ñandú", "", "/g");
    l.add("O'Brien", "", "/h");
    auto where = [&](const QString& pattern) {
        return l.names("SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile FROM [All Songs] WHERE Name Like '" +
                       QString(pattern).replace("'", "''") + "' ORDER BY MidiFile;");
    };
    EXPECT_EQ(where("*100%*"), QStringList{"100% Love"});
    EXPECT_EQ(where("my_*"), QStringList{"my_song"});
    EXPECT_EQ(where("track #"), QStringList{"Track 7"});
    EXPECT_EQ(where("ñ*"), QStringList{"Ñandú"});
    EXPECT_EQ(where("*'b*"), QStringList{"O'Brien"});
    EXPECT_EQ(where("?ysong"), QStringList{"mysong"});
}

TEST(SongLibrary, EditsDeletesAndViewsWithAnyName)
{
    Lib l;
    l.add("Volare", "Modugno", "/s/Volare.kar");
    DbError e;
    EXPECT_TRUE(l.lib.updateField("/s/Volare.kar", "Trans", "-2", &e));
    EXPECT_FALSE(l.lib.updateField("/s/Volare.kar", "Trans", "two", &e));
    EXPECT_EQ(e.number, QString("20"));
    EXPECT_TRUE(l.lib.updateField("/s/Volare.kar", "Author", "", &e));
    EXPECT_FALSE(l.lib.updateField("/s/Volare.kar", "MidiFile", "", &e));
    EXPECT_FALSE(l.lib.updateField("/s/gone.kar", "Name", "x", &e));
    EXPECT_EQ(allSongs(l.lib), QStringList{"Volare|<null>|Pop|-2|/s/Volare.kar"});

    const QString odd = "it's \"odd\"]; DROP TABLE x [%";
    ASSERT_TRUE(l.lib.createView(odd, translateLike(kViewSelectFrom + "[All Songs] Where Name Like 'V*' ;"), &e))
        << e.text().toStdString();
    EXPECT_EQ(l.names(recordSourceFor(odd)), QStringList{"Volare"});
    EXPECT_FALSE(l.lib.createView(odd, kViewSelectFrom + "[All Songs];", &e)); // exists already
    EXPECT_FALSE(l.lib.createView("x", kViewSelectFrom + "[All Songs]; DROP TABLE [All Songs]", &e));
    EXPECT_TRUE(l.lib.deleteSong("/s/Volare.kar", &e));
    EXPECT_TRUE(allSongs(l.lib).isEmpty());
}

TEST(SongLibrary, RecordSourcesOnlyRead)
{
    Lib l;
    l.add("Volare", "", "/s/Volare.kar");
    SongTableModel m;
    DbError e;
    for (const char* sql : {"UPDATE [All Songs] SET Name = 'x'", "DELETE FROM [All Songs]", "DROP TABLE [All Songs]",
                            "SELECT 1; DELETE FROM [All Songs]"}) {
        EXPECT_FALSE(m.load(&l.lib, QString("SELECT * FROM x; ") + sql, &e)) << sql;
        EXPECT_FALSE(m.load(&l.lib, sql, &e)) << sql;
    }
    const QString attach = "ATTACH '" + l.dir + "/other.db' AS other";
    EXPECT_FALSE(m.load(&l.lib, attach, &e));
    EXPECT_FALSE(QFileInfo::exists(l.dir + "/other.db"));
    EXPECT_EQ(allSongs(l.lib), QStringList{"Volare|<null>|Pop|0|/s/Volare.kar"});
    // After a refused statement the library still takes the program's own writes.
    EXPECT_TRUE(l.lib.deleteSong("/s/Volare.kar", &e)) << e.text().toStdString();
}

TEST(SongLibrary, RepairKeepsADamagedOriginalAndCompactsAGoodOne)
{
    Lib l;
    for (int i = 0; i < 300; ++i) l.add(QString("Song %1").arg(i), "A", QString("/s/%1.mid").arg(i));
    QSqlQuery(l.lib.database()).exec("DELETE FROM \"All Songs\" WHERE rowid % 2 = 0");
    l.lib.close();
    const qint64 before = QFileInfo(l.path).size();
    DbError e;
    ASSERT_TRUE(repairLibrary(l.path, &e)) << e.text().toStdString();
    EXPECT_LT(QFileInfo(l.path).size(), before);
    ASSERT_TRUE(l.lib.open(l.path, &e));
    EXPECT_EQ(sqlValue(l.lib, "SELECT count(*) FROM \"All Songs\"").toInt(), 150);
    l.lib.close();

    // Damage the pages after the header: the repair fails and the original is left byte for byte.
    std::string bytes = readFile(l.path.toStdString());
    for (size_t i = 4096; i < bytes.size(); i += 7) bytes[i] = char(0xA5);
    ASSERT_TRUE(writeFile(l.path.toStdString(), bytes));
    EXPECT_FALSE(repairLibrary(l.path, &e));
    EXPECT_FALSE(e.description.isEmpty());
    EXPECT_EQ(readFile(l.path.toStdString()), bytes);
    EXPECT_EQ(QDir(l.dir).entryList(QDir::Files | QDir::Hidden), QStringList{"songs.db"});
    // Not a library at all: nothing changes either.
    ASSERT_TRUE(writeFile((l.dir + "/notes.db").toStdString(), "just text"));
    EXPECT_FALSE(repairLibrary(l.dir + "/notes.db", &e));
    EXPECT_EQ(readFile((l.dir + "/notes.db").toStdString()), "just text");
}

TEST(SongLibrary, TemplateFromTheProgramFolderFirst)
{
    const QString app = QString::fromStdString(tempDir()) + "/", installed = QString::fromStdString(tempDir());
    EXPECT_EQ(templatePath(app, {installed}), QString());
    touchFile(app + "Database.new"); // empty: no template
    EXPECT_EQ(templatePath(app, {installed}), QString());
    ASSERT_TRUE(writeFile((installed + "/Database.new").toStdString(), "x"));
    EXPECT_EQ(templatePath(app, {installed}), QDir(installed).filePath("Database.new"));
    ASSERT_TRUE(writeFile((app + "Database.new").toStdString(), "x"));
    EXPECT_EQ(templatePath(app, {installed}), app + "Database.new");
}

TEST(SongLibrary, BuilderSelectionsFindNamesWithQuotesAndComments)
{
    Lib l;
    const QString odd = "It's \"x\" [y]; -- z";
    l.add(odd, "O'Brien", "/s/a.kar");
    l.add("Plain", "Other", "/s/b.kar");
    SelectSpec spec;
    spec.source = kSongTable;
    spec.rows[0] = {"Name", "=", odd};
    EXPECT_EQ(l.names(kSelectFrom + ComposeSql(spec)), QStringList{odd});
    spec.rows[0] = {"Author", "Like", "O'B*"};
    spec.rows[1] = {"Name", "<>", "'; DELETE FROM [All Songs]; --"};
    spec.order = {"Name Desc"};
    EXPECT_EQ(l.names(kSelectFrom + ComposeSql(spec)), QStringList{odd});
    spec.rows[0] = {};
    EXPECT_EQ(l.names(kSelectFrom + ComposeSql(spec)), (QStringList{"Plain", odd}));
    EXPECT_EQ(allSongs(l.lib).size(), 2);
}

TEST(SongLibrary, RunawayQueriesEndWithAMessageAndTheLibraryGoesOn)
{
    Lib l;
    l.add("Volare", "", "/s/Volare.kar");
    SongTableModel m;
    DbError e;
    // A gigabyte in one value is refused before it is made.
    EXPECT_FALSE(m.load(&l.lib, "SELECT randomblob(1000000000) AS Name", &e));
    EXPECT_EQ(e.number, "18");
    EXPECT_TRUE(e.description.contains("larger than 32 MB")) << e.text().toStdString();
    long long n = 0;
    EXPECT_FALSE(l.lib.count("SELECT zeroblob(1000000000)", &n, &e));
    EXPECT_EQ(e.number, "18");
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(l.names(kDefaultRecordSource), QStringList{"Volare"});

    // Work without a row for too long is stopped.
    l.lib.setWorkBudget(1'000'000);
    const QString slow = "SELECT count(*) AS Name FROM (" + counted("x", 5000000) + ")";
    EXPECT_FALSE(m.load(&l.lib, slow, &e));
    EXPECT_EQ(e.number, "9");
    EXPECT_TRUE(e.description.contains("took too long")) << e.text().toStdString();
    EXPECT_FALSE(l.lib.count(slow, &n, &e));
    l.lib.setWorkBudget(SongLibrary::kWorkBudget);
    EXPECT_TRUE(m.load(&l.lib, slow, &e)) << e.text().toStdString(); // the same within the budget
    EXPECT_EQ(m.index(0, 0).data().toLongLong(), 5000000);

    // The library still reads and writes.
    EXPECT_EQ(l.names(kDefaultRecordSource), QStringList{"Volare"});
    EXPECT_TRUE(l.lib.deleteSong("/s/Volare.kar", &e)) << e.text().toStdString();
}

TEST(SongLibrary, AQueryRunningForeverStopsWhenAsked)
{
    Lib l;
    SongTableModel m;
    DbError e;
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            l.lib.requestStop();
        }
    });
    const bool ran = m.load(&l.lib, "SELECT count(*) AS Name FROM (" + counted("x") + ")", &e);
    done = true;
    stopper.join();
    EXPECT_FALSE(ran);
    EXPECT_EQ(e.text(), QString("9 The query was stopped."));
    EXPECT_TRUE(l.names(kDefaultRecordSource).isEmpty());
}

TEST(SongLibrary, RowsInMemoryAreBoundedAndTheCutIsTold)
{
    Lib l;
    SongTableModel m;
    DbError e;
    const int more = SongTableModel::kMaxRows + 10;
    auto loadAll = [&](const QString& sql) {
        ASSERT_TRUE(m.load(&l.lib, sql, &e)) << e.text().toStdString();
        m.fetchAll();
    };
    loadAll(counted("x", more));
    EXPECT_EQ(m.rowCount(), SongTableModel::kMaxRows);
    EXPECT_TRUE(m.cut());
    EXPECT_TRUE(m.allFetched());
    EXPECT_EQ(m.index(SongTableModel::kMaxRows - 1, 0).data().toInt(), SongTableModel::kMaxRows);

    // Large values: reading stops once the text read passes the bound.
    m.setByteBound(10'000'000);
    loadAll(counted("randomblob(1000000)", 100));
    EXPECT_EQ(m.rowCount(), 11);
    EXPECT_TRUE(m.cut());
    // A query that fails halfway keeps the rows read, and says they are not all.
    m.setByteBound(SongTableModel::kMaxBytes);
    loadAll(counted("CASE WHEN x < 300 THEN x ELSE randomblob(100000000) END", 1000));
    EXPECT_EQ(m.rowCount(), 299);
    EXPECT_TRUE(m.cut());
    // A closed library runs nothing and says why.
    SongLibrary closed;
    EXPECT_FALSE(m.load(&closed, "SELECT 1 AS Name", &e));
    EXPECT_EQ(e.text(), QString("8 The library cannot be made read-only, so no query runs on it."));
    // A query read to its end is not cut.
    loadAll("SELECT 1 AS Name UNION ALL SELECT 2");
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_FALSE(m.cut());
}
