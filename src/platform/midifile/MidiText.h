#pragma once
// Decoding of the texts found in MIDI files. Old karaoke files use the
// Windows code page of their author, new ones UTF-8; valid UTF-8 is rarely an
// accident, so it wins, and everything else is read as Windows-1252.
#include <cstddef>
#include <string>

namespace lirmus::smf {

/// True when the bytes form valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool isValidUtf8(const char* s, size_t n);

/// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
/// (81, 8D, 8F, 90, 9D) map to the same code points, as web browsers do.
std::string decodeWindows1252(const char* s, size_t n);

} // namespace lirmus::smf
