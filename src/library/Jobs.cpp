#include "Jobs.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace lirmus {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob()
{
    if (!thread_) return;
    cancel_ = true;
    thread_->wait();
    delete thread_;
}

bool BackgroundJob::start(std::function<void(BackgroundJob& job)> work)
{
    if (running_) return false;
    if (thread_) {
        thread_->wait(); // finished, but its thread may still be unwinding
        delete thread_;
    }
    cancel_ = false;
    running_ = true;
    thread_ = QThread::create([this, work = std::move(work)] { work(*this); });
    // Queued to the job's own thread: finished() comes from the event loop, never from the worker.
    connect(thread_, &QThread::finished, this, [this] {
        running_ = false;
        emit finished(cancel_);
    }, Qt::QueuedConnection);
    thread_->start();
    return true;
}

SlicedJob::SlicedJob(QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    // Single shot and armed only after a slice: a dialog a step opens cannot start the next slice inside it.
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &SlicedJob::runSlice);
}

void SlicedJob::start(bool firstSliceNow)
{
    if (running_) return;
    running_ = true;
    cancel_ = false;
    if (firstSliceNow) runSlice();
    else timer_->start();
}

void SlicedJob::cancel()
{
    if (!running_) return;
    cancel_ = true;
    timer_->stop();
    if (!inSlice_) finish(true);
}

void SlicedJob::runSlice()
{
    if (!running_ || inSlice_) return;
    inSlice_ = true;
    QElapsedTimer clock;
    clock.start();
    bool more = true;
    for (int n = 0; more && !cancel_ && n < unitsPerSlice && (n == 0 || clock.elapsed() < sliceMillis); ++n)
        more = step();
    inSlice_ = false;
    if (sliceEnded) sliceEnded();
    if (cancel_ || !more) finish(cancel_);
    else timer_->start();
}

void SlicedJob::finish(bool cancelled)
{
    running_ = false;
    timer_->stop();
    emit finished(cancelled);
}

} // namespace lirmus
