#pragma once
// The library's SQL as text: record sources, captions, search criteria, the
// query builder's composition, and the translation of the * ? # wildcards
// users type into the engine's own LIKE or GLOB. No database here.
#include <QString>
#include <QStringList>

#include <vector>

namespace lirmus {

/// The record source every load starts from.
inline const QString kDefaultRecordSource =
    QStringLiteral("SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile FROM [All Songs];");
/// The fixed head of the query builder's SQL.
inline const QString kSelectFrom = QStringLiteral("SELECT Name, Author, Category, TRANSPOSE AS Trans, MidiFile from ");
/// The head of a stored query: the field names stay the song fields.
inline const QString kViewSelectFrom = QStringLiteral("SELECT Name, Author, Category, TRANSPOSE, MidiFile from ");
inline const QString kSongTable = QStringLiteral("All Songs");

/// text as an SQL string literal: in apostrophes, each apostrophe doubled.
QString quoteText(const QString& text);
/// "[name]", or a double-quoted identifier when the name holds a "]".
QString bracketName(const QString& name);
/// The name inside bracketName's result (or a bare name as it stands).
QString unbracketName(const QString& quoted);
/// name as an SQL identifier in double quotes, whatever characters it holds.
QString quoteIdentifier(const QString& name);

/// The record source for a table or stored query chosen in the list.
QString recordSourceFor(const QString& objectName);
/// The list entry's object name: everything from its fourth character on.
QString objectNameOfEntry(const QString& entry);

/// "<n> Records from: <from the first [ of the record source> in <database>", and when
/// the rows were cut short, a note that the query gives more.
QString captionFor(long long records, const QString& recordSource, const QString& databaseName, bool cut = false);

/// Doubles every apostrophe that is not already doubled.
QString doubleApostrophes(const QString& text);
/// The wildcard pattern a criterion's doubled text stands for: "*" + text + "*".
QString findPattern(const QString& findText);

/// True when the field names hold Name, Author, Category, TRANSPOSE and MidiFile (any letter case).
bool TuttiICampi(const QStringList& fieldNames);

/// A table or view of a library, as the table/query lists need it.
struct LibraryObject {
    QString name;
    bool view = false;
    QStringList fields;
};
/// The "(T)" and "(Q)" entries for the objects: tables first, then views; names
/// beginning with "~", tables beginning with "MSys" and the engine's own tables
/// are left out, as is every object without the five song fields.
QStringList listEntries(const std::vector<LibraryObject>& objects);

/// The SQL text with each "LIKE 'pattern'" of the user's wildcards (* any text,
/// ? one character, # one digit, every other character literal) turned into the
/// engine's own, case-insensitive: "LIKE '...' ESCAPE '\'", or "GLOB '...'" when
/// it needs a digit or letters beyond ASCII; everything else unchanged.
QString translateLike(const QString& sql);
/// The SQL the grid runs for a record source: a bare table name becomes
/// SELECT * FROM it; SQL gets its wildcards translated.
QString recordSourceQuery(const QString& recordSource);

/// True when sql is one SELECT statement and nothing else (a trailing ";" and comments allowed).
bool isSingleSelect(const QString& sql);

/// The wildcard pattern matched in memory, with the same rules as translateLike.
class JetPattern {
public:
    explicit JetPattern(const QString& pattern);
    bool matches(const QString& text) const;

private:
    QString folded_;
};

/// One condition row of the query builder: field "" when none is ticked.
struct WhereRow {
    QString field;
    QString op = QStringLiteral("Like");
    QString value;
};
/// What the query builder's controls say.
struct SelectSpec {
    QString source;
    WhereRow rows[2];
    bool orJoin = false;
    QStringList order; ///< "Name Asc", "Author Desc", ...
};
/// The tail after kSelectFrom: "[source] Where ... Order by ...;".
QString ComposeSql(const SelectSpec& spec);

/// Toggles "Field Asc" and "Field Desc".
QString toggleDirection(const QString& orderEntry);
/// Removes the first apostrophe (the value boxes hold none).
QString withoutFirstApostrophe(const QString& text);

/// The transposition a grid cell's text gives: its leading number (0 when none),
/// rounded to a whole number of semitones within 16 bits.
int songTransposeOf(const QString& cellText);

/// A library file name chosen in a dialog: true when it ends in ".db" (any
/// case) or has no extension (then ".db" is added to *path).
bool acceptLibraryFileName(QString* path);

} // namespace lirmus
