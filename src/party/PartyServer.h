#pragma once
// The guests' web service: the page, the JSON API and live updates over a
// WebSocket, on Qt's own HTTP server. The server runs in a thread of its
// own, so guests' requests and searches never hold up the music or the
// lyrics; what changes the play queue runs on the window thread, where the
// queue lives, and takes microseconds there.
#include "FairTurns.h"
#include "PartyApi.h"
#include "PinGuard.h"
#include "RequestDesk.h"
#include "SongCatalog.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHttpServerResponse>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace lirmus {

class PartyServer : public QObject {
    Q_OBJECT
public:
    /// Pending requests a singer may have by default.
    static constexpr int kDefaultLimit = 3;

    /// desk outlives the server.
    explicit PartyServer(RequestDesk& desk, QObject* parent = nullptr);
    ~PartyServer() override;

    /// Listens at port (0: any free one) on address (every address of the machine by default);
    /// the port taken, 0 with *error when it cannot. A running service is stopped first.
    quint16 start(quint16 port, QString* error, const QHostAddress& address = QHostAddress::Any);
    /// Stops listening and closes every connection.
    void stop();
    bool isListening() const { return port_ != 0; }
    quint16 port() const { return port_; }

    /// The library guests search ("" = none).
    void setLibrary(const QString& path) { catalog_.setLibrary(path); }
    /// The host's PIN ("" refuses every host action).
    void setPin(const QString& pin);
    /// Pending requests one singer may have (at least 1).
    void setLimit(int pendingPerSinger) { limit_ = std::max(1, pendingPerSinger); }
    int limit() const { return limit_; }
    /// Browsers following the queue now.
    int liveClients() const { return live_; }
    SongCatalog& catalog() { return catalog_; }

private:
    class Service;
    friend class Service;

    /// The queue as the service thread answers it, taken on the window thread.
    struct Snapshot {
        QList<QueuedSong> queue;
        double secondsLeft = 0;
        qint64 takenMs = 0;
    };
    /// The queue or the song on stage changed: the snapshot follows and the live browsers hear
    /// of it, once per turn of the loop.
    void queueChanged();
    void publish();
    Snapshot snapshot() const;
    /// (Service thread.) The PIN's verdict for client `who`.
    PinGuard::Verdict checkPin(const QString& who, const QByteArray& given);
    /// (Service thread.) Runs work on the window thread and waits for its answer; 503 once stopping.
    QHttpServerResponse onWindowThread(std::function<QHttpServerResponse()> work);
    /// (Window thread.) Puts the song found for req in the queue at the singer's fair turn.
    QHttpServerResponse enqueue(const SongRequest& req, const std::optional<CatalogSong>& song, const QString& error);

    RequestDesk& desk_;
    SongCatalog catalog_;
    FairTurns turns_;
    mutable std::mutex mutex_; // pins_ and snapshot_
    PinGuard pins_;
    Snapshot snapshot_;
    QElapsedTimer clock_;
    std::atomic<int> limit_{kDefaultLimit};
    std::atomic<int> live_{0};
    std::atomic<bool> closing_{false};
    std::atomic<int> run_{0}; // counts stops
    quint16 port_ = 0;
    bool changePosted_ = false;
    QTimer waits_; // the snapshot's wait moves on with the song
    std::unique_ptr<QThread> thread_;
    Service* service_ = nullptr; // lives in thread_
};

} // namespace lirmus
