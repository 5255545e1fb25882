#pragma once
// The play queue: songs waiting their turn after the one playing. Plain
// code; the player window shows it and the song end takes the next one.
// Kept in the settings file ([QUEUE] Count, Song1..., and Singer1... when
// songs were asked for by name) so a restart finds it.
#include "Dispatcher.h"

#include <QStringList>

#include <functional>

namespace lirmus {

class SettingsService;
class Transport;

class PlayQueue {
public:
    /// A queue longer than any evening: songs handed over past it are refused.
    static constexpr int kMaxSongs = 10000;


    const QStringList& songs() const { return songs_; }
    /// Who asked for the song at row ("" when nobody said).
    QString singerAt(int row) const { return singers_.value(row); }
    /// The id the song at row keeps while it waits (0 out of range); ids are never reused in a run.
    quint64 idAt(int row) const { return ids_.value(row); }
    /// The row of the song with this id, -1 when it no longer waits.
    int rowOf(quint64 id) const { return int(ids_.indexOf(id)); }
    bool isEmpty() const { return songs_.isEmpty(); }
    int size() const { return int(songs_.size()); }

    /// Appends the songs in the order given, as many as fit under kMaxSongs; the rest are
    /// refused and told at once (see setRefused). Returns how many were taken.
    int add(const QStringList& files, const QString& singer = QString());
    /// Puts one song at row (clamped to the queue); its id, 0 when the queue is full.
    quint64 insert(int row, const QString& file, const QString& singer);
    /// Moves the song at row `from` to row `to`; false (nothing changes) when either is out of range.
    bool move(int from, int to);
    /// Takes the first song off the queue ("" when empty), and who asked for it.
    QString takeFirst(QString* singer = nullptr);
    /// Swap row with its neighbour; false (nothing changes) at the edges or out of range.
    bool moveUp(int row);
    bool moveDown(int row);
    bool remove(int row);

    /// Reads the queue kept in the settings (at most kMaxSongs, whatever Count says) and keeps
    /// every later change there.
    void attachStore(SettingsService* store);
    /// Told after every change (the window's list follows).
    void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }
    /// A further listener told after every change (the guests' service); null removes it.
    void setWatcher(std::function<void()> watcher) { watcher_ = std::move(watcher); }
    /// Told once per add() with the songs that did not fit.
    void setRefused(std::function<void(const QStringList&)> refused) { refused_ = std::move(refused); }

private:
    void changed();

    QStringList songs_;
    QStringList singers_; // one for each song
    QList<quint64> ids_;  // one for each song
    quint64 nextId_ = 1;
    SettingsService* store_ = nullptr;
    std::function<void()> changed_;
    std::function<void()> watcher_;
    std::function<void(const QStringList&)> refused_;
};

/// The song's end as the dispatcher reports it: the transport stops (cueing the
/// song again with AutoStart), then the next queued song is started. The start
/// is deferred: the report arrives from inside the output's delivery.
class QueueChain : public SongEnd {
public:
    using Defer = std::function<void(std::function<void()>)>;
    using Play = std::function<void(const QString& file, const QString& singer)>;
    /// unreadable: told once with every song skipped by one advance.
    using Skipped = std::function<void(const QStringList& files)>;

    QueueChain(Transport& transport, PlayQueue& queue) : transport_(transport), queue_(queue) {}

    /// How the next song starts (the one way a song is started) and how the start is put off.
    /// Without a player the queue only waits.
    void setStarter(Play play, Defer defer, Skipped skipped);

    void Stop_Play() override;
    /// The song chosen last has played to its end (or was skipped): nobody waits to sing it.
    bool ended() const { return ended_; }
    void setEnded(bool ended) { ended_ = ended; }
    /// Starts the first readable queued song; unreadable ones are dropped and told once.
    /// False when none was left to start.
    bool startNext();

private:
    Transport& transport_;
    PlayQueue& queue_;
    Play play_;
    Defer defer_;
    Skipped skipped_;
    bool ended_ = false;
};

/// True when file opens as a song (the reader's open succeeds).
bool songReadable(const QString& file);

} // namespace lirmus
