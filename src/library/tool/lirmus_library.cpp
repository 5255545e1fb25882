// lirmus-library: the song library from the command line, on the same code as
// the browser and the import window, for collections too big to click through.
#include "LibraryImport.h"
#include "LibrarySql.h"
#include "SongDetails.h"
#include "SongLibrary.h"
#include "SongTableModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

namespace {

using namespace lirmus;

QTextStream out(stdout);
QTextStream err(stderr);

int usage()
{
    err << "usage:\n"
           "  lirmus-library new FILE.db\n"
           "  lirmus-library import FILE.db FOLDER [--subfolders] [--author A] [--category C]\n"
           "                 [--titles-from-songs] [--add-copies]\n"
           "  lirmus-library list FILE.db [--find COLUMN TEXT] [--query NAME] [--lyrics \"WORDS\"]\n"
           "list prints one song a line, its fields separated by TAB; inside a field a TAB\n"
           "is written \\t, a line feed \\n, a carriage return \\r and a backslash \\\\.\n";
    err.flush();
    return 2;
}

int failure(const QString& what, const DbError& e)
{
    err << what << "\n" << e.text() << "\n";
    err.flush();
    return 1;
}

// One field of a list line: the separators it holds are written as escapes.
QString listField(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

QStringList installedDirs()
{
    const QString exe = QCoreApplication::applicationDirPath();
    return {exe + "/data", exe + "/../share/lirmus"};
}

int newLibrary(QString file)
{
    if (!acceptLibraryFileName(&file)) {
        err << "Invalid File name ! Must be with 'db' extension or without extension.\n";
        return 1;
    }
    if (QFileInfo::exists(file)) {
        err << file << " already exists: choose another name.\n";
        return 1;
    }
    const QString templ = templatePath(QDir::currentPath() + "/", installedDirs());
    if (templ.isEmpty()) {
        err << "'Database.New' file not found!\n";
        return 1;
    }
    DbError e;
    if (!copyFileReplacing(templ, file, &e)) return failure("Error: " + e.number + " - " + e.description, {});
    out << file << "\n";
    return 0;
}

int import(const QString& file, const QStringList& args)
{
    QString folder, author, category;
    bool subFolders = false, authorGiven = false, categoryGiven = false, titles = false, copies = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--subfolders") subFolders = true;
        else if (args[i] == "--titles-from-songs") titles = true;
        else if (args[i] == "--add-copies") copies = true;
        else if (args[i] == "--author" && i + 1 < args.size()) { author = args[++i]; authorGiven = true; }
        else if (args[i] == "--category" && i + 1 < args.size()) { category = args[++i]; categoryGiven = true; }
        else if (folder.isEmpty() && !args[i].startsWith("--")) folder = args[i];
        else return usage();
    }
    if (folder.isEmpty()) return usage();
    if (subFolders && (authorGiven || categoryGiven)) {
        err << "--author and --category apply without --subfolders: with them each folder names its songs.\n";
        return 2;
    }
    folder = QDir(folder).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        err << folder << " is not a folder.\n";
        return 1;
    }
    SongLibrary lib;
    DbError e;
    if (!lib.open(file, &e) || !lib.hasSongTable(&e)) return failure("Error on DB load:", e);

    ImportList list = subFolders ? listSubFolders(folder) : listCurrentFolder(folder);
    // The window's text boxes start from the folder's names; the options change them.
    const AuthorCategory fromPath = AuthorCategoryFromPath(folder);
    if (!authorGiven) author = fromPath.author;
    if (!categoryGiven) category = fromPath.category;

    SongImporter importer;
    importer.titlesFromSongs = titles;
    importer.addCopies = copies;
    importer.onResult = [&](int i, ImportResult result, const DbError& error) {
        if (result != ImportResult::Failed) return;
        err << importErrorMessage(SongImporter::midiFileOf(list, i, folder, subFolders), error) << "\n";
    };
    ImportCounts counts;
    if (!importer.run(lib, list, folder, subFolders, author.left(30), category.left(20), &counts, &e))
        return failure("Error on DB update:", e);
    out << importReport(list.ticked(), counts, importer.skipped, importer.copies) << "\n";
    return 0;
}

// A library of an older copy has its songs' lyrics read before the first search.
void fillLyrics(SongLibrary& lib)
{
    DetailsFill fill;
    DbError e;
    if (!fill.begin(lib, &e)) {
        err << "The lyrics index cannot be made: " << e.text() << "\n";
        return; // search what there is
    }
    if (fill.total() > 0) err << "Reading the lyrics of " << fill.total() << " songs...\n";
    while (fill.next()) {
        if (fill.done() % 1000 == 0) {
            err << fill.done() << " / " << fill.total() << "\n";
            err.flush();
        }
    }
    if (!fill.end(&e)) err << "The lyrics index is not complete: " << e.text() << "\n";
}

int list(const QString& file, const QStringList& args)
{
    QString findColumn, findText, query, lyrics;
    bool lyricsGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--find" && i + 2 < args.size()) { findColumn = args[++i]; findText = args[++i]; }
        else if (args[i] == "--lyrics" && i + 1 < args.size()) { lyrics = args[++i]; lyricsGiven = true; }
        else if (args[i] == "--query" && i + 1 < args.size()) query = args[++i];
        else return usage();
    }
    SongLibrary lib;
    DbError e;
    if (!lib.open(file, &e)) return failure("Error on DB load:", e);
    const QString source = query.isEmpty() ? kDefaultRecordSource : recordSourceFor(query);
    SongTableModel rows;
    if (!rows.load(&lib, source, &e)) return failure("Error on DB load:", e);
    rows.fetchAll();
    int column = -1;
    if (!findColumn.isEmpty()) {
        column = rows.columnOf(findColumn);
        if (column < 0) {
            err << "No column " << findColumn << ": the columns are " << QStringList{
                rows.fieldName(0), rows.fieldName(1), rows.fieldName(2), rows.fieldName(3), rows.fieldName(4)}.join(", ")
                << ".\n";
            return 1;
        }
    }
    QSet<QString> sung;
    const int fileColumn = rows.columnOf("MidiFile");
    if (lyricsGiven) {
        if (lyricsMatchExpression(lyrics, false).isEmpty()) {
            err << "--lyrics needs words to look for.\n";
            return 2;
        }
        if (fileColumn < 0) {
            err << "These rows have no MidiFile: their lyrics cannot be searched.\n";
            return 1;
        }
        std::vector<QString> found;
        fillLyrics(lib);
        if (!findLyrics(lib, lyrics, false, &found, &e)) return failure("Error on DB load:", e);
        sung = QSet<QString>(found.begin(), found.end());
    }
    const JetPattern pattern(findPattern(doubleApostrophes(findText)));
    int shown = 0;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (column >= 0 && !pattern.matches(rows.index(r, column).data().toString())) continue;
        if (lyricsGiven && !sung.contains(rows.index(r, fileColumn).data().toString())) continue;
        QStringList cells;
        for (int c = 0; c < rows.columnCount(); ++c) cells << listField(rows.index(r, c).data().toString());
        out << cells.join('\t') << "\n";
        ++shown;
    }
    out.flush();
    if (column >= 0 && shown == 0)
        err << "'" << doubleApostrophes(findText) << "' not Found in " << rows.fieldName(column) << " !\n";
    else if (lyricsGiven && shown == 0)
        err << "'" << lyrics << "' not Found in Lyrics !\n";
    err << captionFor(rows.rowCount(), source, file, rows.cut()) << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == "template") { // used by the build: the empty library from its schema
        DbError e;
        if (!createLibraryFromSchema(args[1], args[2], &e)) return failure("Cannot make " + args[2], e);
        return 0;
    }
    if (args.size() < 2) return usage();
    const QString command = args[0], file = args[1];
    int rc = 2;
    if (command == "new" && args.size() == 2) rc = newLibrary(file);
    else if (command == "import") rc = import(file, args.mid(2));
    else if (command == "list") rc = list(file, args.mid(2));
    else rc = usage();
    out.flush();
    err.flush();
    return rc;
}
