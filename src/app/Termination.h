#pragma once
// SIGTERM and SIGINT (Ctrl+C) end the program the normal way: the signal
// handler only writes a byte to a pipe; the GUI thread reads it and quits the
// application, so windows close and destructors run (the settings service
// saves what is pending). A hook may stop, from the handler itself, work
// that keeps the GUI thread busy (a long query). A second signal of the same kind ends the program at once.
#include <memory>

#include <signal.h>

class QSocketNotifier;

namespace lirmus {

class Termination {
public:
    /// Installs the handlers (one Termination at a time; a QCoreApplication must exist).
    Termination();

    /// Restores the handlers that were there before.
    ~Termination();

    Termination(const Termination&) = delete;
    Termination& operator=(const Termination&) = delete;

    /// hook runs inside the signal handler too, so it must be async-signal-safe
    /// (set a lock-free atomic): it stops work that keeps the GUI thread from hearing the signal.
    void setSignalHook(void (*hook)());

    /// True once a termination signal has reached the GUI thread.
    bool requested() const { return requested_; }

    /// The last termination signal received, 0 when none.
    int signalNumber() const { return signal_; }

private:
    void onSignalled();

    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction oldTerm_ {};
    struct sigaction oldInt_ {};
    bool requested_ = false;
    int signal_ = 0;
};

} // namespace lirmus
