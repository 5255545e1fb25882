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

/// "[name]", or a double-quoted identifier when the name holds a "]".
QString bracketName(const QString& name);
/// name as an SQL identifier in double quotes, whatever characters it holds.
QString quoteIdentifier(const QString& name);

/// The record source for a table or stored query chosen in the list.
QString recordSourceFor(const QString& objectName);
/// The list entry's object name: everything from its fourth character on.
QString objectNameOfEntry(const QString& entry);

/// "<n> Records from: <from the first [ of the record source> in <database>".
QString captionFor(long long records, const QString& recordSource, const QString& databaseName);

/// Doubles every apostrophe that is not already doubled.
QString doubleApostrophes(const QString& text);
/// The search criterion on one column: col Like '*text*'.
QString findCriterion(const QString& column, const QString& findText);
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

/// A user's wildcard pattern (* any text, ? one character, # one digit, every
/// other character literal) as an SQL condition on expr, case-insensitive:
/// "expr LIKE '...' ESCAPE '\'", or "expr GLOB '...'" when it needs a digit or
/// letters beyond ASCII.
QString likeCondition(const QString& expr, const QString& pattern);
/// The SQL text with each "LIKE 'pattern'" of the user's wildcards turned
/// into the engine's own (see likeCondition); everything else unchanged.
QString translateLike(const QString& sql);
/// The SQL the grid runs for a record source: a bare table name becomes
/// SELECT * FROM it; SQL gets its wildcards translated.
QString recordSourceQuery(const QString& recordSource);

/// True when sql is one SELECT statement and nothing else (a trailing ";" and comments allowed).
bool isSingleSelect(const QString& sql);

/// The wildcard pattern matched in memory, with the same rules as likeCondition.
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
