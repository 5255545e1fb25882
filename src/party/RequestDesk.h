#pragma once
// What the guests' service asks of the player: the play queue and the host's
// transport buttons. The application implements it over the player; the
// service calls it on the window thread only.
#include <QList>
#include <QString>

#include <functional>

namespace lirmus {

/// One song waiting in the play queue.
struct QueuedSong {
    quint64 id = 0;  ///< stays with the song while it waits
    QString file;
    QString singer;  ///< "" when nobody named one
};

class RequestDesk {
public:
    virtual ~RequestDesk() = default;
    /// The waiting songs in the order they will play.
    virtual QList<QueuedSong> queued() const = 0;
    /// Who sings now, or waits on the card to sing ("" when nobody, or nobody named).
    virtual QString onStage() const = 0;
    /// Seconds until the song on stage ends (0 when none plays).
    virtual double secondsLeft() const = 0;
    /// Puts a song at row of the queue; its id, 0 when the queue refused it. A song starts at
    /// once when nothing is in use.
    virtual quint64 insert(int row, const QString& file, const QString& singer) = 0;
    /// Removes the waiting song with this id; false when none waits.
    virtual bool remove(quint64 id) = 0;
    /// Moves the waiting song with this id to row; false when none waits or row is outside.
    virtual bool move(quint64 id, int row) = 0;
    /// Ends the song on stage and starts the next one.
    virtual void skip() = 0;
    /// Pauses the song on stage, or goes on when paused; false when no song can.
    virtual bool pause() = 0;
    /// Told whenever the queue or the song on stage changes (null: nobody).
    virtual void setChanged(std::function<void()> changed) = 0;
};

} // namespace lirmus
