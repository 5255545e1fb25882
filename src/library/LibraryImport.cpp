#include "LibraryImport.h"

#include "FileView.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace lirmus {

namespace fs = std::filesystem;

namespace {

QString decodeName(const std::string& bytes, bool* valid)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    *valid = !utf8.hasError();
    return name;
}

struct Entry {
    QString name;
    std::string native;
    bool valid;
};

bool byName(const Entry& a, const Entry& b)
{
    const int c = a.name.compare(b.name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.native < b.native;
}

// The song files and the sub-folders of one folder; an unreadable folder has neither.
void readFolder(const std::string& folder, std::vector<Entry>* songs, std::vector<Entry>* folders,
                const ImportTick& tick)
{
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().native();
        bool valid = true;
        Entry e{decodeName(name, &valid), name, valid};
        std::error_code kindError;
        if (it->is_directory(kindError)) {
            if (folders) folders->push_back(std::move(e));
        } else if (it->is_regular_file(kindError) && isSongFile(e.name)) {
            songs->push_back(std::move(e));
        }
        if (tick && !tick()) break;
    }
    std::sort(songs->begin(), songs->end(), byName);
    if (folders) std::sort(folders->begin(), folders->end(), byName);
}

std::string joinNative(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

QString withoutTrailingSlash(QString folder)
{
    if (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return folder;
}

void addFolder(ImportList& list, const QString& path, const std::string& native, bool folderValid,
               const std::vector<Entry>& songs, bool fullPaths)
{
    const int index = int(list.folders.size());
    list.folders.push_back({path, native, true});
    for (const Entry& s : songs)
        list.files.push_back({fullPaths ? joinPath(path, s.name) : s.name, s.name, index, true, folderValid && s.valid});
}

// Depth first, parents before children. Each real folder is visited once, so a
// link back up the tree ends the walk there.
void scanFolder(ImportList& list, const QString& path, const std::string& native, bool valid,
                std::set<std::pair<dev_t, ino_t>>& seen, const ImportTick& tick)
{
    struct stat st {};
    if (tick && !tick()) return;
    if (::stat(native.c_str(), &st) != 0 || !seen.insert({st.st_dev, st.st_ino}).second) return;
    std::vector<Entry> songs, folders;
    readFolder(native, &songs, &folders, tick);
    if (!songs.empty()) addFolder(list, path, native, valid, songs, true);
    for (const Entry& f : folders)
        scanFolder(list, joinPath(path, f.name), joinNative(native, f.native), valid && f.valid, seen, tick);
}

} // namespace

int ImportList::ticked() const
{
    return int(std::count_if(files.begin(), files.end(), [](const ImportFile& f) { return f.checked; }));
}

ImportList listCurrentFolder(const QString& folder, const ImportTick& tick)
{
    ImportList list;
    const QString path = withoutTrailingSlash(folder);
    const std::string native = QFile::encodeName(path).toStdString();
    std::vector<Entry> songs;
    readFolder(native, &songs, nullptr, tick);
    addFolder(list, path, native, true, songs, false);
    return list;
}

ImportList listSubFolders(const QString& folder, const ImportTick& tick)
{
    ImportList list;
    const QString path = withoutTrailingSlash(folder);
    std::set<std::pair<dev_t, ino_t>> seen;
    scanFolder(list, path, QFile::encodeName(path).toStdString(), true, seen, tick);
    return list;
}

QString titleCase(const QString& text)
{
    QString out = text;
    bool start = true;
    for (QChar& c : out) {
        if (c == ' ') {
            start = true;
        } else if (start) {
            c = c.toUpper();
            start = false;
        } else {
            c = c.toLower();
        }
    }
    return out;
}

AuthorCategory AuthorCategoryFromPath(QString folder)
{
    AuthorCategory ac;
    if (folder.endsWith('/')) folder.chop(1);
    qsizetype slash = folder.lastIndexOf('/');
    if (slash < 0) return ac;
    ac.author = folder.mid(slash + 1).left(30);
    folder = folder.left(slash);
    slash = folder.lastIndexOf('/');
    if (slash < 0) return ac;
    ac.category = folder.mid(slash + 1).left(20);
    ac.author = titleCase(ac.author);
    return ac;
}

QString songNameOf(const QString& fileName)
{
    const qsizetype dot = fileName.indexOf('.');
    return (dot < 0 ? fileName : fileName.left(dot)).left(50);
}

QString importSummary(int stillTicked, int alreadyPresent, int failed)
{
    QString message = QString::number(stillTicked) + " songs added to DB.";
    if (alreadyPresent > 0) message += "\n" + QString::number(alreadyPresent) + " songs not added because already in DB!";
    if (failed > 0) message += "\n" + QString::number(failed) + " songs not added for Errors!";
    return message;
}

namespace {

void listNotes(QString& message, const QString& heading, const std::vector<ImportNote>& notes)
{
    constexpr size_t kListed = 20;
    if (notes.empty()) return;
    message += "\n\n" + heading;
    for (size_t i = 0; i < notes.size() && i < kListed; ++i) message += "\n" + notes[i].path + ": " + notes[i].why;
    if (notes.size() > kListed) message += "\n... and " + QString::number(notes.size() - kListed) + " more.";
}

} // namespace

QString importReport(int stillTicked, const ImportCounts& counts, const std::vector<ImportNote>& skipped,
                     const std::vector<ImportNote>& copies)
{
    QString message = importSummary(stillTicked, counts.already, counts.failed);
    if (counts.skipped > 0) {
        const qsizetype end = message.indexOf('\n');
        message.insert(end < 0 ? message.size() : end,
                       " " + QString::number(counts.skipped) + " files skipped: not songs.");
    }
    if (counts.copies > 0)
        message += "\n" + QString::number(counts.copies) + " songs not added because already in DB under another name!";
    listNotes(message, "Not songs:", skipped);
    listNotes(message, "Already in DB as:", copies);
    return message;
}

SongRecord songRecordFor(const QString& fileName, const QString& midiFile, const AuthorCategory& folder,
                         const SongContent& content, bool titlesFromSongs)
{
    SongRecord song{songNameOf(fileName), folder.author.left(30), folder.category.left(20), 0, midiFile};
    TitleNames titles;
    if (titlesFromSongs && namesFromTitles(content.titleLines, &titles)) {
        song.name = titles.name.left(50);
        // A song that names no artist keeps the folder's.
        if (!titles.author.isEmpty()) song.author = titles.author.left(30);
    }
    return song;
}

QString importErrorMessage(const QString& path, const DbError& e)
{
    return "Error on \"" + path + "\"\n\n" + e.number + "  " + e.description;
}

QString SongImporter::midiFileOf(const ImportList& list, int file, const QString& importFolder, bool subFolders)
{
    const QString& text = list.files[size_t(file)].text;
    return subFolders ? text : joinPath(withoutTrailingSlash(importFolder), text);
}

bool SongImporter::run(SongLibrary& lib, ImportList& list, const QString& importFolder, bool subFolders,
                       const QString& author, const QString& category, ImportCounts* counts, DbError* fatal)
{
    if (begin(lib, list, importFolder, subFolders, author, category))
        while (next()) {
        }
    const bool ok = end();
    *counts = counts_;
    if (!ok) *fatal = fatal_;
    return ok;
}

bool SongImporter::begin(SongLibrary& lib, ImportList& list, const QString& importFolder, bool subFolders,
                         const QString& author, const QString& category)
{
    lib_ = &lib;
    list_ = &list;
    importFolder_ = importFolder;
    subFolders_ = subFolders;
    ac_ = {author, category};
    lastFolder_ = -1;
    next_ = 0;
    pending_ = 0;
    failed_ = false;
    counts_ = {};
    fatal_ = {};
    skipped.clear();
    copies.clear();
    fingerprints_.clear();
    DbError e;
    // Into a file without the song table every song would fail alike: say it once.
    if (!lib.hasSongTable(&e)) return stop(e);
    writer_ = std::make_unique<DetailsWriter>(lib);
    details_ = upgradeSongDetails(lib, &e) && writer_->fingerprints(&fingerprints_, &e);
    open_ = lib.begin(&e);
    return open_ || stop(e);
}

// Songs not yet committed when the library stops taking writes are lost with
// the transaction: they count as not added and stay ticked for another try.
bool SongImporter::stop(const DbError& e)
{
    DbError ignored;
    if (pending_ > 0 && !lib_->commit(&ignored)) {
        lib_->rollback();
        counts_.added -= pending_;
    } else if (pending_ == 0) {
        lib_->rollback();
    }
    open_ = false;
    pending_ = 0;
    failed_ = true;
    fatal_ = e;
    return false;
}

bool SongImporter::next()
{
    if (failed_ || !open_) return false;
    ImportList& list = *list_;
    while (next_ < list.files.size() && !list.files[next_].checked) ++next_;
    if (next_ >= list.files.size()) return false;
    const int i = int(next_++);
    ImportFile& f = list.files[size_t(i)];
    if (subFolders_ && f.folder != lastFolder_) {
        lastFolder_ = f.folder;
        ac_ = AuthorCategoryFromPath(list.folders[size_t(f.folder)].path);
    }
    const QString midiFile = midiFileOf(list, i, importFolder_, subFolders_);
    ImportResult result = ImportResult::Added;
    DbError e;
    SongContent content;
    if (!f.storable) {
        e = {"3020", "The file name is not valid UTF-8: the library could not find the file again."};
        result = ImportResult::Failed;
    } else if (content = readSongContent(midiFile); !content.song()) {
        e = {"0", content.reason};
        result = ImportResult::Skipped;
        skipped.push_back({midiFile, content.reason});
    } else if (const auto known = fingerprints_.constFind(content.hash);
               known != fingerprints_.cend() && *known != midiFile && !addCopies) {
        e = {"0", *known};
        result = ImportResult::Copy;
        copies.push_back({midiFile, *known});
    } else if (!lib_->insertSong(songRecordFor(f.fileName, midiFile, ac_, content, titlesFromSongs), &e)) {
        if (e.fatal()) return stop(e);
        result = e.duplicate() ? ImportResult::Duplicate : ImportResult::Failed;
    } else if (details_) {
        // The song is in; its lyrics and fingerprint are a bonus a failure does not undo.
        DbError detailsError;
        if (!writer_->store(midiFile, content, &detailsError) && detailsError.fatal()) {
            // The song's record is in the transaction: it counts as added if that commits.
            ++counts_.added;
            ++pending_;
            return stop(detailsError);
        }
        fingerprints_.insert(content.hash, midiFile);
    }
    switch (result) {
    case ImportResult::Added:
        ++counts_.added;
        ++pending_;
        break;
    case ImportResult::Duplicate: ++counts_.already; break;
    case ImportResult::Failed: ++counts_.failed; break;
    case ImportResult::Skipped: ++counts_.skipped; break;
    case ImportResult::Copy: ++counts_.copies; break;
    }
    if (result != ImportResult::Added) f.checked = false;
    if (onResult) onResult(i, result, e);
    if (pending_ >= batch) {
        if (!lib_->commit(&e)) return stop(e);
        pending_ = 0;
        if (!lib_->begin(&e)) return stop(e);
    }
    return true;
}

bool SongImporter::end()
{
    if (failed_) return false;
    if (!open_) return true;
    DbError e;
    if (!lib_->commit(&e)) return stop(e);
    open_ = false;
    return true;
}

} // namespace lirmus
