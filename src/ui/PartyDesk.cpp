#include "PartyDesk.h"

#include "Player.h"

namespace lirmus {

PartyDesk::~PartyDesk() { player_.playQueue().setWatcher(nullptr); }

QList<QueuedSong> PartyDesk::queued() const
{
    const PlayQueue& q = player_.playQueue();
    QList<QueuedSong> out;
    out.reserve(q.size());
    for (int row = 0; row < q.size(); ++row) out.append({q.idAt(row), q.songs()[row], q.singerAt(row)});
    return out;
}

QString PartyDesk::onStage() const { return player_.singerOnStage(); }

double PartyDesk::secondsLeft() const { return player_.secondsLeft(); }

quint64 PartyDesk::insert(int row, const QString& file, const QString& singer)
{
    PlayQueue& q = player_.playQueue();
    const quint64 id = q.insert(row, file, singer);
    // Nobody sings or waits to: the first in the queue (fairly, this one when it is alone) starts.
    if (id != 0 && player_.stageFree()) player_.queueChain().startNext();
    return id;
}

bool PartyDesk::remove(quint64 id)
{
    PlayQueue& q = player_.playQueue();
    return q.remove(q.rowOf(id));
}

bool PartyDesk::move(quint64 id, int row)
{
    PlayQueue& q = player_.playQueue();
    return q.move(q.rowOf(id), row);
}

void PartyDesk::skip()
{
    Transport& t = player_.transport();
    if (player_.state().buttons.Stop) t.cmdStop_Click();
    player_.queueChain().setEnded(true);
    if (!player_.playQueue().isEmpty()) player_.queueChain().startNext();
}

bool PartyDesk::pause()
{
    const TransportButtons& b = player_.state().buttons;
    if (b.Pause) {
        player_.transport().cmdPause_Click();
        return true;
    }
    if (b.Play && player_.state().Paused && !player_.stageFree()) {
        player_.transport().cmdPlay_Click();
        return true;
    }
    return false;
}

void PartyDesk::setChanged(std::function<void()> changed) { player_.playQueue().setWatcher(std::move(changed)); }

} // namespace lirmus
