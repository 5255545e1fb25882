#include "FairTurns.h"

#include <QHash>

#include <utility>

namespace lirmus {

QString singerKey(const QString& name) { return name.simplified().toCaseFolded(); }

int FairTurns::rank(const QString& key)
{
    qsizetype at = order_.indexOf(key);
    if (at < 0) {
        order_ << key;
        at = order_.size() - 1;
    }
    return int(at);
}

int FairTurns::place(const QStringList& queued, const QString& onStage, const QString& singer)
{
    // Songs nobody named count as the host's own turns; the singer on stage has had this round.
    const QString stage = singerKey(onStage);
    QHash<QString, int> turns;
    if (!stage.isEmpty()) turns[stage] = 1;
    std::vector<std::pair<int, int>> rows; // (round, rank) of every queued row
    rows.reserve(queued.size());
    for (const QString& who : queued) {
        const QString key = singerKey(who);
        rows.emplace_back(turns[key]++, rank(key));
    }
    const QString key = singerKey(singer);
    const std::pair<int, int> mine{turns.value(key), rank(key)};
    // After the last row that comes before it: the host's own moves stay as they are.
    int at = 0;
    for (int i = 0; i < int(rows.size()); ++i)
        if (rows[i] < mine) at = i + 1;
    return at;
}

int FairTurns::pending(const QStringList& queued, const QString& singer)
{
    const QString key = singerKey(singer);
    int n = 0;
    for (const QString& who : queued)
        if (singerKey(who) == key) ++n;
    return n;
}

} // namespace lirmus
