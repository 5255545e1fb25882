#include "PlayQueue.h"

#include "SettingsService.h"
#include "Transport.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace lirmus {
namespace {

const std::string kSection = "QUEUE";

std::string songKey(int n) { return "Song" + std::to_string(n); }
std::string singerKey(int n) { return "Singer" + std::to_string(n); }

// n of a key "<name><n>" (any case), 0 for any other key.
int keyNumber(const std::string& key, const std::string& name)
{
    const size_t len = name.size();
    if (key.size() <= len || key.size() > len + 5 ||
        QString::fromStdString(key.substr(0, len)).compare(QString::fromStdString(name), Qt::CaseInsensitive) != 0)
        return 0;
    int n = 0;
    for (size_t i = len; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n;
}

} // namespace

int PlayQueue::add(const QStringList& files, const QString& singer)
{
    const qsizetype room = std::max<qsizetype>(0, kMaxSongs - songs_.size());
    const QStringList taken = files.mid(0, room);
    if (!taken.isEmpty()) {
        songs_ += taken;
        for (qsizetype i = 0; i < taken.size(); ++i) singers_ << singer.simplified(), ids_ << nextId_++;
        changed();
    }
    if (taken.size() < files.size() && refused_) refused_(files.mid(taken.size()));
    return int(taken.size());
}

QString PlayQueue::takeFirst(QString* singer)
{
    if (songs_.isEmpty()) return QString();
    QString first = songs_.takeFirst();
    const QString who = singers_.takeFirst();
    ids_.removeFirst();
    if (singer) *singer = who;
    changed();
    return first;
}

bool PlayQueue::moveUp(int row)
{
    if (row < 1 || row >= songs_.size()) return false;
    songs_.swapItemsAt(row - 1, row);
    singers_.swapItemsAt(row - 1, row);
    ids_.swapItemsAt(row - 1, row);
    changed();
    return true;
}

quint64 PlayQueue::insert(int row, const QString& file, const QString& singer)
{
    if (songs_.size() >= kMaxSongs) {
        if (refused_) refused_({file});
        return 0;
    }
    row = std::clamp(row, 0, int(songs_.size()));
    const quint64 id = nextId_++;
    songs_.insert(row, file);
    singers_.insert(row, singer.simplified());
    ids_.insert(row, id);
    changed();
    return id;
}

bool PlayQueue::move(int from, int to)
{
    if (from < 0 || from >= songs_.size() || to < 0 || to >= songs_.size()) return false;
    if (from == to) return true;
    songs_.move(from, to);
    singers_.move(from, to);
    ids_.move(from, to);
    changed();
    return true;
}

bool PlayQueue::moveDown(int row) { return moveUp(row + 1); }

bool PlayQueue::remove(int row)
{
    if (row < 0 || row >= songs_.size()) return false;
    songs_.removeAt(row);
    singers_.removeAt(row);
    ids_.removeAt(row);
    changed();
    return true;
}

void PlayQueue::attachStore(SettingsService* store)
{
    store_ = store;
    if (!store_) return;
    songs_.clear();
    singers_.clear();
    ids_.clear();
    // One pass over the keys that are there: Count may say anything.
    const int count = std::min(store_->getInt(kSection, "Count", 0), kMaxSongs);
    QStringList stored(std::max(count, 0)), who(std::max(count, 0));
    std::vector<bool> seen(stored.size()), seenSinger(stored.size());
    for (const auto& [key, value] : store_->entries(kSection)) {
        // The first of two equal keys is the one a lookup finds.
        if (const int n = keyNumber(key, "Song"); n >= 1 && n <= count && !seen[n - 1]) {
            seen[n - 1] = true;
            stored[n - 1] = QString::fromStdString(value);
        } else if (const int m = keyNumber(key, "Singer"); m >= 1 && m <= count && !seenSinger[m - 1]) {
            seenSinger[m - 1] = true;
            who[m - 1] = QString::fromStdString(value).simplified();
        }
    }
    for (int i = 0; i < count; ++i)
        if (!stored[i].isEmpty()) songs_ << stored[i], singers_ << who[i], ids_ << nextId_++;
    if (changed_) changed_();
    if (watcher_) watcher_();
}

void PlayQueue::changed()
{
    if (store_) {
        // One pass for the whole list: a full queue moves on without a pause.
        std::vector<std::pair<std::string, std::string>> keys;
        for (int n = 1; n <= songs_.size(); ++n) keys.emplace_back(songKey(n), songs_[n - 1].toStdString());
        keys.emplace_back("Count", std::to_string(songs_.size()));
        // Singer keys only once somebody was named.
        const bool named = std::any_of(singers_.begin(), singers_.end(), [](const QString& w) { return !w.isEmpty(); });
        const int singers = named ? int(songs_.size()) : 0;
        for (int n = 1; n <= singers; ++n) keys.emplace_back(singerKey(n), singers_[n - 1].toStdString());
        store_->setStrings(kSection, keys);
        // Keys of songs that left go with them: a name left behind would go to the song
        // that takes its place, and a hand-edited Count would bring old songs back.
        const int songs = int(songs_.size());
        store_->removeKeys(kSection, [songs, singers](const std::string& key) {
            const int song = keyNumber(key, "Song"), singer = keyNumber(key, "Singer");
            return song > songs || singer > singers;
        });
    }
    if (changed_) changed_();
    if (watcher_) watcher_();
}

void QueueChain::setStarter(Play play, Defer defer, Skipped skipped)
{
    play_ = std::move(play);
    defer_ = std::move(defer);
    skipped_ = std::move(skipped);
}

void QueueChain::Stop_Play()
{
    transport_.Stop_Play();
    ended_ = true;
    if (queue_.isEmpty() || !play_) return;
    if (defer_) defer_([this] { startNext(); });
    else startNext();
}

bool QueueChain::startNext()
{
    if (!play_) return false;
    QStringList skipped;
    QString next, singer;
    while (!queue_.isEmpty() && next.isEmpty()) {
        QString file = queue_.takeFirst(&singer);
        if (songReadable(file)) next = file;
        else skipped << file;
    }
    // The next singer is not kept waiting behind the message.
    if (!next.isEmpty()) play_(next, singer);
    if (!skipped.isEmpty() && skipped_) skipped_(skipped);
    return !next.isEmpty();
}

bool songReadable(const QString& file)
{
    if (!QFileInfo(file).isFile()) return false;
    QFile f(file);
    return f.open(QIODevice::ReadOnly);
}

} // namespace lirmus
