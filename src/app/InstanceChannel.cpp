#include "InstanceChannel.h"

#include "Player.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

namespace lirmus {
namespace {

constexpr qint64 kMaxMessage = 1 << 20; // a million bytes of paths is not a command line

} // namespace

QString instanceSocketPath(const QString& lockPath)
{
    return QFileInfo(lockPath).absolutePath() + "/lirmus.socket";
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
}

void InstanceServer::accept()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->property("done").toBool()) return;
            const QByteArray all = socket->peek(kMaxMessage + 1);
            if (all.size() > kMaxMessage) {
                socket->abort();
                return;
            }
            // Wait for the empty line that ends the list.
            if (!all.startsWith("\n") && !all.contains("\n\n")) return;
            socket->setProperty("done", true);
            const QByteArray text = socket->readAll();
            QStringList files;
            for (const QByteArray& line : text.split('\n'))
                if (!line.isEmpty()) files << QString::fromUtf8(line);
            socket->write("OK\n");
            socket->flush();
            if (!files.isEmpty()) emit songsReceived(files);
        });
    }
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
