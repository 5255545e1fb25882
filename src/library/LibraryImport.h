#pragma once
// The import of song files into "All Songs" as plain code: which folders and
// files a folder (tree) offers, the Name, Author and Category each file gets,
// the run over the ticked files and the closing summary. The import window
// and the command-line tool share all of it.
#include "SongDetails.h"
#include "SongLibrary.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lirmus {

struct ImportFolder {
    QString path;          ///< as the file system spells it
    std::string native;    ///< the bytes of the path
    bool checked = true;
};

struct ImportFile {
    QString text;          ///< the list's text: the file name, or folder + "/" + name with sub-folders
    QString fileName;
    int folder = 0;        ///< index into the folders
    bool checked = true;
    bool storable = true;  ///< false when the path is not valid UTF-8: it could not be found again
};

struct ImportList {
    std::vector<ImportFolder> folders;
    std::vector<ImportFile> files;
    int ticked() const;
};

/// Asked between the entries of a scan: false stops it, and the list holds what was found so far.
using ImportTick = std::function<bool()>;

/// The import folder alone with its song files.
ImportList listCurrentFolder(const QString& folder, const ImportTick& tick = {});
/// The import folder and every folder below it that holds song files, parents before children,
/// names in order without regard to case. Symbolic links are followed but never into a loop;
/// folders that cannot be read are skipped.
ImportList listSubFolders(const QString& folder, const ImportTick& tick = {});

struct AuthorCategory {
    QString author, category;
};
/// Author from the last folder name (title case when there is a parent), Category from its parent.
AuthorCategory AuthorCategoryFromPath(QString folder);
/// Title case: the first letter of every blank-separated word upper-case, the rest lower-case.
QString titleCase(const QString& text);
/// The Name of a file: up to its first ".", at most 50 characters.
QString songNameOf(const QString& fileName);

/// The import's summary message.
QString importSummary(int stillTicked, int alreadyPresent, int failed);

/// Added; already in the library (same file); failed; not a song (skipped); the
/// same bytes as a song already in the library under another file (a copy).
enum class ImportResult { Added, Duplicate, Failed, Skipped, Copy };

struct ImportCounts {
    int added = 0, already = 0, failed = 0, skipped = 0, copies = 0;
};

/// A file the import left out, with why: the reason it is no song, or the song it copies.
struct ImportNote {
    QString path, why;
};

/// The whole report: the summary, with the files skipped as no songs and the
/// copies left out listed (the first few of each) with their reasons.
QString importReport(int stillTicked, const ImportCounts& counts, const std::vector<ImportNote>& skipped,
                     const std::vector<ImportNote>& copies);

/// Name and Author of a song: from its title lines when asked and it has them,
/// else from the file name and the folder's author. Category is always the folder's.
SongRecord songRecordFor(const QString& fileName, const QString& midiFile, const AuthorCategory& folder,
                         const SongContent& content, bool titlesFromSongs);

/// One pass over the ticked files of a list into an open library. Records are
/// written in transactions of a few hundred, so a crash leaves whole records only.
/// Either run() at once, or begin(), next() until it says no more, then end():
/// a window calls next() a few files per turn of its event loop and may stop early.
class SongImporter {
public:
    /// Told of each file's result (the window unticks duplicates and failures).
    std::function<void(int file, ImportResult result, const DbError& error)> onResult;
    /// Songs per transaction.
    int batch = 500;
    /// Name and Author from the songs' title lines.
    bool titlesFromSongs = false;
    /// Adds a song even when the library has its very bytes under another file.
    bool addCopies = false;
    /// The files skipped as no songs and the copies left out, with why.
    std::vector<ImportNote> skipped, copies;

    /// Imports every ticked file. Without sub-folders author and category are the given
    /// ones; with them each folder's own. False on an error that stops the import (full
    /// disk, read-only or locked file): *fatal then holds it, and songs not yet committed
    /// are counted as not added and stay ticked.
    bool run(SongLibrary& lib, ImportList& list, const QString& importFolder, bool subFolders,
             const QString& author, const QString& category, ImportCounts* counts, DbError* fatal);

    /// Opens the first transaction; false on a fatal error. lib and list must outlive the pass.
    bool begin(SongLibrary& lib, ImportList& list, const QString& importFolder, bool subFolders,
               const QString& author, const QString& category);
    /// Imports the next ticked file; false when none is left or a fatal error stopped the pass.
    bool next();
    /// Commits what was imported, also when stopped early; false when the pass failed.
    bool end();
    const ImportCounts& counts() const { return counts_; }
    /// The error that stopped the pass.
    const DbError& fatal() const { return fatal_; }
    /// Files of the list passed so far (ticked or not).
    int position() const { return int(next_); }

    /// The Midifile written for a file of the list.
    static QString midiFileOf(const ImportList& list, int file, const QString& importFolder, bool subFolders);

private:
    bool stop(const DbError& e);

    SongLibrary* lib_ = nullptr;
    ImportList* list_ = nullptr;
    QString importFolder_;
    bool subFolders_ = false;
    AuthorCategory ac_;
    int lastFolder_ = -1;
    size_t next_ = 0;
    int pending_ = 0;
    bool failed_ = false;
    bool open_ = false;
    ImportCounts counts_;
    DbError fatal_;
    bool details_ = false;
    std::unique_ptr<DetailsWriter> writer_;
    QHash<QByteArray, QString> fingerprints_;
};

/// The per-file error message: Error on "path" CR CR number "  " description.
QString importErrorMessage(const QString& path, const DbError& e);

} // namespace lirmus
