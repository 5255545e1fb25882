#pragma once
// Names the WAV files a recording goes to. A take runs from a song's start to
// its end: every start of the output before endTake() continues the current
// take, in the same file; the first start after it begins a new take in a file
// that does not exist yet. No take ever goes over an existing file.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace lirmus {

class VoiceTap;

/// "name.wav" numbered n: "name-2.wav" ("name" when n is 1; the extension of the file name alone is kept).
std::string numberedName(const std::string& path, int n);
/// The first of path, numberedName(path, 2), 3, ... that exists() denies; "" when none of 100,000 is free.
std::string firstFreeName(const std::string& path, const std::function<bool(const std::string&)>& exists);

class RecordingTakes {
public:
    /// path: where the first take goes when it is free ("" records nothing).
    explicit RecordingTakes(std::string path);

    struct Take {
        std::string path;    ///< the file to write ("" when no name is free)
        bool continues;      ///< append to it: the take goes on
    };
    /// The file for the output about to start. Any thread.
    Take next();
    /// The song has ended: the next start begins a new take. Any thread.
    void endTake();
    /// The current take's file ("" before the first take).
    std::string current();
    /// The takes begun from now on mix in the voice of tap (nullptr: none). Any thread.
    void setVoice(std::shared_ptr<VoiceTap> tap);
    /// The voice mixed into the takes (nullptr: none). Any thread.
    std::shared_ptr<VoiceTap> voice();
    /// The name asked for.
    const std::string& path() const { return path_; }

private:
    const std::string path_;
    std::mutex m_;
    std::string current_; // the current take's file, "" before the first
    bool ended_ = true;
    std::shared_ptr<VoiceTap> voice_;
};

} // namespace lirmus
