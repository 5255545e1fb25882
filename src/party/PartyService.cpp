#include "PartyService.h"

#include <QFile>
#include <QHttpServer>
#include <QJsonDocument>
#include <QWebSocket>

#include <algorithm>

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace lirmus {
namespace {

using Status = QHttpServerResponse::StatusCode;

// How much the service thread gives way to the rest of the program (a nice value, 0..19).
constexpr int kServiceNice = 10;

QHttpServerResponse json(const QJsonDocument& doc, Status status)
{
    QHttpServerResponse r(QByteArrayLiteral("application/json"), doc.toJson(QJsonDocument::Compact), status);
    r.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    return r;
}

// A page file compiled into the program, with headers that keep the page to its own files.
QHttpServerResponse pageFile(const QString& name, const QByteArray& mime)
{
    QFile f(":/party/" + name);
    if (!f.open(QIODevice::ReadOnly)) return QHttpServerResponse(Status::NotFound);
    QHttpServerResponse r(mime, f.readAll());
    r.addHeader(QByteArrayLiteral("Content-Security-Policy"),
                QByteArrayLiteral("default-src 'self'; connect-src 'self' ws: wss:; img-src 'self' data:; "
                                  "object-src 'none'; base-uri 'none'; frame-ancestors 'none'"));
    r.addHeader(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"));
    r.addHeader(QByteArrayLiteral("Referrer-Policy"), QByteArrayLiteral("no-referrer"));
    return r;
}

} // namespace

QHttpServerResponse partyJson(const QJsonArray& a, Status status) { return json(QJsonDocument(a), status); }
QHttpServerResponse partyJson(const QJsonObject& o, Status status) { return json(QJsonDocument(o), status); }
QHttpServerResponse partyFailure(Status status, const QString& text) { return partyJson(errorJson(text), status); }

PartyServer::Service::Service(PartyServer& owner) : owner_(owner) {}

PartyServer::Service::~Service()
{
    for (QWebSocket* s : std::exchange(live_, {})) {
        s->disconnect(this);
        s->abort();
        delete s;
    }
    http_.reset();
}

quint16 PartyServer::Service::listen(const QHostAddress& address, quint16 port)
{
#ifdef __linux__
    // Guests yield to the music: on a busy machine the window thread gets the processor first.
    if (setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), kServiceNice) != 0)
        qWarning("party: the service thread keeps its priority (%s)", std::strerror(errno));
#endif
    http_ = std::make_unique<QHttpServer>();
    addRoutes();
    addHostRoutes();
    addPageRoutes();
    addLiveUpdates();
    const quint16 taken = http_->listen(address, port);
    if (taken == 0) http_.reset();
    return taken;
}

void PartyServer::Service::addRoutes()
{
    using Method = QHttpServerRequest::Method;
    http_->route("/api/songs", Method::Get, [this](const QHttpServerRequest& r) { return searchSongs(r); });
    http_->route("/api/queue", Method::Get, [this] { return queue(); });
    http_->route("/api/requests", Method::Post, [this](const QHttpServerRequest& r) { return addRequest(r); });
}

void PartyServer::Service::addHostRoutes()
{
    using Method = QHttpServerRequest::Method;
    PartyServer& o = owner_;
    http_->route("/api/skip", Method::Post, [this, &o](const QHttpServerRequest& r) {
        return hostAction(r, [&o] {
            o.desk_.skip();
            return partyJson(QJsonObject{{"skipped", true}});
        });
    });
    http_->route("/api/pause", Method::Post, [this, &o](const QHttpServerRequest& r) {
        return hostAction(r, [&o] {
            if (!o.desk_.pause()) return partyFailure(Status::Conflict, QStringLiteral("No song is playing."));
            return partyJson(QJsonObject{{"paused", true}});
        });
    });
    http_->route("/api/requests/<arg>", Method::Delete, [this, &o](quint64 id, const QHttpServerRequest& r) {
        return hostAction(r, [&o, id] {
            if (!o.desk_.remove(id)) return partyFailure(Status::NotFound, QStringLiteral("No such request waits."));
            return partyJson(QJsonObject{{"removed", qint64(id)}});
        });
    });
    http_->route("/api/requests/<arg>/move", Method::Post, [this, &o](quint64 id, const QHttpServerRequest& r) {
        QString why;
        const std::optional<int> place = parsePlace(r.body(), &why);
        return hostAction(r, [&o, id, place, why] {
            if (!place) return partyFailure(Status::BadRequest, why);
            const int row = std::min(*place, int(o.desk_.queued().size())) - 1;
            if (!o.desk_.move(id, row)) return partyFailure(Status::NotFound, QStringLiteral("No such request waits."));
            return partyJson(QJsonObject{{"id", qint64(id)}, {"place", row + 1}});
        });
    });
}

void PartyServer::Service::addPageRoutes()
{
    using Method = QHttpServerRequest::Method;
    http_->route("/", Method::Get, [] { return pageFile("index.html", "text/html; charset=utf-8"); });
    http_->route("/app.js", Method::Get, [] { return pageFile("app.js", "text/javascript; charset=utf-8"); });
    http_->route("/style.css", Method::Get, [] { return pageFile("style.css", "text/css; charset=utf-8"); });
}

void PartyServer::Service::addLiveUpdates()
{
    // The server hands a connection over only when a route takes its path and writes nothing.
    http_->route("/api/live", [](const QHttpServerRequest& r, QHttpServerResponder&& responder) {
        if (r.value(QByteArrayLiteral("upgrade")).toLower() == "websocket") return;
        responder.write(QJsonDocument(errorJson(QStringLiteral("Open this address as a WebSocket."))),
                        QHttpServerResponder::StatusCode::BadRequest);
    });
    connect(http_.get(), &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (http_ && http_->hasPendingWebSocketConnections()) {
            QWebSocket* s = http_->nextPendingWebSocketConnection().release();
            if (s->requestUrl().path() != "/api/live") {
                s->close(QWebSocketProtocol::CloseCodePolicyViolated);
                s->deleteLater();
                continue;
            }
            live_.push_back(s);
            owner_.live_ = int(live_.size());
            // Guests only listen: anything they send is dropped.
            connect(s, &QWebSocket::disconnected, this, [this, s] {
                live_.erase(std::remove(live_.begin(), live_.end(), s), live_.end());
                owner_.live_ = int(live_.size());
                s->deleteLater();
            });
        }
    });
}

void PartyServer::Service::broadcast()
{
    for (QWebSocket* s : live_) s->sendTextMessage(QStringLiteral("{\"changed\":\"queue\"}"));
}

QHttpServerResponse PartyServer::Service::searchSongs(const QHttpServerRequest& request)
{
    const QString text = request.query().queryItemValue("q", QUrl::FullyDecoded).left(200);
    std::vector<CatalogSong> songs;
    QString why;
    if (!owner_.catalog_.search(text, &songs, &why)) return partyFailure(Status::ServiceUnavailable, why);
    return partyJson(songsJson(songs));
}

QHttpServerResponse PartyServer::Service::queue()
{
    const Snapshot s = owner_.snapshot();
    QStringList files;
    for (const QueuedSong& q : s.queue) files << q.file;
    QString why;
    return partyJson(queueJson(s.queue, owner_.catalog_.byFiles(files, &why), s.secondsLeft));
}

QHttpServerResponse PartyServer::Service::addRequest(const QHttpServerRequest& request)
{
    QString why;
    const std::optional<SongRequest> asked = parseSongRequest(request.body(), &why);
    if (!asked) {
        const Status status = request.body().size() > kMaxBodyBytes ? Status::PayloadTooLarge : Status::BadRequest;
        return partyFailure(status, why);
    }
    // Looked up here, in the library as held in memory; the queue is changed on the window thread.
    QString error;
    const std::optional<CatalogSong> song = owner_.catalog_.held(asked->song, &error);
    if (!song && !error.isEmpty()) owner_.catalog_.refresh(); // the guest asks again
    PartyServer& o = owner_;
    const SongRequest req = *asked;
    return owner_.onWindowThread([&o, req, song, error] { return o.enqueue(req, song, error); });
}

QHttpServerResponse PartyServer::Service::hostAction(const QHttpServerRequest& request,
                                                     std::function<QHttpServerResponse()> action)
{
    // Wrong guesses are slowed down by shutting the client out for a while (see PinGuard).
    switch (owner_.checkPin(request.remoteAddress().toString(), request.value(QByteArrayLiteral("X-Lirmus-Pin")))) {
    case PinGuard::Verdict::Ok: return owner_.onWindowThread(std::move(action));
    case PinGuard::Verdict::NoPin:
        return partyFailure(Status::Forbidden, QStringLiteral("The host has set no PIN: host actions are off."));
    case PinGuard::Verdict::LockedOut:
        return partyFailure(Status::TooManyRequests, QStringLiteral("Too many wrong PINs: try again later."));
    case PinGuard::Verdict::Wrong: break;
    }
    return partyFailure(Status::Unauthorized, QStringLiteral("Wrong PIN."));
}

} // namespace lirmus
