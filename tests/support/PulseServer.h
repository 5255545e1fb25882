#pragma once
// A PulseAudio server of a test's own: one null sink "lirmus" and a default
// source "Microphone" that hears what is played into the sink, in a runtime
// folder of its own. This process talks to it, and only to it,
// through PULSE_SERVER. POSIX process helpers for the tools around it.
#include <string>
#include <sys/types.h>
#include <vector>

namespace lirmus::test {

/// program is an executable on PATH.
bool onPath(const std::string& program);
/// Starts program with args; its stdout to outFd (or the log), stderr to the log.
pid_t spawn(const std::vector<std::string>& args, const std::string& log, int outFd = -1);
/// Runs program with args to its end; its wait status (-1 when it could not start).
int waitFor(const std::vector<std::string>& args, const std::string& log);

struct PulseServer {
    std::string dir;
    std::string log;
    pid_t pid = -1;

    PulseServer();
    ~PulseServer() { kill(); }
    /// Starts the server and points this process at it; false when it does not answer.
    bool start();
    void kill();
    std::string logText() const;
    /// The server's address, as PULSE_SERVER gives it.
    std::string address() const { return "unix:" + dir + "/native"; }
};

} // namespace lirmus::test
