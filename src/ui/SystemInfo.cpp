#include "SystemInfo.h"

#include <sstream>

#include <unistd.h>

namespace lirmus {

std::string findSystemInfoProgram(const std::string& searchPath)
{
    static const char* const kPrograms[] = {"hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk", "xfce4-about"};
    for (const char* program : kPrograms) {
        std::stringstream dirs(searchPath);
        std::string dir;
        while (std::getline(dirs, dir, ':')) {
            if (dir.empty()) continue;
            std::string candidate = dir + (dir.back() == '/' ? "" : "/") + program;
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
    }
    return {};
}

} // namespace lirmus
