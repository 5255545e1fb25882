#include "Termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace lirmus {
namespace {

// The signal handler may touch nothing but these.
int gPipe[2] = {-1, -1};
volatile sig_atomic_t gSignal = 0;
std::atomic<void (*)()> gHook{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);

extern "C" void onTerminationSignal(int sig)
{
    const int saved = errno;
    gSignal = sig;
    if (void (*hook)() = gHook.load())
        hook();
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

void install(int sig, struct sigaction* old)
{
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    // SA_RESETHAND: should quitting hang, the next signal ends the program.
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(sig, &sa, old);
}

} // namespace

Termination::Termination()
{
    if (gPipe[0] >= 0 || ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "lirmus: cannot watch for termination signals\n");
        std::abort();
    }
    gSignal = 0;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onSignalled(); });
    install(SIGTERM, &oldTerm_);
    install(SIGINT, &oldInt_);
}

void Termination::setSignalHook(void (*hook)()) { gHook.store(hook); }

Termination::~Termination()
{
    gHook.store(nullptr);
    ::sigaction(SIGTERM, &oldTerm_, nullptr);
    ::sigaction(SIGINT, &oldInt_, nullptr);
    notifier_.reset();
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void Termination::onSignalled()
{
    char bytes[16];
    while (::read(gPipe[0], bytes, sizeof bytes) > 0) {}
    requested_ = true;
    signal_ = gSignal;
    // quit() closes the windows as the user would; should one refuse, exit() still ends every loop.
    QCoreApplication::quit();
    QCoreApplication::exit(0);
}

} // namespace lirmus
