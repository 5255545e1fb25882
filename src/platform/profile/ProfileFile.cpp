#include "ProfileFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace lirmus {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
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

// One physical line of the file, split into what matters for lookups.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // entry value, trimmed
};

Line parse(const std::string& raw)
{
    Line l;
    std::string t = trim(raw);
    if (t.empty() || t[0] == ';' || t[0] == '#') return l;
    if (t[0] == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos) return l;
        l.kind = Line::Section;
        l.name = trim(t.substr(1, close - 1));
        return l;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return l;
    l.kind = Line::Entry;
    l.name = trim(t.substr(0, eq));
    l.value = trim(t.substr(eq + 1));
    if (l.value.size() >= 2 && l.value.front() == '"' && l.value.back() == '"')
        l.value = l.value.substr(1, l.value.size() - 2);
    return l;
}

// The whole file as lines; a binary or unreadable file simply yields what it yields.
std::vector<std::string> readLines(const std::string& path, bool* crlf = nullptr)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    std::string line;
    bool sawCr = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            sawCr = true;
        }
        lines.push_back(line);
    }
    if (crlf) *crlf = sawCr;
    return lines;
}

bool lookup(const std::string& path, const std::string& section, const std::string& key, std::string* out)
{
    bool inSection = false;
    for (const std::string& raw : readLines(path)) {
        Line l = parse(raw);
        if (l.kind == Line::Section) inSection = equalsNoCase(l.name, section);
        else if (inSection && l.kind == Line::Entry && equalsNoCase(l.name, key)) {
            *out = l.value;
            return true;
        }
    }
    return false;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::getString(const std::string& section, const std::string& key,
                                   const std::string& def) const
{
    std::string v;
    return lookup(path_, section, key, &v) ? v : def;
}

int ProfileFile::leadingNumber(const std::string& text)
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

int ProfileFile::getInt(const std::string& section, const std::string& key, int def) const
{
    std::string v;
    if (!lookup(path_, section, key, &v)) return def;
    return leadingNumber(v);
}

bool ProfileFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    lastError_.clear();
    bool crlf = false;
    std::vector<std::string> lines = readLines(path_, &crlf);
    const std::string entry = key + "=" + value;

    // Find the section and, inside it, the key or the last entry line.
    long sectionAt = -1, keyAt = -1, lastInSection = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        Line l = parse(lines[i]);
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
    if (keyAt >= 0) lines[keyAt] = entry;
    else if (sectionAt >= 0) lines.insert(lines.begin() + lastInSection + 1, entry);
    else {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.push_back("");
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }

    std::string text;
    const char* eol = crlf ? "\r\n" : "\n";
    for (const std::string& l : lines) text += l + eol;

    // Write beside the target, flush to disk, then rename over it.
    std::string tmp = path_ + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        lastError_ = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            lastError_ = "cannot write " + path_ + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
        lastError_ = "cannot replace " + path_ + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool ProfileFile::writeInt(const std::string& section, const std::string& key, long long value)
{
    return writeString(section, key, std::to_string(value));
}

bool ProfileFile::writeBool(const std::string& section, const std::string& key, bool value)
{
    return writeString(section, key, value ? "-1" : "0");
}

} // namespace lirmus
