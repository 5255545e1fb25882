#include "ProfileDocument.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <unordered_map>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirmus {
namespace {

constexpr const char* kTemporaryInfix = ".tmp";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 128 && y < 128 ? std::tolower(x) != std::tolower(y) : x != y) return false;
    }
    return true;
}

std::string lowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string failure(const char* what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The rename is only durable once the folder itself reaches the disk; a folder
// that cannot be synced (some network file systems) still has the new file.
void syncFolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

ProfileDocument::Line ProfileDocument::parse(std::string raw)
{
    Line l;
    std::string t = trim(raw);
    l.raw = std::move(raw);
    if (t.empty() || t[0] == ';' || t[0] == '#') return l;
    if (t[0] == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos) return l;
        l.kind = Line::Section;
        l.name = trim(std::string_view(t).substr(1, close - 1));
        return l;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return l;
    l.kind = Line::Entry;
    l.name = trim(std::string_view(t).substr(0, eq));
    l.value = trim(std::string_view(t).substr(eq + 1));
    if (l.value.size() >= 2 && l.value.front() == '"' && l.value.back() == '"')
        l.value = l.value.substr(1, l.value.size() - 2);
    return l;
}

ProfileDocument ProfileDocument::fromText(std::string_view text)
{
    ProfileDocument doc;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            doc.crlf_ = true;
        }
        doc.lines_.push_back(parse(std::string(line)));
        at = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return doc;
}

bool ProfileDocument::load(const std::string& path, ProfileDocument* doc, std::string* error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *doc = ProfileDocument();
            return true;
        }
        if (error) *error = failure("cannot read", path);
        return false;
    }
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = failure("cannot read", path);
            ::close(fd);
            return false;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    *doc = fromText(text);
    return true;
}

bool ProfileDocument::lookup(const std::string& section, const std::string& key, std::string* value) const
{
    // Every section of that name counts: the first matching key in file order wins.
    bool inSection = false;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section) inSection = equalsNoCase(l.name, section);
        else if (inSection && l.kind == Line::Entry && equalsNoCase(l.name, key)) {
            *value = l.value;
            return true;
        }
    }
    return false;
}

std::string ProfileDocument::getString(const std::string& section, const std::string& key,
                                       const std::string& def) const
{
    std::string v;
    return lookup(section, key, &v) ? v : def;
}

int ProfileDocument::getInt(const std::string& section, const std::string& key, int def) const
{
    std::string v;
    return lookup(section, key, &v) ? leadingNumber(v) : def;
}

std::vector<std::pair<std::string, std::string>> ProfileDocument::entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> found;
    bool inSection = false;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section) inSection = equalsNoCase(l.name, section);
        else if (inSection && l.kind == Line::Entry) found.emplace_back(l.name, l.value);
    }
    return found;
}

bool ProfileDocument::set(const std::string& section, const std::string& key, const std::string& value)
{
    // A line break in a value would start a line of its own: another key, or a section.
    std::string oneLine = value;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n') c = ' ';
    std::string entry = key + "=" + oneLine;

    // Find the section and, inside it, the key or the last entry line.
    long sectionAt = -1, keyAt = -1, lastInSection = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) {
            if (sectionAt >= 0) break; // the next section begins
            if (equalsNoCase(l.name, section)) sectionAt = lastInSection = static_cast<long>(i);
        } else if (sectionAt >= 0 && l.kind == Line::Entry) {
            lastInSection = static_cast<long>(i);
            if (equalsNoCase(l.name, key)) {
                keyAt = static_cast<long>(i);
                break;
            }
        }
    }
    if (keyAt >= 0) {
        if (lines_[keyAt].raw == entry) return false;
        lines_[keyAt] = parse(std::move(entry));
    } else if (sectionAt >= 0) {
        lines_.insert(lines_.begin() + lastInSection + 1, parse(std::move(entry)));
    } else {
        if (!lines_.empty() && !trim(lines_.back().raw).empty()) lines_.push_back(parse(""));
        lines_.push_back(parse("[" + section + "]"));
        lines_.push_back(parse(std::move(entry)));
    }
    return true;
}

std::vector<std::string> ProfileDocument::setMany(const std::string& section,
                                                  const std::vector<std::pair<std::string, std::string>>& values)
{
    // The same lines set() would touch: the first section of that name, up to the next section.
    long sectionAt = -1, lastInSection = -1;
    std::unordered_map<std::string, size_t> keyAt;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) {
            if (sectionAt >= 0) break;
            if (equalsNoCase(l.name, section)) sectionAt = lastInSection = static_cast<long>(i);
        } else if (sectionAt >= 0 && l.kind == Line::Entry) {
            lastInSection = static_cast<long>(i);
            keyAt.try_emplace(lowerAscii(l.name), i);
        }
    }
    std::vector<std::string> changed;
    std::vector<Line> added;
    std::unordered_map<std::string, size_t> addedAt;
    for (const auto& [key, value] : values) {
        std::string entry = key + "=" + value;
        for (char& c : entry)
            if (c == '\r' || c == '\n') c = ' ';
        const std::string name = lowerAscii(key);
        if (const auto found = keyAt.find(name); found != keyAt.end()) {
            if (lines_[found->second].raw == entry) continue;
            lines_[found->second] = parse(std::move(entry));
        } else if (const auto again = addedAt.find(name); again != addedAt.end()) {
            added[again->second] = parse(std::move(entry)); // named twice: the last value wins, as with set()
        } else {
            addedAt.emplace(name, added.size());
            added.push_back(parse(std::move(entry)));
        }
        changed.push_back(key);
    }
    if (added.empty()) return changed;
    if (sectionAt < 0) {
        if (!lines_.empty() && !trim(lines_.back().raw).empty()) lines_.push_back(parse(""));
        lines_.push_back(parse("[" + section + "]"));
        lastInSection = static_cast<long>(lines_.size()) - 1;
    }
    lines_.insert(lines_.begin() + lastInSection + 1, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    return changed;
}

std::vector<std::string> ProfileDocument::removeEntries(const std::string& section,
                                                       const std::function<bool(const std::string&)>& drop)
{
    std::vector<std::string> removed;
    bool inSection = false;
    std::erase_if(lines_, [&](const Line& l) {
        if (l.kind == Line::Section) inSection = equalsNoCase(l.name, section);
        else if (inSection && l.kind == Line::Entry && drop(l.name)) {
            removed.push_back(l.name);
            return true;
        }
        return false;
    });
    return removed;
}

std::string ProfileDocument::text() const
{
    std::string out;
    const char* eol = crlf_ ? "\r\n" : "\n";
    for (const Line& l : lines_) {
        out += l.raw;
        out += eol;
    }
    return out;
}

int ProfileDocument::leadingNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > INT_MAX) { n = INT_MAX; break; }
    }
    return static_cast<int>(negative ? -n : n);
}

bool isReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

void removeLeftTemporaries(const std::string& path)
{
    namespace fs = std::filesystem;
    const fs::path file(path);
    const std::string prefix = file.filename().string() + kTemporaryInfix;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(file.parent_path().empty() ? "." : file.parent_path(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0 || !e.is_regular_file(ec)) continue;
        // The name holds the writer's process id: "<file>.tmp<pid>-<serial>".
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-') continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue; // its writer still runs
        fs::remove(e.path(), ec);
    }
}

bool writeFileAtomically(const std::string& path, const std::string& text, std::string* error)
{
    // The rename would replace a file its user made read-only: respect the mode instead.
    if (isReadOnlyFile(path)) {
        errno = EACCES;
        if (error) *error = failure("cannot write", path);
        return false;
    }
    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    // Unique per write, so two writers in one process never share a temporary file.
    static std::atomic<unsigned> serial{0};
    const std::string tmp = path + kTemporaryInfix + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = failure("cannot write", path);
        return false;
    }
    // The new file keeps the permissions the user gave the old one.
    if (existed) ::fchmod(fd, old.st_mode & 07777);
    // A full disk may only show at fsync or close: the old file must then stay.
    if (!writeAll(fd, text) || ::fsync(fd) != 0) {
        if (error) *error = failure("cannot write", path);
        ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        if (error) *error = failure("cannot write", path);
        ::unlink(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        if (error) *error = failure("cannot replace", path);
        ::unlink(tmp.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace lirmus
