#pragma once
// Long work without a second event loop: a worker thread (BackgroundJob) or
// short slices on the GUI thread's own loop (SlicedJob). Both stop on cancel()
// and say so in finished(); the windows only wire their widgets to them.
#include <QObject>

#include <atomic>
#include <functional>

class QThread;
class QTimer;

namespace lirmus {

/// Runs one function on a worker thread. The function polls cancelRequested();
/// results go through state it captures, read on the GUI thread once finished() arrives.
class BackgroundJob : public QObject {
    Q_OBJECT
public:
    explicit BackgroundJob(QObject* parent = nullptr);
    /// Asks the work to stop and waits for it: a worker never outlives its window.
    ~BackgroundJob() override;

    /// Starts work; false (and nothing started) while a run is still going.
    bool start(std::function<void(BackgroundJob& job)> work);
    /// True from start() until finished() has been emitted.
    bool isRunning() const { return running_; }
    void cancel() { cancel_ = true; }
    /// Any thread.
    bool cancelRequested() const { return cancel_; }

signals:
    void finished(bool cancelled);

private:
    QThread* thread_ = nullptr;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
};

/// Calls step() again and again on the event loop, a few units per turn, so
/// the window repaints and takes keys in between.
class SlicedJob : public QObject {
    Q_OBJECT
public:
    explicit SlicedJob(QObject* parent = nullptr);

    /// One unit of work; returns false when there is nothing more to do.
    std::function<bool()> step;
    /// Called after each slice, before the event loop runs again (to commit, to show progress).
    std::function<void()> sliceEnded;
    /// A slice ends after this many units or this much time, whichever comes first.
    int unitsPerSlice = 1000;
    int sliceMillis = 20;

    /// Starts the run; the first slice runs now when firstSliceNow, else on the next turn.
    /// A start while running is ignored.
    void start(bool firstSliceNow = false);
    bool isRunning() const { return running_; }
    /// Stops before the next unit; finished(true) follows (at once when between slices).
    void cancel();

signals:
    void finished(bool cancelled);

private:
    void runSlice();
    void finish(bool cancelled);

    QTimer* timer_ = nullptr;
    bool running_ = false;
    bool inSlice_ = false;
    bool cancel_ = false;
};

} // namespace lirmus
