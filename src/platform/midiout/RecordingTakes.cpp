#include "RecordingTakes.h"

#include "VoiceTap.h"

#include <sys/stat.h>

namespace lirmus {

namespace {

constexpr int kMostTakes = 100'000;

bool pathExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0; // a dangling link is taken too: writing through it would create its target
}

} // namespace

std::string numberedName(const std::string& path, int n)
{
    if (n <= 1)
        return path;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    return stem + "-" + std::to_string(n) + extension;
}

std::string firstFreeName(const std::string& path, const std::function<bool(const std::string&)>& exists)
{
    for (int n = 1; n <= kMostTakes; ++n) {
        std::string name = numberedName(path, n);
        if (!exists(name))
            return name;
    }
    return {};
}

RecordingTakes::RecordingTakes(std::string path) : path_(std::move(path)) {}

RecordingTakes::Take RecordingTakes::next()
{
    std::lock_guard lock(m_);
    if (!ended_ && !current_.empty())
        return {current_, true};
    ended_ = false;
    current_ = path_.empty() ? std::string() : firstFreeName(path_, pathExists);
    return {current_, false};
}

std::string RecordingTakes::current()
{
    std::lock_guard lock(m_);
    return current_;
}

void RecordingTakes::setVoice(std::shared_ptr<VoiceTap> tap)
{
    std::lock_guard lock(m_);
    voice_ = std::move(tap);
}

std::shared_ptr<VoiceTap> RecordingTakes::voice()
{
    std::lock_guard lock(m_);
    return voice_;
}

void RecordingTakes::endTake()
{
    std::lock_guard lock(m_);
    ended_ = true;
}

} // namespace lirmus
