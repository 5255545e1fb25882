#pragma once
// A settings file in the classic "profile" format:
//
//   ; comment
//   [Section]
//   Key=Value
//
// Section and key names match without regard to case. Reads never fail: a
// missing file, section or key gives the caller's default. A write changes
// one key in place and keeps every other line (comments, order, unknown keys),
// and replaces the file atomically, so a crash never leaves it half written.
//
// Every call reads the file anew: fine for a one-off look. The program's own
// settings go through SettingsService, which holds the file in memory.
#include <string>

namespace lirmus {

class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    /// The path this profile reads and writes.
    const std::string& path() const { return path_; }

    /// The value of [section] key, trimmed and unquoted; def when missing.
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& def = std::string()) const;

    /// The number in [section] key read like the classic profile functions:
    /// def when missing, else its leading optional sign and digits, 0 when none.
    int getInt(const std::string& section, const std::string& key, int def) const;

    /// Sets [section] key = value; false (see lastError()) when the file cannot be written.
    bool writeString(const std::string& section, const std::string& key, const std::string& value);

    /// Writes a number as decimal text.
    bool writeInt(const std::string& section, const std::string& key, long long value);

    /// Writes a boolean the way the program always has: "-1" for true, "0" for false.
    bool writeBool(const std::string& section, const std::string& key, bool value);

    /// The reason of the last failed write, "" when none failed.
    const std::string& lastError() const { return lastError_; }

    /// The leading-number rule of getInt applied to a text (exposed for the option readers).
    static int leadingNumber(const std::string& text);

private:
    std::string path_;
    std::string lastError_;
};

} // namespace lirmus
