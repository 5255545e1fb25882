#pragma once
// Songs handed from a second start to the running copy: a local socket
// beside the instance lock. The second copy sends the songs' paths, one a
// line, ended by an empty line; the running copy answers "OK" once it took them.
// Any local program may connect, so a message is bounded in size, number of songs
// and time, and only paths of existing MIDI files are taken.
#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include <chrono>

namespace lirmus {

class Player;

/// The socket's path, beside the lock file.
QString instanceSocketPath(const QString& lockPath);

/// True when path is absolute and names a regular file that reads as a Standard MIDI
/// File ("MThd") or a RIFF MIDI file ("RIFF", size, "RMID").
bool isMidiFilePath(const QString& path);

class InstanceServer : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxMessage = 1 << 20; // a mebibyte of paths is no command line
    static constexpr int kMaxSongs = 10000;
    static constexpr std::chrono::milliseconds kDefaultMessageTimeout{5000};

    explicit InstanceServer(QObject* parent = nullptr);
    /// Listens at path. Only the holder of the instance lock calls this, so a socket
    /// file found there was left by a copy that crashed and is removed first.
    bool listen(const QString& path);
    QString errorString() const { return server_.errorString(); }
    /// Songs received go to player's hand-over once the socket's handler has
    /// returned: starting a song never runs inside a socket's event.
    /// Songs ignored (songsIgnored) are told through the player's message box, once a batch.
    void handSongsTo(Player& player);
    /// How long a connection may take to end its message before it is dropped.
    void setMessageTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

signals:
    /// Songs another start handed over, in the order given.
    void songsReceived(const QStringList& files);
    /// The paths of one message that are not MIDI files (told once per message).
    void songsIgnored(const QStringList& files);

private:
    void accept();
    /// Takes a whole message; returns the answer.
    QByteArray take(const QByteArray& message);

    QLocalServer server_;
    std::chrono::milliseconds timeout_ = kDefaultMessageTimeout;
};

/// Hands files to the copy listening at path; waits at most timeoutMs for its answer.
/// False when no copy took them.
bool sendToRunningCopy(const QString& path, const QStringList& files, int timeoutMs = 5000);

} // namespace lirmus
