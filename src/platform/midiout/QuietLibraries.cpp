#include "QuietLibraries.h"

#include <fluidsynth.h>

#include <cstdarg>
#include <cstring>
#include <iostream>
#include <mutex>
#ifdef LIRMUS_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace lirmus {

namespace {

// FluidSynth also logs from the real-time threads (a voice it cannot start):
// the text goes into a fixed buffer, and a logger that finds the owner's
// thread reading it drops its line rather than wait.
std::mutex logMutex;
char lastSynthError[256] = {};

void synthLog(int level, const char* message, void*)
{
    if (level > FLUID_WARN || !message)
        return;
    std::unique_lock lock(logMutex, std::try_to_lock);
    if (!lock)
        return;
    std::strncpy(lastSynthError, message, sizeof lastSynthError - 1);
}

#ifdef LIRMUS_HAVE_ALSA
void alsaLog(const char*, int, const char*, int, const char*, ...) {}
#endif

} // namespace

void quietSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, synthLog, nullptr);
#ifdef LIRMUS_HAVE_ALSA
        snd_lib_error_set_handler(alsaLog);
#endif
    });
}

std::string takeSynthLogError()
{
    std::lock_guard lock(logMutex);
    std::string s(lastSynthError);
    lastSynthError[0] = 0;
    return s;
}

CerrCapture::CerrCapture() : saved_(std::cerr.rdbuf(buffer_.rdbuf())) {}

CerrCapture::~CerrCapture() { std::cerr.rdbuf(saved_); }

std::string CerrCapture::text() const
{
    std::string out;
    std::istringstream in(buffer_.str());
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!out.empty())
            out += ' ';
        out += line;
    }
    return out;
}

} // namespace lirmus
