#pragma once
// A small HTTP/1.1 client over a plain socket, for tests against the real
// service: it can send what a browser would not (broken JSON, huge bodies,
// odd methods) and many requests at once. It runs the event loop while it
// waits, so a service in the same thread answers.
#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QList>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace lirmus::test {

struct HttpReply {
    int status = 0; ///< 0: no answer
    QByteArray headers;
    QByteArray body;
    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : headers.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ":")) return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

/// One request on its own connection; it answers as the bytes arrive.
class HttpCall {
public:
    HttpCall(quint16 port, const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
             const QList<QPair<QByteArray, QByteArray>>& headers = {})
    {
        QByteArray req = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        for (const auto& h : headers) req += h.first + ": " + h.second + "\r\n";
        if (!body.isEmpty() || method == "POST") req += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        req += "\r\n" + body;
        QObject::connect(&socket_, &QTcpSocket::connected, [this, req] { socket_.write(req); });
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { read(); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { done_ = true; });
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this] { done_ = true; });
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }
    bool done() const { return done_; }
    const HttpReply& reply() const { return reply_; }

private:
    void read()
    {
        buffer_ += socket_.readAll();
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) return;
        reply_.headers = buffer_.left(end);
        reply_.status = buffer_.mid(9, 3).toInt();
        const qsizetype length = reply_.header("Content-Length").toLongLong();
        if (buffer_.size() - end - 4 < length) return;
        reply_.body = buffer_.mid(end + 4, length);
        done_ = true;
        socket_.disconnectFromHost();
    }
    QTcpSocket socket_;
    QByteArray buffer_;
    HttpReply reply_;
    bool done_ = false;
};

/// Runs the event loop until every call is done (or ms pass).
inline void waitAll(const QList<HttpCall*>& calls, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    while (t.elapsed() < ms) {
        bool all = true;
        for (const HttpCall* c : calls) all = all && c->done();
        if (all) return;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

/// One request, answered.
inline HttpReply http(quint16 port, const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
                      const QList<QPair<QByteArray, QByteArray>>& headers = {})
{
    HttpCall call(port, method, path, body, headers);
    waitAll({&call});
    return call.reply();
}

} // namespace lirmus::test
