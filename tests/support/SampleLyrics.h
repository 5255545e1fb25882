#pragma once
// Song lines in many scripts and a karaoke song made of them in any legacy
// encoding, for the encoding tests and the detection benchmark.
#include <string>
#include <vector>

namespace lirmus::test {

struct SampleLyrics {
    const char* what;
    const char* encoding;            ///< iconv's name of the code page the song is written in
    std::vector<std::string> lines;  ///< UTF-8
};

/// Russian (Windows-1251 and KOI8-R), Greek, Hebrew, Thai, Japanese (Shift-JIS), Chinese (GBK).
const std::vector<SampleLyrics>& sampleLyrics();

/// Bytes from one encoding to another by glibc's iconv; "" when it cannot.
std::string convertText(const std::string& bytes, const char* from, const char* to);

/// A karaoke song: track 1 "Words" with the title ("@T", when given) and each
/// line cut into syllables of three characters, a new line marked with "/",
/// one lyric event and one melody note per syllable, all texts in encoding;
/// the lines are sung `repeats` times.
std::string karaokeSong(const std::vector<std::string>& lines, const char* encoding, const std::string& title = {},
                        int repeats = 1);

} // namespace lirmus::test
