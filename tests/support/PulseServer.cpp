#include "PulseServer.h"

#include "SmfWriter.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace lirmus::test {

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t a = 0; a <= dirs.size();) {
        const size_t b = std::min(dirs.find(':', a), dirs.size());
        if (access((dirs.substr(a, b - a) + "/" + program).c_str(), X_OK) == 0)
            return true;
        a = b + 1;
    }
    return false;
}

/// Starts program with args; its stdout to outFd (or a log), stderr to the log.
pid_t spawn(const std::vector<std::string>& args, const std::string& log, int outFd)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&fa, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    return pid;
}

int waitFor(const std::vector<std::string>& args, const std::string& log)
{
    const pid_t pid = spawn(args, log);
    int status = -1;
    if (pid > 0)
        waitpid(pid, &status, 0);
    return status;
}

PulseServer::PulseServer() : dir(tempDir()), log(dir + "/pulse.log") {}

bool PulseServer::start()
{
    setenv("PULSE_RUNTIME_PATH", dir.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("HOME", dir.c_str(), 1); // its cookie and state stay here too
    setenv("PULSE_SERVER", address().c_str(), 1);
    // The default source hears what is played into the sink. Qt Multimedia lists no monitor
    // sources as inputs, so the monitor is remapped into a source of its own, "Microphone".
    pid = spawn({"pulseaudio", "--system=false", "-n", "--daemonize=no", "--exit-idle-time=-1",
                 "--use-pid-file=false", "--disable-shm=true",
                 "-L", "module-null-sink sink_name=lirmus rate=44100 channels=2",
                 "-L", "module-remap-source master=lirmus.monitor source_name=lirmus_mic "
                       "source_properties=device.description=Microphone",
                 "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + dir + "/native"},
                log);
    for (int i = 0; pid > 0 && i < 100; ++i) {
        if (waitFor({"pactl", "info"}, dir + "/pactl.log") == 0)
            return waitFor({"pactl", "set-default-source", "lirmus_mic"}, dir + "/pactl.log") == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PulseServer::kill()
{
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

std::string PulseServer::logText() const
{
    std::ifstream in(log);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace lirmus::test
