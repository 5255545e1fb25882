// What the library learns from the songs themselves: no-songs left out with
// their reasons, names from title lines, the lyrics index, copies by content,
// favourites and plays, and libraries of older copies gaining all of it.
#include "LibraryFixture.h"
#include "SongContent.h"
#include "SongDetails.h"
#include "SongTableModel.h"

#include <QSqlQuery>

using namespace lirmus;
using namespace lirmus::test;

namespace {

struct Imported {
    ImportCounts counts;
    std::vector<ImportNote> skipped, copies;
    QString report;
};

Imported importFolder(SongLibrary& lib, const QString& folder, bool titles = false, bool copies = false)
{
    ImportList list = listCurrentFolder(folder);
    const AuthorCategory ac = AuthorCategoryFromPath(folder);
    SongImporter importer;
    importer.titlesFromSongs = titles;
    importer.addCopies = copies;
    Imported r;
    DbError fatal;
    EXPECT_TRUE(importer.run(lib, list, folder, false, ac.author, ac.category, &r.counts, &fatal))
        << fatal.text().toStdString();
    r.skipped = importer.skipped;
    r.copies = importer.copies;
    r.report = importReport(list.ticked(), r.counts, r.skipped, r.copies);
    return r;
}

QStringList lyricsHits(const SongLibrary& lib, const QString& words, bool prefix = false)
{
    std::vector<QString> files;
    DbError e;
    EXPECT_TRUE(findLyrics(lib, words, prefix, &files, &e)) << e.text().toStdString();
    QStringList names;
    for (const QString& f : files) names << QFileInfo(f).fileName();
    names.sort();
    return names;
}

QString fieldOf(SongLibrary& lib, const QString& field, const QString& fileName)
{
    return sqlValue(lib, "SELECT " + field + " FROM \"All Songs\" WHERE MidiFile LIKE '%/" + fileName + "'").toString();
}

struct Library {
    QString dir = QString::fromStdString(tempDir());
    QString db = newLibrary(dir);
    SongLibrary lib;
    Library()
    {
        DbError e;
        EXPECT_TRUE(lib.open(db, &e)) << e.text().toStdString();
    }
};

} // namespace

TEST(SongContent, TellsSongsFromFilesThatAreNone)
{
    EXPECT_EQ(songContentOf({}).kind, SongContent::Kind::Empty);
    const SongContent text = songContentOf("Hello, I am a text file called song.mid\n");
    EXPECT_EQ(text.kind, SongContent::Kind::NotMidi);
    EXPECT_EQ(text.reason, "not a MIDI file");
    EXPECT_EQ(songContentOf("MThd").kind, SongContent::Kind::NotMidi) << "a header and nothing after it";

    SmfWriter w(0, 96);
    w.track().text(0, 5, "la").end();
    const QByteArray smf = QByteArray::fromStdString(w.bytes());
    EXPECT_TRUE(songContentOf(smf).song());
    // The RIFF wrapper: "RIFF", size, "RMID", a "data" chunk holding the file.
    QByteArray riff = "RIFF" + QByteArray(4, '\0') + "RMIDdata";
    const quint32 n = quint32(smf.size());
    riff += QByteArray(reinterpret_cast<const char*>(&n), 4) + smf;
    EXPECT_TRUE(looksLikeMidi(riff));
    EXPECT_TRUE(songContentOf(riff).song());
    EXPECT_FALSE(looksLikeMidi("RIFF\0\0\0\0WAVE")) << "a wave file is RIFF too";
    EXPECT_EQ(songContentOf(smf).hash, songContentOf(smf).hash);
    EXPECT_NE(songContentOf(smf).hash, songContentOf(riff).hash);
    EXPECT_EQ(readSongContent("/no/such/song.mid").kind, SongContent::Kind::Unreadable);
}

TEST(SongContent, LyricsAreTheSungTrackJoinedIntoLines)
{
    EXPECT_EQ(joinSyllables({"\\Twin", "kle, ", "twin", "kle_lit", "tle ", "/star", "\r", "How I"}),
              "Twinkle, twinkle little\nstar\nHow I");
    EXPECT_EQ(joinSyllables({"<A", "ve ", "|Ma", "ri", "a"}), "Ave\nMaria");

    SmfWriter w(1, 96);
    w.track().text(0, 1, "@KMIDI KARAOKE FILE").text(0, 1, "@TFirst").text(0, 1, "@TSecond").end();
    w.track().text(0, 5, "back").text(10, 5, "ing").end(); // a second voice with fewer lyrics
    w.track().text(0, 5, "Lead ").text(10, 5, "[Am]").text(10, 5, "vo").text(10, 5, "cal").end();
    const SongContent c = songContentOf(QByteArray::fromStdString(w.bytes()));
    EXPECT_EQ(c.titleLines, QStringList({"First", "Second"}));
    EXPECT_EQ(c.lyrics, "Lead vocal") << "the track with the most lyrics, chords left out";
}

TEST(SongContent, NamesFromTitleLines)
{
    TitleNames t;
    EXPECT_FALSE(namesFromTitles({}, &t));
    EXPECT_FALSE(namesFromTitles({"  ", ""}, &t)) << "blank title lines are none";
    ASSERT_TRUE(namesFromTitles({"ALL THAT SHE WANTS", "Ace Of Base", "Sequenced by someone"}, &t));
    EXPECT_EQ(t.name, "ALL THAT SHE WANTS");
    EXPECT_EQ(t.author, "Ace Of Base");
    ASSERT_TRUE(namesFromTitles({"Waterloo - ABBA - 1974"}, &t));
    EXPECT_EQ(t.name, "Waterloo");
    EXPECT_EQ(t.author, "ABBA - 1974") << "split at the first \" - \"";
    ASSERT_TRUE(namesFromTitles({"Rock-a-bye Baby"}, &t));
    EXPECT_EQ(t.name, "Rock-a-bye Baby");
    EXPECT_EQ(t.author, "");
    ASSERT_TRUE(namesFromTitles({"", "Only - Line"}, &t));
    EXPECT_EQ(t.name, "Only");
    EXPECT_EQ(t.author, "Line");
}

TEST(SongDetails, RealSongsNamedFromTheirTitlesOnlyWhenAsked)
{
    const QString shared = QString::fromStdString(sharedTestData());
    if (!QFileInfo::exists(shared + "/Negra_Sombra.kar")) GTEST_SKIP() << "no shared test songs";
    const AuthorCategory folder = AuthorCategoryFromPath(shared);
    {
        Library plain;
        const Imported r = importFolder(plain.lib, shared);
        EXPECT_EQ(r.counts.added, 10);
        EXPECT_EQ(fieldOf(plain.lib, "Name", "Negra_Sombra.kar"), "Negra_Sombra");
        EXPECT_EQ(fieldOf(plain.lib, "Author", "Negra_Sombra.kar"), folder.author);
    }
    Library titled;
    const Imported r = importFolder(titled.lib, shared, true);
    EXPECT_EQ(r.counts.added, 10);
    EXPECT_EQ(fieldOf(titled.lib, "Name", "Negra_Sombra.kar"), "Negra Sombra");
    EXPECT_EQ(fieldOf(titled.lib, "Author", "Negra_Sombra.kar"), QString("Music: Xoan Montes (1840-1899)").left(30));
    EXPECT_EQ(fieldOf(titled.lib, "Category", "Negra_Sombra.kar"), folder.category) << "Category follows the folders";
    EXPECT_EQ(fieldOf(titled.lib, "Name", "twinkle.kar"), "Twinkle, Twinkle, Little Star");
    EXPECT_EQ(fieldOf(titled.lib, "Author", "twinkle.kar"), folder.author) << "no artist line: the folder's";
    EXPECT_EQ(fieldOf(titled.lib, "Name", "lindaamiga.mid"), "lindaamiga") << "no title lines: the file's name";

    // Their lyrics are found across syllables, accents and case aside.
    EXPECT_EQ(lyricsHits(titled.lib, "twinkle twinkle little star"), QStringList({"twinkle.kar"}));
    EXPECT_EQ(lyricsHits(titled.lib, "CANDO PENSO"), QStringList({"Negra_Sombra.kar"}));
    EXPECT_EQ(lyricsHits(titled.lib, "ave maria jungfrau mild"), QStringList({"schubert_avemaria.mid"}));
    EXPECT_EQ(lyricsHits(titled.lib, "jungfrau mild erho", true), QStringList({"schubert_avemaria.mid"}))
        << "Erhö... typed without its accent";
    EXPECT_EQ(lyricsHits(titled.lib, "linda amiga"), QStringList({"lindaamiga.mid"}));
}

TEST(SongDetails, FilesThatAreNoSongsAreSkippedWithTheirReasons)
{
    Library l;
    const QString songs = l.dir + "/songs";
    writeSong(songs + "/good.mid");
    touchFile(songs + "/empty.mid");
    QFile text(songs + "/notes.kar");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("These are not the songs you are looking for.\n");
    text.close();
    const Imported r = importFolder(l.lib, songs);
    EXPECT_EQ(r.counts.added, 1);
    EXPECT_EQ(r.counts.skipped, 2);
    EXPECT_EQ(r.counts.failed, 0);
    EXPECT_EQ(allSongs(l.lib).size(), 1);
    EXPECT_TRUE(r.report.startsWith("1 songs added to DB. 2 files skipped: not songs.\n")) << r.report.toStdString();
    EXPECT_TRUE(r.report.contains(songs + "/empty.mid: empty file")) << r.report.toStdString();
    EXPECT_TRUE(r.report.contains(songs + "/notes.kar: not a MIDI file")) << r.report.toStdString();
}

TEST(SongDetails, ReportListsTheFirstTwentyAndCountsTheRest)
{
    std::vector<ImportNote> many;
    for (int i = 0; i < 23; ++i) many.push_back({QString("/s/%1.mid").arg(i), "empty file"});
    ImportCounts c;
    c.skipped = 23;
    const QString report = importReport(0, c, many, {});
    EXPECT_TRUE(report.contains("/s/19.mid: empty file"));
    EXPECT_FALSE(report.contains("/s/20.mid"));
    EXPECT_TRUE(report.endsWith("... and 3 more.")) << report.toStdString();
    EXPECT_EQ(importReport(2, {}, {}, {}), importSummary(2, 0, 0)) << "nothing left out: the summary as before";
}

TEST(SongDetails, TheSameBytesUnderAnotherNameAreACopy)
{
    Library l;
    writeSong(l.dir + "/a/Song.mid", {"Song"}, {"la ", "la"});
    const Imported first = importFolder(l.lib, l.dir + "/a");
    EXPECT_EQ(first.counts.added, 1);
    ASSERT_TRUE(QDir().mkpath(l.dir + "/b"));
    ASSERT_TRUE(QFile::copy(l.dir + "/a/Song.mid", l.dir + "/b/Song (copy).mid"));
    writeSong(l.dir + "/b/Other.mid");
    const Imported second = importFolder(l.lib, l.dir + "/b");
    EXPECT_EQ(second.counts.added, 1);
    EXPECT_EQ(second.counts.copies, 1);
    ASSERT_EQ(second.copies.size(), 1u);
    EXPECT_EQ(second.copies[0].why, l.dir + "/a/Song.mid");
    EXPECT_TRUE(second.report.contains("1 songs not added because already in DB under another name!"));
    EXPECT_TRUE(second.report.contains(l.dir + "/b/Song (copy).mid: " + l.dir + "/a/Song.mid"));

    const Imported again = importFolder(l.lib, l.dir + "/a");
    EXPECT_EQ(again.counts.already, 1) << "the same file again is already in, not a copy";
    EXPECT_EQ(again.counts.copies, 0);

    const Imported asked = importFolder(l.lib, l.dir + "/b", false, true);
    EXPECT_EQ(asked.counts.added, 1) << "asked for, the copy goes in";
    EXPECT_EQ(asked.counts.already, 1);
    EXPECT_EQ(allSongs(l.lib).size(), 3);

    // Two copies within one import: the second is the copy of the first.
    writeSong(l.dir + "/c/x.mid");
    QFile::copy(l.dir + "/c/x.mid", l.dir + "/c/y.mid");
    const Imported twins = importFolder(l.lib, l.dir + "/c");
    EXPECT_EQ(twins.counts.added, 1);
    EXPECT_EQ(twins.counts.copies, 1);
}

TEST(SongDetails, LyricsSearchFollowsWordsInOrderAcrossSyllables)
{
    Library l;
    const QString songs = l.dir + "/songs";
    writeSong(songs + "/star.mid", {}, {"Twin", "kle, ", "twin", "kle ", "lit", "tle ", "STÄR"});
    writeSong(songs + "/cafe.kar", {}, {"\\Un ", "ca", "fé ", "/con ", "le", "che"}, true);
    writeSong(songs + "/quiet.mid");
    importFolder(l.lib, songs);
    EXPECT_EQ(lyricsHits(l.lib, "little star"), QStringList({"star.mid"}));
    EXPECT_EQ(lyricsHits(l.lib, "Twinkle, TWINKLE"), QStringList({"star.mid"}));
    EXPECT_EQ(lyricsHits(l.lib, "little twinkle"), QStringList()) << "words out of order";
    EXPECT_EQ(lyricsHits(l.lib, "un cafe con leche"), QStringList({"cafe.kar"})) << "across a line break";
    EXPECT_EQ(lyricsHits(l.lib, "twin"), QStringList()) << "whole words";
    EXPECT_EQ(lyricsHits(l.lib, "twinkle lit", true), QStringList({"star.mid"})) << "the last word as typed so far";
    EXPECT_EQ(lyricsHits(l.lib, "\"* OR NEAR( -"), QStringList()) << "the index's own syntax is just text";
    EXPECT_EQ(lyricsMatchExpression("say \"hi\"*", false), "\"say hi\"");

    // A song deleted or pointed at another file leaves no lyrics behind.
    DbError e;
    const int indexed = sqlValue(l.lib, "SELECT count(*) FROM \"Song Lyrics\"").toInt();
    ASSERT_TRUE(l.lib.deleteSong(songs + "/star.mid", &e));
    EXPECT_EQ(lyricsHits(l.lib, "little star"), QStringList());
    EXPECT_EQ(sqlValue(l.lib, "SELECT count(*) FROM \"Song Lyrics\"").toInt(), indexed - 1) << "its index row went too";
    ASSERT_TRUE(l.lib.updateField(songs + "/cafe.kar", "MidiFile", songs + "/quiet.mid.moved", &e));
    EXPECT_EQ(lyricsHits(l.lib, "cafe"), QStringList());
    std::vector<QString> unread;
    ASSERT_TRUE(songsWithoutDetails(l.lib, &unread, &e));
    EXPECT_EQ(unread, std::vector<QString>({songs + "/quiet.mid.moved"}));
}

TEST(SongDetails, FavouritesAndPlaysOutliveAReopen)
{
    Library l;
    writeSong(l.dir + "/songs/a.mid");
    writeSong(l.dir + "/songs/b.mid");
    importFolder(l.lib, l.dir + "/songs");
    const QString a = l.dir + "/songs/a.mid";
    DbError e;
    ASSERT_TRUE(setFavourite(l.lib, a, true, &e));
    ASSERT_TRUE(recordPlay(l.lib, a, QDateTime(QDate(2026, 5, 1), QTime(20, 15)), &e));
    ASSERT_TRUE(recordPlay(l.lib, a, QDateTime(QDate(2026, 5, 2), QTime(21, 30)), &e));
    ASSERT_TRUE(saveKeyAndTempo(l.lib, a, -3, 12, &e));
    EXPECT_FALSE(setFavourite(l.lib, l.dir + "/songs/gone.mid", true, &e)) << "only songs of the library";
    EXPECT_EQ(e.number, QString("3167"));
    l.lib.close();

    SongLibrary again;
    ASSERT_TRUE(again.open(l.db, &e));
    QHash<QString, SongMarks> marks;
    ASSERT_TRUE(readMarks(again, &marks, &e));
    ASSERT_EQ(marks.size(), 1);
    EXPECT_TRUE(marks[a].favourite);
    EXPECT_EQ(marks[a].plays, 2);
    EXPECT_EQ(marks[a].lastPlayed, "2026-05-02 21:30");
    EXPECT_EQ(marks[a].tempoChange, 12);
    EXPECT_EQ(fieldOf(again, "TRANSPOSE", "a.mid").toInt(), -3);
    EXPECT_EQ(marksOf(again, l.dir + "/songs/b.mid").tempoChange, std::nullopt);

    // The grid shows them as columns after the record source's own, and sorts by them.
    SongTableModel rows;
    rows.setWithMarks(true);
    ASSERT_TRUE(rows.load(&again, kDefaultRecordSource, &e));
    ASSERT_EQ(rows.columnCount(), 8);
    EXPECT_EQ(rows.fieldName(4), "MidiFile") << "the five song columns keep their places";
    EXPECT_EQ(rows.favouriteColumn(), 5);
    EXPECT_EQ(rows.fieldName(6), "Plays");
    rows.sortByColumn(6, true);
    EXPECT_EQ(rows.index(0, 4).data().toString(), a);
    EXPECT_EQ(rows.index(0, 5).data().toString(), QString(QChar(0x2605)));
    EXPECT_EQ(rows.index(0, 7).data().toString(), "2026-05-02 21:30");
    EXPECT_EQ(rows.savedTempo(0), 12);
    ASSERT_TRUE(rows.toggleFavourite(0, &e));
    EXPECT_FALSE(rows.index(0, 5).data().isValid());
    ASSERT_TRUE(rows.notePlayed(1, &e));
    EXPECT_EQ(rows.index(1, 6).data().toInt(), 1);
    EXPECT_FALSE(marksOf(again, a).favourite);
    EXPECT_EQ(marksOf(again, l.dir + "/songs/b.mid").plays, 1);
    EXPECT_FALSE(rows.flags(rows.index(0, 6)).testFlag(Qt::ItemIsEditable));

    SongTableModel plain; // the command-line tool's rows: the record source alone
    ASSERT_TRUE(plain.load(&again, kDefaultRecordSource, &e));
    EXPECT_EQ(plain.columnCount(), 5);
}

TEST(SongDetails, ALibraryOfAnOlderCopyGainsTheIndexAndKeepsItsTable)
{
    const QString dir = QString::fromStdString(tempDir());
    const QString db = newLibrary(dir, "old.db");
    writeSong(dir + "/songs/one.mid", {}, {"Hel", "lo ", "world"});
    writeSong(dir + "/songs/two.mid");
    {
        // Written as an older copy does: "All Songs" alone.
        QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "older-copy");
        raw.setDatabaseName(db);
        ASSERT_TRUE(raw.open());
        QSqlQuery q(raw);
        ASSERT_TRUE(q.exec("INSERT INTO \"All Songs\" VALUES ('One', NULL, NULL, 0, '" + dir + "/songs/one.mid')"));
        ASSERT_TRUE(q.exec("INSERT INTO \"All Songs\" VALUES ('Two', 'B', NULL, 2, '" + dir + "/songs/two.mid')"));
        ASSERT_TRUE(q.exec("INSERT INTO \"All Songs\" VALUES ('Gone', NULL, NULL, 0, '" + dir + "/songs/gone.mid')"));
        q = QSqlQuery();
        raw.close();
    }
    QSqlDatabase::removeDatabase("older-copy");
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    EXPECT_TRUE(hasSongDetails(lib));
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM pragma_table_info('All Songs')").toInt(), 5)
        << "\"All Songs\" stays as the older copy made it";
    EXPECT_EQ(lyricsHits(lib, "hello world"), QStringList()) << "not read yet";

    DetailsFill fill;
    ASSERT_TRUE(fill.begin(lib, &e));
    EXPECT_EQ(fill.total(), 3);
    int steps = 1;
    while (fill.next()) ++steps;
    EXPECT_EQ(steps, 3);
    ASSERT_TRUE(fill.end(&e)) << e.text().toStdString();
    EXPECT_EQ(lyricsHits(lib, "hello world"), QStringList({"one.mid"}));
    std::vector<QString> unread;
    ASSERT_TRUE(songsWithoutDetails(lib, &unread, &e));
    EXPECT_TRUE(unread.empty()) << "a missing file counts as read: it is not read at every open";
    EXPECT_EQ(allSongs(lib).size(), 3);
    // Opening once more changes nothing; a copy that lost a trigger or an index gets it back.
    sqlValue(lib, "DROP TRIGGER \"Song Details Move\"");
    sqlValue(lib, "DROP INDEX \"Song Details Marked\"");
    lib.close();
    ASSERT_TRUE(lib.open(db, &e));
    EXPECT_EQ(lyricsHits(lib, "hello world"), QStringList({"one.mid"}));
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM sqlite_master WHERE type = 'trigger'").toInt(), 2);
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'Song Details%'").toInt(), 2);
}

TEST(SongDetails, ReadingAnOlderLibraryCommitsAsItGoes)
{
    const QString dir = QString::fromStdString(tempDir());
    const QString db = newLibrary(dir, "many.db");
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e));
    ASSERT_TRUE(lib.begin(&e));
    for (int i = 0; i < 250; ++i) ASSERT_TRUE(lib.insertSong({"S", "", "", 0, dir + QString("/gone%1.mid").arg(i)}, &e));
    ASSERT_TRUE(lib.commit(&e));
    DetailsFill fill;
    ASSERT_TRUE(fill.begin(lib, &e));
    for (int i = 0; i < 210; ++i) fill.next();
    // Another program sees what was read so far: a crash loses a few songs' reading, not all.
    {
        SongLibrary other;
        ASSERT_TRUE(other.open(db, &e));
        EXPECT_EQ(sqlValue(other, "SELECT count(*) FROM \"Song Details\" WHERE Indexed = 1").toInt(), 200);
    }
    while (fill.next()) {
    }
    ASSERT_TRUE(fill.end(&e));
    EXPECT_EQ(sqlValue(lib, "SELECT count(*) FROM \"Song Details\" WHERE Indexed = 1").toInt(), 250);
}

TEST(SongDetails, AReadOnlyOlderLibraryStillOpens)
{
    const QString dir = QString::fromStdString(tempDir());
    const QString db = newLibrary(dir, "ro.db");
    ASSERT_TRUE(QFile::setPermissions(db, QFileDevice::ReadOwner));
    if (QFileInfo(db).isWritable()) GTEST_SKIP() << "the file stays writable for this user";
    SongLibrary lib;
    DbError e;
    ASSERT_TRUE(lib.open(db, &e)) << e.text().toStdString();
    EXPECT_FALSE(hasSongDetails(lib));
    EXPECT_EQ(lyricsHits(lib, "anything"), QStringList());
    QHash<QString, SongMarks> marks;
    EXPECT_TRUE(readMarks(lib, &marks, &e));
    lib.close();
    QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
