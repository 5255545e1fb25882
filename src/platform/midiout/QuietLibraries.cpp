#include "QuietLibraries.h"

#include <fluidsynth.h>

#include <cstdarg>
#include <iostream>
#include <mutex>
#ifdef LIRMUS_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace lirmus {

namespace {

std::mutex logMutex;
std::string lastSynthError;

void synthLog(int level, const char* message, void*)
{
    if (level > FLUID_WARN || !message)
        return;
    std::lock_guard lock(logMutex);
    lastSynthError = message;
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
    std::string s;
    s.swap(lastSynthError);
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
