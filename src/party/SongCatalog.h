#pragma once
// The guests' view of the open song library: read through connections of its
// own (one per worker thread, read-only), held in memory with a word index so
// that a search costs microseconds, and read again when the library changes.
// Safe to use from several threads at once.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

namespace lirmus {

/// A song as guests see it: its library id and its texts (never its path).
struct CatalogSong {
    qint64 id = 0;
    QString name, author, category;
    QString file; ///< MidiFile, for the play queue only
};

class SongCatalog {
public:
    /// Most songs one search answers with.
    static constexpr int kMaxResults = 100;

    /// The library file to read ("" = none open: searches find nothing).
    void setLibrary(const QString& path);
    QString library() const;

    /// Songs whose name, author or category has words beginning with every word of text
    /// (letter case ignored), by name; all songs by name for an empty text. At most kMaxResults.
    /// False with *error when the library cannot be read.
    bool search(const QString& text, std::vector<CatalogSong>* out, QString* error);
    /// The song with this id in the library as held now, without reading it (from the window
    /// thread); nullopt with *error saying so when it has not been read yet.
    std::optional<CatalogSong> held(qint64 id, QString* error) const;
    SongCatalog() { loader_.setMaxThreadCount(1); }
    ~SongCatalog() { loader_.waitForDone(); }
    /// Reads the library again when it changed.
    void refresh();
    /// The songs with these files (missing ones are left out), by file.
    QHash<QString, CatalogSong> byFiles(const QStringList& files, QString* error);
    /// Songs held in memory now.
    int size() const;

private:
    struct Index;
    /// Makes sure the index follows the library as this thread's connection sees it.
    std::shared_ptr<const Index> current(QString* error);
    std::shared_ptr<const Index> load(const QString& path, QString* error) const;

    mutable std::mutex mutex_;
    QString path_;
    std::shared_ptr<const Index> index_;
    struct Stamp {
        std::int64_t size = -1, time = 0, walSize = -1, walTime = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);
    Stamp stamp_;                                // the file as index_ was read from it
    std::chrono::steady_clock::time_point checked_; // when the file was last looked at
    bool loading_ = false;                       // a thread is reading the library again
    QThreadPool loader_;                         // last: it ends before what it reads into goes
};

/// The words of a text as the index keeps them: letters and digits, case folded.
std::vector<std::string> catalogWords(const QString& text);

} // namespace lirmus
