#pragma once
// Paths the end-to-end tests need.
#include "SmfWriter.h"

#include <filesystem>

#include <string>

namespace lirmus::test {

/// The folder of the shared real songs ending in '/', "" when absent.
inline std::string songsDir() { return sharedTestData(); }

} // namespace lirmus::test
