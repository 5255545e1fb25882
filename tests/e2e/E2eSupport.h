#pragma once
// Paths the end-to-end tests need. The ctest environment may not reach the
// tests, so the configured folders are compiled in as a fallback.
#include "SmfWriter.h"

#include <filesystem>
#include <string>

namespace lirmus::test {

/// The folder of the shared real songs ending in '/', "" when absent.
inline std::string songsDir()
{
    std::string dir = sharedTestData();
    if (dir.empty() && std::filesystem::is_directory(LIRMUS_E2E_TESTDATA)) dir = std::string(LIRMUS_E2E_TESTDATA) + "/";
    return dir;
}

/// The build folder, where the programs are.
inline std::string buildDir()
{
    const char* env = std::getenv("LIRMUS_BUILD_DIR");
    return std::string(env && *env ? env : LIRMUS_E2E_BUILD_DIR) + "/";
}

} // namespace lirmus::test
