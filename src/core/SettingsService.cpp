#include "SettingsService.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <cstdio>

namespace lirmus {

SettingsService::SettingsService(std::string path, std::chrono::milliseconds writeDelay)
    : path_(std::move(path)), writeDelay_(writeDelay), guiContext_(std::make_unique<QObject>())
{
    removeLeftTemporaries(path_);
    if (!ProfileDocument::load(path_, &doc_, &loadError_)) {
        loadError_ += "; the settings file is left as it is";
        lastError_ = loadError_;
    } else if (isReadOnlyFile(path_)) {
        loadError_ = path_ + " is read-only: settings changed now will not be saved";
        lastError_ = loadError_;
    }
    writer_ = std::thread([this] { writerLoop(); });
}

SettingsService::~SettingsService()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    bool newFailure = false;
    if (!save(&newFailure)) std::fprintf(stderr, "lirmus: settings not saved: %s\n", lastError().c_str());
}

std::string SettingsService::getString(const std::string& section, const std::string& key,
                                       const std::string& def) const
{
    std::lock_guard lock(mutex_);
    return doc_.getString(section, key, def);
}

std::vector<std::pair<std::string, std::string>> SettingsService::entries(const std::string& section) const
{
    std::lock_guard lock(mutex_);
    return doc_.entries(section);
}

int SettingsService::getInt(const std::string& section, const std::string& key, int def) const
{
    std::lock_guard lock(mutex_);
    return doc_.getInt(section, key, def);
}

bool SettingsService::getBool(const std::string& section, const std::string& key, bool def) const
{
    return getInt(section, key, def ? -1 : 0) != 0;
}

bool SettingsService::store(const std::string& section, const std::string& key, const std::string& value)
{
    {
        std::lock_guard lock(mutex_);
        if (!doc_.set(section, key, value)) return false;
        ++version_;
    }
    wake_.notify_all();
    return true;
}

void SettingsService::notify(const std::string& section, const std::string& key)
{
    // A listener may add or remove listeners; the ones removed meanwhile are skipped.
    const auto snapshot = listeners_;
    for (const auto& [id, listener] : snapshot) {
        const bool present = std::any_of(listeners_.begin(), listeners_.end(),
                                         [id = id](const auto& l) { return l.first == id; });
        if (present) listener(section, key);
    }
}

void SettingsService::setString(const std::string& section, const std::string& key, const std::string& value)
{
    if (store(section, key, value)) notify(section, key);
}

void SettingsService::setStrings(const std::string& section,
                                 const std::vector<std::pair<std::string, std::string>>& values)
{
    std::vector<std::string> changed;
    {
        std::lock_guard lock(mutex_);
        changed = doc_.setMany(section, values);
        if (changed.empty()) return;
        ++version_;
    }
    announce(section, changed);
}

void SettingsService::removeKeys(const std::string& section, const std::function<bool(const std::string&)>& drop)
{
    std::vector<std::string> removed;
    {
        std::lock_guard lock(mutex_);
        removed = doc_.removeEntries(section, drop);
        if (removed.empty()) return;
        ++version_;
    }
    announce(section, removed);
}

void SettingsService::announce(const std::string& section, const std::vector<std::string>& keys)
{
    wake_.notify_all();
    for (const std::string& key : keys) notify(section, key);
}

void SettingsService::setInt(const std::string& section, const std::string& key, long long value)
{
    setString(section, key, std::to_string(value));
}

void SettingsService::setBool(const std::string& section, const std::string& key, bool value)
{
    setString(section, key, value ? "-1" : "0");
}

int SettingsService::listen(Listener listener)
{
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void SettingsService::unlisten(int id)
{
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

bool SettingsService::flush()
{
    bool newFailure = false;
    const bool ok = save(&newFailure);
    if (newFailure && errorHandler_) errorHandler_(lastError());
    return ok;
}

std::string SettingsService::lastError() const
{
    std::lock_guard lock(mutex_);
    return lastError_;
}

void SettingsService::setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

int SettingsService::fileWrites() const
{
    std::lock_guard lock(mutex_);
    return fileWrites_;
}

bool SettingsService::save(bool* newFailure)
{
    std::lock_guard one(saveMutex_);
    std::string text;
    unsigned long version = 0;
    {
        std::lock_guard lock(mutex_);
        if (savedVersion_ == version_) return true;
        version = version_;
        text = doc_.text();
    }
    // The disk is touched outside mutex_: the GUI thread keeps reading and writing meanwhile.
    std::string error = loadError_;
    const bool ok = error.empty() && writeFileAtomically(path_, text, &error);

    std::lock_guard lock(mutex_);
    if (loadError_.empty()) ++fileWrites_;
    if (ok) {
        savedVersion_ = version;
        lastError_.clear();
        return true;
    }
    // Reported once when saving starts to fail, not at every retry; a file that could not be
    // read or written from the start was told then (lastError() at start-up).
    *newFailure = error != loadError_ && (lastError_ != error || failedVersion_ == 0);
    failedVersion_ = version;
    lastError_ = error;
    return false;
}

void SettingsService::writerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        // A version that failed is tried again only after the next change (or by flush()).
        wake_.wait(lock, [this] { return stopping_ || (version_ != savedVersion_ && version_ != failedVersion_); });
        if (stopping_) return;
        // Let the changes that follow join this save.
        wake_.wait_for(lock, writeDelay_, [this] { return stopping_; });
        if (stopping_) return; // the destructor saves
        lock.unlock();
        bool newFailure = false;
        if (!save(&newFailure) && newFailure) reportFromWriter(lastError());
        lock.lock();
    }
}

void SettingsService::reportFromWriter(const std::string& message)
{
    if (!QCoreApplication::instance()) {
        std::fprintf(stderr, "lirmus: settings not saved: %s\n", message.c_str());
        return;
    }
    // Pending calls die with guiContext_, so none reaches a destroyed service.
    QMetaObject::invokeMethod(
        guiContext_.get(), [this, message] { if (errorHandler_) errorHandler_(message); }, Qt::QueuedConnection);
}

} // namespace lirmus
