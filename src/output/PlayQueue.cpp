#include "PlayQueue.h"

#include "SettingsService.h"
#include "Transport.h"

#include <QFile>
#include <QFileInfo>

namespace lirmus {
namespace {

const std::string kSection = "QUEUE";

std::string songKey(int n) { return "Song" + std::to_string(n); }

} // namespace

void PlayQueue::add(const QStringList& files)
{
    if (files.isEmpty()) return;
    songs_ += files;
    changed();
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
    const int count = store_->getInt(kSection, "Count", 0);
    for (int n = 1; n <= count; ++n) {
        const std::string file = store_->getString(kSection, songKey(n), "");
        if (!file.empty()) songs_ << QString::fromStdString(file);
    }
    if (changed_) changed_();
}

void PlayQueue::changed()
{
    if (store_) {
        // Keys past Count are left behind harmlessly: Count says where the queue ends.
        for (int n = 1; n <= songs_.size(); ++n)
            store_->setString(kSection, songKey(n), songs_[n - 1].toStdString());
        store_->setInt(kSection, "Count", songs_.size());
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
