#pragma once
// A profile file held in memory: every line kept as written, so an edit
// changes one key in place and the text written back keeps comments, order,
// unknown keys and the line ends (CRLF or LF) of the file it came from.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lirmus {

class ProfileDocument {
public:
    /// The document of a profile text; anything that is not a section or an entry is kept as it is.
    static ProfileDocument fromText(std::string_view text);

    /// Reads path into *doc; a missing file gives an empty document. False (reason in *error)
    /// when the file exists but cannot be read, so a writer never replaces what it could not see.
    static bool load(const std::string& path, ProfileDocument* doc, std::string* error);

    /// The value of [section] key, trimmed and unquoted; false when missing.
    bool lookup(const std::string& section, const std::string& key, std::string* value) const;

    /// The value of [section] key; def when missing.
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& def = std::string()) const;

    /// The leading number of [section] key; def when missing.
    int getInt(const std::string& section, const std::string& key, int def) const;

    /// Sets [section] key = value in place (a new key joins the end of its section, a new
    /// section the end of the file); true when the text changed. Line breaks in value become spaces.
    bool set(const std::string& section, const std::string& key, const std::string& value);

    /// Every entry of [section] (of every section of that name) in file order: one pass for a whole list.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;

    /// set() for many keys of one section in one pass over the document (a long list stays
    /// fast); returns the keys whose text changed, in the order given.
    std::vector<std::string> setMany(const std::string& section,
                                     const std::vector<std::pair<std::string, std::string>>& values);

    /// Removes every entry of [section] (of every section of that name) whose key drop() accepts;
    /// returns the keys removed, in file order.
    std::vector<std::string> removeEntries(const std::string& section,
                                           const std::function<bool(const std::string&)>& drop);

    /// The whole document as file text, every line ended like the file it came from.
    std::string text() const;

    /// The classic profile number rule: optional blanks and sign, then digits; 0 when none, saturating.
    static int leadingNumber(std::string_view text);

private:
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        std::string raw;    // the line as written, without its line end
        std::string name;   // section or key name, trimmed
        std::string value;  // entry value, trimmed and unquoted
    };
    static Line parse(std::string raw);

    std::vector<Line> lines_;
    bool crlf_ = false;
};

/// Replaces path with text atomically: a temporary file beside it, written, synced,
/// then renamed over it, keeping the file's permissions. False (reason in *error) when any
/// step fails or the file is read-only; the old file stays as it was.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string* error);

/// True when path exists and is not to be written: its user cannot write it, or no one may
/// (no write permission bit at all, which holds even for the superuser, who ignores the bits).
bool isReadOnlyFile(const std::string& path);

/// Removes the temporary files writeFileAtomically left beside path when its process was
/// killed mid-save (those of processes still running are left alone).
void removeLeftTemporaries(const std::string& path);

} // namespace lirmus
