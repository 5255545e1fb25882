#include "MidiText.h"

#include "Midifile.h"

namespace lirmus::smf {

namespace {

// Windows-1252 0x80..0x9F; the undefined ones keep their own code point.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

bool isValidUtf8(const char* s, size_t n)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;      // overlong
            if (c == 0xED) hi = 0x9F;      // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;      // overlong
            if (c == 0xF4) hi = 0x8F;      // above U+10FFFF
        } else {
            return false;
        }
        if (n - i < len) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (size_t k = 2; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

std::string decodeWindows1252(const char* s, size_t n)
{
    std::string out;
    out.reserve(n + n / 2);
    for (size_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        appendUtf8(out, c >= 0x80 && c < 0xA0 ? char32_t(kHigh1252[c - 0x80]) : char32_t(c));
    }
    return out;
}

} // namespace lirmus::smf

namespace lirmus {

std::string decodeMidiText(const std::string& bytes)
{
    if (smf::isValidUtf8(bytes.data(), bytes.size())) return bytes;
    return smf::decodeWindows1252(bytes.data(), bytes.size());
}

} // namespace lirmus
