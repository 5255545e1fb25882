#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using lirmus::test::readFile;
using lirmus::test::tempDir;

namespace {

struct Ended {
    bool exited = false;
    int code = -1;
    int signal = 0;
};

// Starts the child on ini with mode, waits until it has changed its settings,
// sends sig and waits for it to end.
Ended signalChild(const std::string& ini, const char* mode, int sig)
{
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = LIRMUS_TERMINATION_CHILD;
    char* argv[] = {program.data(), const_cast<char*>(ini.c_str()), const_cast<char*>(mode), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        return {};
    }
    std::string said;
    char c;
    while (said.find("ready\n") == std::string::npos && ::read(out[0], &c, 1) == 1) said += c;
    ::close(out[0]);
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Ended e;
    e.exited = WIFEXITED(status);
    e.code = e.exited ? WEXITSTATUS(status) : -1;
    e.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return e;
}

} // namespace

TEST(Termination, SigtermAndCtrlCQuitNormallyAndTheSettingsAreSaved)
{
    for (int sig : {SIGTERM, SIGINT}) {
        const std::string ini = tempDir() + "LIRMUS.INI";
        const Ended e = signalChild(ini, "hook", sig);
        EXPECT_TRUE(e.exited && e.code == 0) << strsignal(sig) << " ended it by signal " << e.signal;
        // The window closed as on a normal quit, then the service saved both keys.
        EXPECT_EQ(readFile(ini), "[OPTIONS]\nKaraokeFont=Signalled\n\n[TEST]\nClosed=-1\n") << strsignal(sig);
    }
}

TEST(Termination, ASignalStopsALongQueryOnTheWindowThread)
{
    const std::string ini = tempDir() + "QUERY.INI";
    const Ended e = signalChild(ini, "query", SIGTERM);
    EXPECT_TRUE(e.exited && e.code == 0) << "ended by signal " << e.signal << ", code " << e.code;
    EXPECT_NE(readFile(ini).find("Query=The query was stopped.\n"), std::string::npos) << readFile(ini);
}

TEST(Termination, AWindowThatRefusesToCloseDoesNotKeepTheProgramAlive)
{
    const std::string ini = tempDir() + "LIRMUS.INI";
    const Ended e = signalChild(ini, "refuse", SIGTERM);
    EXPECT_TRUE(e.exited && e.code == 0);
    EXPECT_NE(readFile(ini).find("KaraokeFont=Signalled"), std::string::npos);
}

TEST(Termination, WithoutTheHookTheSignalLosesThePendingSettings)
{
    // The reference case: it shows the tests above measure the hook.
    const std::string ini = tempDir() + "LIRMUS.INI";
    const Ended e = signalChild(ini, "none", SIGTERM);
    EXPECT_EQ(e.signal, SIGTERM);
    EXPECT_FALSE(std::filesystem::exists(ini));
}
