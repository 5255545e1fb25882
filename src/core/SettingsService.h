#pragma once
// LIRMUS.INI held in memory. The file is read once; reads come from memory;
// a write changes memory at once, tells the listeners and leaves the disk to
// a writer thread that saves the latest document at most once per write
// delay, so a slider drag costs a handful of file writes and the GUI thread
// never waits for the disk. flush() and the destructor save what is pending.
//
// Everything but the writer thread runs on the GUI thread.
#include "ProfileDocument.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QObject;

namespace lirmus {

class SettingsService {
public:
    using Listener = std::function<void(const std::string& section, const std::string& key)>;
    using ErrorHandler = std::function<void(const std::string& message)>;

    /// How long the writer waits after a change before saving, gathering the changes that follow.
    static constexpr std::chrono::milliseconds kDefaultWriteDelay{200};

    /// Reads the file at path once (a missing file is an empty document) and starts the writer.
    /// Temporary files a killed save left are removed. A file that cannot be read or that is
    /// read-only is never written; lastError() says so from the start.
    explicit SettingsService(std::string path, std::chrono::milliseconds writeDelay = kDefaultWriteDelay);

    /// Saves what is pending (a failure goes to stderr: no window is left to show it) and stops the writer.
    ~SettingsService();

    SettingsService(const SettingsService&) = delete;
    SettingsService& operator=(const SettingsService&) = delete;

    /// The settings file.
    const std::string& path() const { return path_; }

    /// The value of [section] key, trimmed and unquoted; def when missing.
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& def = std::string()) const;

    /// The leading number of [section] key (0 when it has none); def when missing.
    int getInt(const std::string& section, const std::string& key, int def) const;

    /// True when [section] key holds a number other than 0; def when missing.
    bool getBool(const std::string& section, const std::string& key, bool def) const;

    /// Every key of [section] with its value, in file order (one pass for a long list).
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;

    /// Sets [section] key in memory, tells the listeners when it changed and schedules the save.
    void setString(const std::string& section, const std::string& key, const std::string& value);

    /// setString() for many keys of one section at once, in one pass over the document.
    void setStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values);

    /// Removes the keys of section that drop() accepts; listeners hear of each.
    void removeKeys(const std::string& section, const std::function<bool(const std::string&)>& drop);

    /// Sets [section] key to a number written as decimal text.
    void setInt(const std::string& section, const std::string& key, long long value);

    /// Sets [section] key to a boolean written as "-1" (true) or "0" (false).
    void setBool(const std::string& section, const std::string& key, bool value);

    /// Sets [section] key in memory and schedules the save without telling anyone; true when it changed.
    bool store(const std::string& section, const std::string& key, const std::string& value);

    /// Tells every listener, in the order they were added, that [section] key changed.
    void notify(const std::string& section, const std::string& key);

    /// Adds a listener told of every changed key (named as its writer spelled it); returns an id for unlisten().
    int listen(Listener listener);

    /// Removes a listener; it is not called again, even by a notification under way.
    void unlisten(int id);

    /// Saves the pending changes now and waits for the disk; false (see lastError()) when that failed.
    bool flush();

    /// Why the last save failed; "" when the last save succeeded or none was needed.
    std::string lastError() const;

    /// Called on the GUI thread when a save fails (background saves through the Qt event loop).
    void setErrorHandler(ErrorHandler handler);

    /// Test hook: how many times the file has been written.
    int fileWrites() const;

private:
    /// After keys of section changed in memory: wakes the writer, then tells the listeners.
    void announce(const std::string& section, const std::vector<std::string>& keys);
    void writerLoop();
    bool save(bool* newFailure);
    void reportFromWriter(const std::string& message);

    const std::string path_;
    const std::chrono::milliseconds writeDelay_;

    // The document is changed only on the GUI thread, under mutex_; the
    // writer only reads it, under mutex_, to take the text it saves.
    ProfileDocument doc_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    unsigned long version_ = 0;      // bumped by every change
    unsigned long savedVersion_ = 0; // the version on disk
    unsigned long failedVersion_ = 0; // the writer does not retry a version that failed
    bool stopping_ = false;
    std::string lastError_;
    std::string loadError_;          // an unreadable file is never overwritten
    int fileWrites_ = 0;

    std::mutex saveMutex_;           // one save at a time: writer or flush()
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListenerId_ = 1;
    ErrorHandler errorHandler_;
    std::unique_ptr<QObject> guiContext_; // delivers writer errors on the GUI thread
    std::thread writer_;
};

} // namespace lirmus
