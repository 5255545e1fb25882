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

// n of a key "Song<n>" (any case), 0 for any other key.
int songNumber(const std::string& key)
{
    if (key.size() < 5 || key.size() > 9 || QString::fromStdString(key.substr(0, 4)).compare("Song", Qt::CaseInsensitive) != 0)
        return 0;
    int n = 0;
    for (size_t i = 4; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n;
}

} // namespace

int PlayQueue::add(const QStringList& files)
{
    const qsizetype room = std::max<qsizetype>(0, kMaxSongs - songs_.size());
    const QStringList taken = files.mid(0, room);
    if (!taken.isEmpty()) {
        songs_ += taken;
        changed();
    }
    if (taken.size() < files.size() && refused_) refused_(files.mid(taken.size()));
    return int(taken.size());
}

QString PlayQueue::takeFirst()
{
    if (songs_.isEmpty()) return QString();
    QString first = songs_.takeFirst();
    changed();
    return first;
}

bool PlayQueue::moveUp(int row)
{
    if (row < 1 || row >= songs_.size()) return false;
    songs_.swapItemsAt(row - 1, row);
    changed();
    return true;
}

bool PlayQueue::moveDown(int row) { return moveUp(row + 1); }

bool PlayQueue::remove(int row)
{
    if (row < 0 || row >= songs_.size()) return false;
    songs_.removeAt(row);
    changed();
    return true;
}

void PlayQueue::attachStore(SettingsService* store)
{
    store_ = store;
    if (!store_) return;
    songs_.clear();
    // One pass over the keys that are there: Count may say anything.
    const int count = std::min(store_->getInt(kSection, "Count", 0), kMaxSongs);
    QStringList stored(std::max(count, 0));
    std::vector<bool> seen(stored.size());
    for (const auto& [key, value] : store_->entries(kSection)) {
        const int n = songNumber(key);
        // The first of two equal keys is the one a lookup finds.
        if (n < 1 || n > count || seen[n - 1]) continue;
        seen[n - 1] = true;
        stored[n - 1] = QString::fromStdString(value);
    }
    for (const QString& file : stored)
        if (!file.isEmpty()) songs_ << file;
    if (changed_) changed_();
}

void PlayQueue::changed()
{
    if (store_) {
        // Keys past Count are left behind harmlessly: Count says where the queue ends.
        // One pass for the whole list: a full queue moves on without a pause.
        std::vector<std::pair<std::string, std::string>> keys;
        for (int n = 1; n <= songs_.size(); ++n) keys.emplace_back(songKey(n), songs_[n - 1].toStdString());
        keys.emplace_back("Count", std::to_string(songs_.size()));
        store_->setStrings(kSection, keys);
    }
    if (changed_) changed_();
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
    if (queue_.isEmpty() || !play_) return;
    if (defer_) defer_([this] { startNext(); });
    else startNext();
}

bool QueueChain::startNext()
{
    if (!play_) return false;
    QStringList skipped;
    QString next;
    while (!queue_.isEmpty() && next.isEmpty()) {
        QString file = queue_.takeFirst();
        if (songReadable(file)) next = file;
        else skipped << file;
    }
    // The next singer is not kept waiting behind the message.
    if (!next.isEmpty()) play_(next);
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
