#pragma once
// Songs handed from a second start to the running copy: a local socket
// beside the instance lock. The second copy sends the songs' paths, one a
// line, ended by an empty line; the running copy answers "OK" once it took them.
#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace lirmus {

class Player;

/// The socket's path, beside the lock file.
QString instanceSocketPath(const QString& lockPath);

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    /// Listens at path. Only the holder of the instance lock calls this, so a socket
    /// file found there was left by a copy that crashed and is removed first.
    bool listen(const QString& path);
    QString errorString() const { return server_.errorString(); }
    /// Songs received go to player's hand-over once the socket's handler has
    /// returned: starting a song never runs inside a socket's event.
    void handSongsTo(Player& player);

signals:
    /// Songs another start handed over, in the order given.
    void songsReceived(const QStringList& files);

private:
    void accept();

    QLocalServer server_;
};

/// Hands files to the copy listening at path; waits at most timeoutMs for its answer.
/// False when no copy took them.
bool sendToRunningCopy(const QString& path, const QStringList& files, int timeoutMs = 5000);

} // namespace lirmus
