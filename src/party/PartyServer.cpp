#include "PartyServer.h"

#include "PartyService.h"

#include <QThread>

#include <chrono>
#include <future>

namespace lirmus {

PartyServer::PartyServer(RequestDesk& desk, QObject* parent) : QObject(parent), desk_(desk)
{
    clock_.start();
    desk_.setChanged([this] { queueChanged(); });
    waits_.setInterval(2000);
    connect(&waits_, &QTimer::timeout, this, [this] { publish(); });
}

PartyServer::~PartyServer()
{
    desk_.setChanged(nullptr);
    stop();
}

quint16 PartyServer::start(quint16 port, QString* error, const QHostAddress& address)
{
    stop();
    publish();
    turns_.clear();
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName("party");
    service_ = new Service(*this);
    service_->moveToThread(thread_.get());
    thread_->start();
    quint16 taken = 0;
    // Nothing else runs there yet: waiting for it cannot meet a wait for this thread.
    QMetaObject::invokeMethod(
        service_, [&] { taken = service_->listen(address, port); }, Qt::BlockingQueuedConnection);
    if (taken == 0) {
        stop();
        if (error) *error = QStringLiteral("The party service cannot listen on port %1.").arg(port);
        return 0;
    }
    port_ = taken;
    waits_.start();
    return port_;
}

void PartyServer::stop()
{
    waits_.stop();
    port_ = 0;
    if (!thread_) return;
    // A request waiting for this thread gives up on seeing this, so the service thread is free.
    closing_ = true;
    ++run_;
    // Deleted in its own thread as that thread ends, with its server and sockets.
    service_->deleteLater();
    service_ = nullptr;
    thread_->quit();
    thread_->wait();
    thread_.reset();
    closing_ = false;
    live_ = 0;
}

void PartyServer::setPin(const QString& pin)
{
    std::lock_guard lock(mutex_);
    pins_.setPin(pin);
}

PinGuard::Verdict PartyServer::checkPin(const QString& who, const QByteArray& given)
{
    std::lock_guard lock(mutex_);
    return pins_.check(who, given, clock_.elapsed());
}

void PartyServer::queueChanged()
{
    if (changePosted_) return;
    changePosted_ = true;
    QTimer::singleShot(0, this, [this] {
        changePosted_ = false;
        publish();
        if (service_) QMetaObject::invokeMethod(service_, [s = service_] { s->broadcast(); }, Qt::QueuedConnection);
    });
}

void PartyServer::publish()
{
    Snapshot s{desk_.queued(), desk_.secondsLeft(), clock_.elapsed()};
    std::lock_guard lock(mutex_);
    snapshot_ = std::move(s);
}

PartyServer::Snapshot PartyServer::snapshot() const
{
    std::lock_guard lock(mutex_);
    Snapshot s = snapshot_;
    // The song on stage has gone on since the snapshot was taken.
    if (s.secondsLeft > 0) s.secondsLeft = std::max(0.0, s.secondsLeft - (clock_.elapsed() - s.takenMs) / 1000.0);
    return s;
}

QHttpServerResponse PartyServer::onWindowThread(std::function<QHttpServerResponse()> work)
{
    auto promise = std::make_shared<std::promise<QHttpServerResponse>>();
    std::future<QHttpServerResponse> answer = promise->get_future();
    // Work that arrives after a stop is not done: its guest was told the party is over.
    QMetaObject::invokeMethod(
        this,
        [this, run = run_.load(), promise, work = std::move(work)] {
            if (run == run_) promise->set_value(work());
        },
        Qt::QueuedConnection);
    while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (closing_) return partyFailure(QHttpServerResponse::StatusCode::ServiceUnavailable, "The party is over.");
    return answer.get();
}

QHttpServerResponse PartyServer::enqueue(const SongRequest& req, const std::optional<CatalogSong>& song,
                                         const QString& error)
{
    using Status = QHttpServerResponse::StatusCode;
    if (!song) {
        if (!error.isEmpty()) return partyFailure(Status::ServiceUnavailable, error);
        return partyFailure(Status::NotFound, QStringLiteral("No song with id %1 is in the library.").arg(req.song));
    }
    const QList<QueuedSong> waiting = desk_.queued();
    QStringList singers;
    for (const QueuedSong& q : waiting) singers << q.singer;
    if (FairTurns::pending(singers, req.singer) >= limit_)
        return partyFailure(Status::TooManyRequests,
                            QStringLiteral("%1 already has %2 songs waiting.").arg(req.singer).arg(limit_));
    const int row = turns_.place(singers, desk_.onStage(), req.singer);
    const quint64 id = desk_.insert(row, song->file, req.singer);
    if (id == 0) return partyFailure(Status::ServiceUnavailable, QStringLiteral("The play queue is full."));
    // The song may have started at once (nothing was playing): place 0 says it is on now.
    int place = 0;
    const QList<QueuedSong> now = desk_.queued();
    for (int i = 0; i < now.size(); ++i)
        if (now[i].id == id) place = i + 1;
    return partyJson(QJsonObject{{"id", qint64(id)}, {"song", song->id}, {"name", song->name},
                                 {"author", song->author}, {"singer", req.singer}, {"place", place}},
                     Status::Created);
}

} // namespace lirmus
