#include "LibrarySql.h"

#include <gtest/gtest.h>

using namespace lirmus;

namespace {
std::string s(const QString& q) { return q.toStdString(); }
} // namespace

TEST(LibrarySql, RecordSourcesAndCaptions)
{
    EXPECT_EQ(s(recordSourceFor("MyQuery")), "SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile FROM [MyQuery];");
    // A name the brackets cannot hold is quoted instead.
    EXPECT_EQ(s(recordSourceFor("odd]name")), "SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile FROM \"odd]name\";");
    EXPECT_EQ(s(objectNameOfEntry("(Q)My Query")), "My Query");
    EXPECT_EQ(s(captionFor(125, kDefaultRecordSource, "/songs/Songs.db")), "125 Records from: [All Songs]; in /songs/Songs.db");
    EXPECT_EQ(s(captionFor(0, "All Songs", "/a.db")), "0 Records from: All Songs in /a.db");
    EXPECT_EQ(s(captionFor(9, "[Q]", "/a.db", true)), "9 Records from: [Q] in /a.db (cut short: the query gives more)");
    EXPECT_EQ(s(recordSourceQuery("All Songs")), "SELECT * FROM \"All Songs\"");
    EXPECT_EQ(s(recordSourceQuery("[All Songs]")), "SELECT * FROM \"All Songs\"");
    EXPECT_EQ(s(quoteIdentifier("my \"best\" songs")), "\"my \"\"best\"\" songs\"");
}

TEST(LibrarySql, FindTextDoublesLoneApostrophesOnly)
{
    EXPECT_EQ(s(doubleApostrophes("O'Brien")), "O''Brien");
    EXPECT_EQ(s(doubleApostrophes("O''Brien")), "O''Brien");
    EXPECT_EQ(s(doubleApostrophes("'''")), "''''");
    EXPECT_EQ(s(findPattern("O''Brien")), "*O'Brien*");
}

TEST(LibrarySql, ComposeSqlAsTheBuilderShowsIt)
{
    SelectSpec spec;
    spec.source = "All Songs";
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs];");
    spec.rows[0] = {"Author", "Like", "A*"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where [Author] Like 'A*' ;");
    spec.order = {"Name Asc"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where [Author] Like 'A*'  Order by [Name] Asc;");
    spec.order << "Author Desc";
    spec.rows[1] = {"Category", "=", "Pop"};
    spec.orJoin = true;
    EXPECT_EQ(s(ComposeSql(spec)),
              "[All Songs] Where [Author] Like 'A*'  Or [Category] = 'Pop'  Order by [Name] Asc, [Author] Desc;");
    // A ticked field without a value, or a value without a field, adds nothing.
    spec = {};
    spec.source = "Q";
    spec.rows[0] = {"Name", "Like", ""};
    spec.rows[1] = {"", "=", "x"};
    EXPECT_EQ(s(ComposeSql(spec)), "[Q];");
    EXPECT_EQ(s(toggleDirection("Author Asc")), "Author Desc");
    EXPECT_EQ(s(toggleDirection("Author Desc")), "Author Asc");
    EXPECT_EQ(s(withoutFirstApostrophe("it's o'k")), "its o'k");
}

TEST(LibrarySql, ComposeSqlQuotesValuesAndNamesWhateverTheyHold)
{
    SelectSpec spec;
    spec.source = "All Songs";
    spec.rows[0] = {"Name", "=", "it's \"x\" [y]; -- z"};
    spec.rows[1] = {"Author", "Like", "'; DROP TABLE x; --"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where [Name] = 'it''s \"x\" [y]; -- z'  And [Author] Like "
                                   "'''; DROP TABLE x; --' ;");
    // Doubled apostrophes in a value are two apostrophes, not one escaped.
    spec.rows[1] = {};
    spec.rows[0] = {"Name", "=", "a''b"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where [Name] = 'a''''b' ;");
    // Names: brackets where they can hold the name, double quotes where not.
    spec.rows[0] = {"Odd]Field", "<>", "1"};
    spec.order = {"my field Desc", "x\"y]; --z Asc", "bare"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where \"Odd]Field\" <> '1'  Order by [my field] Desc, "
                                   "\"x\"\"y]; --z\" Asc, [bare];");
    // The operator is one of the builder's own.
    spec.order = {};
    spec.rows[0] = {"Name", "= 1 OR 1 =", "x"};
    EXPECT_EQ(s(ComposeSql(spec)), "[All Songs] Where [Name] = 'x' ;");
    EXPECT_TRUE(isSingleSelect(kSelectFrom + ComposeSql(spec)));
    EXPECT_EQ(s(toggleDirection("my field Asc")), "my field Desc");
    EXPECT_EQ(s(unbracketName("[a b]")), "a b");
    EXPECT_EQ(s(unbracketName(bracketName("x\"y]"))), "x\"y]");
    EXPECT_EQ(s(unbracketName("plain")), "plain");
}

TEST(LibrarySql, WildcardsBecomeTheEnginesOwnWithEverythingElseLiteral)
{
    EXPECT_EQ(s(translateLike("Name Like 'A*'")), "Name LIKE 'A%' ESCAPE '\\'");
    EXPECT_EQ(s(translateLike("Name Like '100%_a?'")), "Name LIKE '100\\%\\_a_' ESCAPE '\\'");
    EXPECT_EQ(s(translateLike("Name Like 'back\\slash'")), "Name LIKE 'back\\\\slash' ESCAPE '\\'");
    EXPECT_EQ(s(translateLike("Name Like 'Track #*'")), "Name GLOB '[tT][rR][aA][cC][kK] [0-9]*'");
    EXPECT_EQ(s(translateLike("Name Like 'Ñ[a]'")), "Name GLOB '[ñÑ][[][aA]]'");
    EXPECT_EQ(s(translateLike("Name Like 'O''Brien'")), "Name LIKE 'O''Brien' ESCAPE '\\'");
    // In SQL text only the literal after Like changes; strings and names that merely say "like" stay.
    EXPECT_EQ(s(translateLike("SELECT * FROM [All Songs] Where Author Like 'A*'  Order by Name;")),
              "SELECT * FROM [All Songs] Where Author LIKE 'A%' ESCAPE '\\'  Order by Name;");
    EXPECT_EQ(s(translateLike("SELECT * FROM [like] WHERE Name NOT like \"it''s*\" AND x = 'Like ''*'''")),
              "SELECT * FROM [like] WHERE Name NOT LIKE 'it''''s%' ESCAPE '\\' AND x = 'Like ''*'''");
}

TEST(LibrarySql, InMemoryPatternFollowsTheSameRules)
{
    EXPECT_TRUE(JetPattern("*obrien*").matches("Tom OBrien"));
    EXPECT_TRUE(JetPattern("*o'b*").matches("O'Brien"));
    EXPECT_TRUE(JetPattern("a?c").matches("ABC"));
    EXPECT_FALSE(JetPattern("a?c").matches("abbc"));
    EXPECT_TRUE(JetPattern("track ##").matches("Track 07"));
    EXPECT_FALSE(JetPattern("track ##").matches("Track 0x"));
    EXPECT_TRUE(JetPattern("*100%*").matches("100% Love"));
    EXPECT_FALSE(JetPattern("*100%*").matches("1000 Love"));
    EXPECT_TRUE(JetPattern("*ÑO*").matches("año"));
    EXPECT_TRUE(JetPattern("*[a]*").matches("x[A]y"));
    EXPECT_TRUE(JetPattern("*").matches(""));
    EXPECT_FALSE(JetPattern("?").matches(""));
}

TEST(LibrarySql, OnlyASingleSelectPasses)
{
    EXPECT_TRUE(isSingleSelect("SELECT * FROM [All Songs];"));
    EXPECT_TRUE(isSingleSelect("  select Name from x where y = 'a;b' ; -- done\n"));
    EXPECT_TRUE(isSingleSelect("SELECT 1 /* ; DROP */"));
    for (const char* sql : {"UPDATE [All Songs] SET Name = 'x'", "DELETE FROM [All Songs]", "DROP TABLE [All Songs]",
                            "ATTACH 'x.db' AS x", "SELECT 1; DROP TABLE [All Songs]", "SELECT 1; SELECT 2",
                            "WITH a AS (SELECT 1) DELETE FROM [All Songs]", "", " ;", "PRAGMA writable_schema=1"})
        EXPECT_FALSE(isSingleSelect(sql)) << sql;
}

TEST(LibrarySql, ListedObjectsAndFieldRule)
{
    const QStringList five = {"Name", "Author", "Category", "TRANSPOSE", "MidiFile"};
    EXPECT_TRUE(TuttiICampi(five));
    EXPECT_TRUE(TuttiICampi({"id", "midifile", "transpose", "name", "AUTHOR", "category"}));
    EXPECT_FALSE(TuttiICampi({"Name", "Author", "Category", "Trans", "MidiFile"}));
    const std::vector<LibraryObject> objects = {
        {"All Songs", false, five},    {"MSysObjects", false, five}, {"~tmp", false, five},
        {"sqlite_stat1", false, five}, {"Few", false, {"Name"}},     {"MSysQuery", true, five},
        {"~view", true, five},         {"Pop", true, five},          {"lower", false, {"name", "author", "category", "transpose", "midifile"}}};
    EXPECT_EQ(listEntries(objects), (QStringList{"(T)All Songs", "(T)lower", "(Q)MSysQuery", "(Q)Pop"}));
}

TEST(LibrarySql, CellTranspositionAndFileNames)
{
    EXPECT_EQ(songTransposeOf("-2"), -2);
    EXPECT_EQ(songTransposeOf(""), 0);
    EXPECT_EQ(songTransposeOf(" 3 semitones"), 3);
    EXPECT_EQ(songTransposeOf("2.6"), 3);
    EXPECT_EQ(songTransposeOf("abc"), 0);
    EXPECT_EQ(songTransposeOf("99999"), 32767);
    QString p = "/home/me/Songs";
    EXPECT_TRUE(acceptLibraryFileName(&p));
    EXPECT_EQ(s(p), "/home/me/Songs.db");
    p = "/home/me/Songs.DB";
    EXPECT_TRUE(acceptLibraryFileName(&p));
    p = "/home/me.d/Songs.mdb";
    EXPECT_FALSE(acceptLibraryFileName(&p));
    p = "/home/me.d/Songs";
    EXPECT_TRUE(acceptLibraryFileName(&p));
    EXPECT_EQ(s(p), "/home/me.d/Songs.db");
}
