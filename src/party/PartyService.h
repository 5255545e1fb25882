#pragma once
// The party service's own thread: the HTTP server with its routes and the
// live browsers' WebSockets. Made, used and deleted in that thread only.
#include "PartyServer.h"

#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonObject>

#include <memory>
#include <vector>

class QHttpServer;
class QHttpServerRequest;
class QWebSocket;

namespace lirmus {

/// A JSON answer that no cache keeps.
QHttpServerResponse partyJson(const QJsonArray& a, QHttpServerResponse::StatusCode status = QHttpServerResponse::StatusCode::Ok);
QHttpServerResponse partyJson(const QJsonObject& o, QHttpServerResponse::StatusCode status = QHttpServerResponse::StatusCode::Ok);
/// {"error": text} with status.
QHttpServerResponse partyFailure(QHttpServerResponse::StatusCode status, const QString& text);

class PartyServer::Service : public QObject {
public:
    explicit Service(PartyServer& owner);
    ~Service() override;

    /// Listens at port on address; the port taken, 0 when it cannot.
    quint16 listen(const QHostAddress& address, quint16 port);
    /// Tells every live browser that the queue changed.
    void broadcast();

private:
    void addRoutes();
    void addHostRoutes();
    void addPageRoutes();
    void addLiveUpdates();
    QHttpServerResponse searchSongs(const QHttpServerRequest& request);
    QHttpServerResponse queue();
    QHttpServerResponse addRequest(const QHttpServerRequest& request);
    /// Checks the PIN here, then runs action on the window thread.
    QHttpServerResponse hostAction(const QHttpServerRequest& request, std::function<QHttpServerResponse()> action);

    PartyServer& owner_;
    std::unique_ptr<QHttpServer> http_;
    std::vector<QWebSocket*> live_;
};

} // namespace lirmus
