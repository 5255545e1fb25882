#pragma once
// The system-information tool the about box can start.
#include <string>

namespace lirmus {

/// The first of the well-known system-information programs found on the
/// colon-separated search path, as a full path; "" when none is there.
std::string findSystemInfoProgram(const std::string& searchPath);

} // namespace lirmus
