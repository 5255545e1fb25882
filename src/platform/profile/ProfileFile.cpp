#include "ProfileFile.h"

#include "ProfileDocument.h"

namespace lirmus {
namespace {

// Reads never fail: an unreadable file reads like a missing one.
ProfileDocument current(const std::string& path)
{
    ProfileDocument doc;
    ProfileDocument::load(path, &doc, nullptr);
    return doc;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::getString(const std::string& section, const std::string& key,
                                   const std::string& def) const
{
    return current(path_).getString(section, key, def);
}

int ProfileFile::leadingNumber(const std::string& text) { return ProfileDocument::leadingNumber(text); }

int ProfileFile::getInt(const std::string& section, const std::string& key, int def) const
{
    return current(path_).getInt(section, key, def);
}

bool ProfileFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    lastError_.clear();
    // A file that exists but cannot be read is not replaced by one holding a single key.
    ProfileDocument doc;
    if (!ProfileDocument::load(path_, &doc, &lastError_)) return false;
    doc.set(section, key, value);
    return writeFileAtomically(path_, doc.text(), &lastError_);
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
