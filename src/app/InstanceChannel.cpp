#include "InstanceChannel.h"

#include "Player.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace lirmus {

QString instanceSocketPath(const QString& lockPath)
{
    return QFileInfo(lockPath).absolutePath() + "/lirmus.socket";
}

bool isMidiFilePath(const QString& path)
{
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(12);
    return head.startsWith("MThd") || (head.startsWith("RIFF") && head.mid(8, 4) == "RMID");
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent)
{
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::accept);
}

bool InstanceServer::listen(const QString& path)
{
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(path);
}

void InstanceServer::handSongsTo(Player& player)
{
    connect(this, &InstanceServer::songsReceived, this, [&player](const QStringList& files) { player.handOver(files); },
            Qt::QueuedConnection);
    connect(
        this, &InstanceServer::songsIgnored, this,
        [&player](const QStringList& files) {
            player.hub().messageBox("These files handed over by another start of Lirmus are not MIDI songs "
                                    "and were ignored:\n" + files.join('\n'),
                                    MessageIcon::Exclamation);
        },
        Qt::QueuedConnection);
}

void InstanceServer::accept()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never ends its message does not keep its connection.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        deadline->start(timeout_);
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, deadline, received] {
            if (!deadline->isActive()) return; // answered, or dropped
            // Only the new bytes and the one before them can hold the empty line that ends the list.
            const qsizetype from = std::max<qsizetype>(0, received->size() - 1);
            *received += socket->read(kMaxMessage + 1 - received->size());
            QByteArray answer;
            if (received->size() > kMaxMessage) answer = "REFUSED too long\n";
            else if (received->startsWith('\n') || received->indexOf("\n\n", from) >= 0) answer = take(*received);
            else return;
            deadline->stop();
            received->clear();
            socket->write(answer);
            socket->disconnectFromServer(); // once the answer is out
        });
    }
}

QByteArray InstanceServer::take(const QByteArray& message)
{
    const qsizetype end = message.startsWith('\n') ? 0 : message.indexOf("\n\n") + 1;
    const QList<QByteArray> lines = message.left(end).split('\n');
    if (lines.size() > kMaxSongs + 1) return "REFUSED too many songs\n";
    QStringList files, ignored;
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) continue;
        const QString file = QString::fromUtf8(line);
        (isMidiFilePath(file) ? files : ignored) << file;
    }
    if (!ignored.isEmpty()) emit songsIgnored(ignored);
    if (!files.isEmpty()) emit songsReceived(files);
    return files.isEmpty() && !ignored.isEmpty() ? "IGNORED\n" : "OK\n";
}

bool sendToRunningCopy(const QString& path, const QStringList& files, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The running copy may still be starting up: its socket comes a moment after its lock.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(std::max<qint64>(0, deadline.remainingTime())))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(100);
    }
    QByteArray message;
    for (const QString& f : files) message += f.toUtf8() + '\n';
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))) return false;
        answer += socket.readAll();
    }
    return answer.startsWith("OK");
}

} // namespace lirmus
