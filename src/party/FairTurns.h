#pragma once
// Where a guest's request goes in the play queue so that singers take turns:
// each singer's next song, in the order singers first asked. Plain code.
#include <QString>
#include <QStringList>

namespace lirmus {

/// A singer's name as turns compare it: blanks folded, letter case ignored.
QString singerKey(const QString& name);

class FairTurns {
public:
    /// The row a new request by `singer` takes in a queue whose rows were asked for by `queued`
    /// (in play order, "" for songs nobody named), while `onStage` sings (or waits on the card).
    /// Notes who has asked: singers met here for the first time rank after those seen before.
    int place(const QStringList& queued, const QString& onStage, const QString& singer);
    /// How many of the queued rows `singer` asked for.
    static int pending(const QStringList& queued, const QString& singer);
    /// A new party: nobody has asked yet.
    void clear() { order_.clear(); }

private:
    int rank(const QString& key);
    QStringList order_; // singer keys in the order they first asked
};

} // namespace lirmus
