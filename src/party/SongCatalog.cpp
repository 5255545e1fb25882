#include "SongCatalog.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace lirmus {
namespace {

// How often a search looks at the file: the index lags the library by at most this.
constexpr auto kCheckEvery = std::chrono::milliseconds(500);

} // namespace

// What tells that the library changed: the sizes and times of the file and its write-ahead log.
SongCatalog::Stamp SongCatalog::stampOf(const QString& path)
{
    namespace fs = std::filesystem;
    Stamp s;
    std::error_code ec;
    const fs::path p = path.toStdString();
    s.size = std::int64_t(fs::file_size(p, ec));
    if (ec) s.size = -1;
    s.time = fs::last_write_time(p, ec).time_since_epoch().count();
    const fs::path wal = p.string() + "-wal";
    s.walSize = std::int64_t(fs::file_size(wal, ec));
    if (ec) s.walSize = -1;
    s.walTime = fs::last_write_time(wal, ec).time_since_epoch().count();
    return s;
}

struct SongCatalog::Index {
    std::vector<CatalogSong> songs;                 // by name
    std::vector<std::pair<std::string, int>> words; // (word, song) sorted by word
    QHash<qint64, int> ids;
    QHash<QString, int> files;
};

std::vector<std::string> catalogWords(const QString& text)
{
    // Accents are dropped as well: "beyonce" finds a name written with them.
    const QString folded = text.normalized(QString::NormalizationForm_KD).toCaseFolded();
    std::vector<std::string> words;
    QString word;
    auto flush = [&] {
        if (!word.isEmpty()) words.push_back(word.toStdString());
        word.clear();
    };
    for (const QChar c : folded) {
        if (c.isLetterOrNumber()) word += c;
        else if (!c.isMark()) flush();
    }
    flush();
    return words;
}

void SongCatalog::setLibrary(const QString& path)
{
    std::lock_guard lock(mutex_);
    if (path == path_) return;
    path_ = path;
    index_.reset();
}

QString SongCatalog::library() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

int SongCatalog::size() const
{
    std::lock_guard lock(mutex_);
    return index_ ? int(index_->songs.size()) : 0;
}

std::shared_ptr<const SongCatalog::Index> SongCatalog::load(const QString& path, QString* error) const
{
    auto index = std::make_shared<Index>();
    const QString name = "lirmus-party-" + QUuid::createUuid().toString(QUuid::Id128);
    {
        // A connection of its own, read-only, made and dropped in the thread that reads.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000");
        bool ok = db.open();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        ok = ok && q.exec(R"(SELECT rowid, Name, Author, Category, MidiFile FROM "All Songs")");
        if (!ok) {
            if (error) *error = (db.isOpen() ? q.lastError() : db.lastError()).text();
            index.reset();
        } else {
            while (q.next())
                index->songs.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
                                        q.value(3).toString(), q.value(4).toString()});
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!index) return nullptr;

    std::vector<std::pair<QString, int>> keys(index->songs.size());
    for (int i = 0; i < int(index->songs.size()); ++i)
        keys[i] = {index->songs[i].name.toCaseFolded(), i};
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CatalogSong> sorted;
    sorted.reserve(keys.size());
    for (const auto& k : keys) sorted.push_back(std::move(index->songs[k.second]));
    index->songs = std::move(sorted);
    for (int i = 0; i < int(index->songs.size()); ++i) {
        const CatalogSong& s = index->songs[i];
        index->ids.insert(s.id, i);
        index->files.insert(s.file, i);
        for (const QString* field : {&s.name, &s.author, &s.category})
            for (std::string& w : catalogWords(*field)) index->words.emplace_back(std::move(w), i);
    }
    std::sort(index->words.begin(), index->words.end());
    index->words.erase(std::unique(index->words.begin(), index->words.end()), index->words.end());
    return index;
}

std::shared_ptr<const SongCatalog::Index> SongCatalog::current(QString* error)
{
    std::unique_lock lock(mutex_);
    if (path_.isEmpty()) {
        if (error) *error = QStringLiteral("No song library is open.");
        return nullptr;
    }
    const auto now = std::chrono::steady_clock::now();
    if (index_ && (loading_ || now - checked_ < kCheckEvery)) return index_;
    checked_ = now;
    const Stamp stamp = stampOf(path_);
    if (index_ && stamp == stamp_) return index_;
    loading_ = true;
    const QString path = path_;
    if (index_) {
        // Read again beside the searches, which keep the index they have meanwhile.
        loader_.start([this, path, stamp] {
            QString why;
            std::shared_ptr<const Index> loaded = load(path, &why);
            std::lock_guard relock(mutex_);
            loading_ = false;
            if (loaded && path == path_) {
                index_ = loaded;
                stamp_ = stamp;
            }
        });
        return index_;
    }
    // Nothing to search yet: read it now.
    lock.unlock();
    QString why;
    std::shared_ptr<const Index> loaded = load(path, &why);
    lock.lock();
    loading_ = false;
    if (!loaded) {
        if (error) *error = why;
        return nullptr;
    }
    if (path == path_) {
        index_ = loaded;
        stamp_ = stamp;
    }
    return loaded;
}

bool SongCatalog::search(const QString& text, std::vector<CatalogSong>* out, QString* error)
{
    out->clear();
    const std::shared_ptr<const Index> index = current(error);
    if (!index) return false;
    std::vector<std::string> words = catalogWords(text);
    if (words.size() > 8) words.resize(8); // more narrows little and costs a pass each
    const auto& songs = index->songs;
    if (words.empty()) {
        for (int i = 0; i < int(songs.size()) && int(out->size()) < kMaxResults; ++i) out->push_back(songs[i]);
        return true;
    }
    std::vector<std::uint8_t> hits(songs.size());
    const std::uint8_t all = std::uint8_t((1u << words.size()) - 1);
    for (size_t j = 0; j < words.size(); ++j) {
        const std::string& prefix = words[j];
        auto it = std::lower_bound(index->words.begin(), index->words.end(), std::make_pair(prefix, -1));
        for (; it != index->words.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
            hits[it->second] |= std::uint8_t(1u << j);
    }
    for (int i = 0; i < int(songs.size()) && int(out->size()) < kMaxResults; ++i)
        if (hits[i] == all) out->push_back(songs[i]);
    return true;
}

std::optional<CatalogSong> SongCatalog::held(qint64 id, QString* error) const
{
    std::shared_ptr<const Index> index;
    {
        std::lock_guard lock(mutex_);
        index = index_;
        if (path_.isEmpty()) {
            if (error) *error = QStringLiteral("No song library is open.");
            return std::nullopt;
        }
    }
    if (!index) {
        if (error) *error = QStringLiteral("The song library is being read: try again in a moment.");
        return std::nullopt;
    }
    const auto it = index->ids.find(id);
    if (it == index->ids.end()) return std::nullopt;
    return index->songs[*it];
}

void SongCatalog::refresh() { current(nullptr); }

QHash<QString, CatalogSong> SongCatalog::byFiles(const QStringList& files, QString* error)
{
    QHash<QString, CatalogSong> found;
    const std::shared_ptr<const Index> index = current(error);
    if (!index) return found;
    for (const QString& f : files)
        if (const auto it = index->files.find(f); it != index->files.end()) found.insert(f, index->songs[*it]);
    return found;
}

} // namespace lirmus
