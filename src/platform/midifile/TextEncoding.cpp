#include "TextEncoding.h"

#include "MidiText.h"

#include <QStringDecoder>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace lirmus::smf {
namespace {

/// Fewer high bytes than this in a whole song is too little to tell code pages apart.
constexpr size_t kMinHighBytes = 16;
/// Latin code pages differ in a few letters only: a guess among them needs more.
constexpr size_t kMinHighBytesLatin = 64;
/// uchardet has made up its mind long before this much text.
constexpr size_t kMaxSample = 64 * 1024;

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool isLatinCodePage(std::string_view name)
{
    static constexpr std::string_view latin[] = {
        "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-9", "ISO-8859-10",
        "ISO-8859-13", "ISO-8859-14", "ISO-8859-15", "ISO-8859-16", "WINDOWS-1250", "WINDOWS-1252",
        "WINDOWS-1254", "WINDOWS-1257", "WINDOWS-1258", "MAC-CENTRALEUROPE", "IBM852", "IBM865", "VISCII"};
    return std::any_of(std::begin(latin), std::end(latin), [&](std::string_view l) { return sameName(l, name); });
}

size_t countHighBytes(const char* s, size_t n)
{
    return size_t(std::count_if(s, s + n, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

bool isTextMetaEvent(const SmfEvent& e)
{
    return (e.kind & kKindMask) == kMeta && e.data1 >= 1 && e.data1 <= 15;
}

} // namespace

struct TextDecoder::Impl {
    enum class Kind { Utf8OrWindows1252, Utf8, Windows1252, Qt, Iconv, None };
    std::string name;
    Kind kind = Kind::None;
    bool strict = false;
    mutable QStringDecoder qt;
    iconv_t cd = iconv_t(-1);

    bool qtDecode(const char* s, size_t n, std::string& out) const
    {
        const QString text = qt.decode(QByteArrayView(s, qsizetype(n)));
        out += text.toStdString();
        // Some converters drop bytes they cannot read and only say so here; the mark stays set.
        const bool clean = !qt.hasError() && !text.contains(QChar::ReplacementCharacter);
        if (qt.hasError()) qt = QStringDecoder(name.c_str(), QStringConverter::Flag::Stateless);
        return clean;
    }

    bool iconvDecode(const char* s, size_t n, std::string& out) const
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        bool clean = true;
        char* in = const_cast<char*>(s);
        size_t inLeft = n;
        const size_t start = out.size();
        out.resize(start + n * 4 + 16);
        char* dst = out.data() + start;
        size_t outLeft = out.size() - start;
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1)) break;
            if (errno == E2BIG) {
                const size_t used = size_t(dst - out.data());
                out.resize(out.size() * 2);
                dst = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            // A byte the encoding has no character for, or a cut-off sequence.
            clean = false;
            if (outLeft < 3) break;
            std::memcpy(dst, "\xEF\xBF\xBD", 3);
            dst += 3;
            outLeft -= 3;
            ++in;
            --inLeft;
        }
        out.resize(size_t(dst - out.data()));
        return clean;
    }
};

TextDecoder::TextDecoder(std::string_view name, bool strict) : d(std::make_unique<Impl>())
{
    using Kind = Impl::Kind;
    d->name = std::string(name);
    d->strict = strict;
    if (sameName(name, kWindows1252)) {
        d->kind = strict ? Kind::Windows1252 : Kind::Utf8OrWindows1252;
        return;
    }
    if (sameName(name, kUtf8)) {
        d->kind = strict ? Kind::Utf8 : Kind::Utf8OrWindows1252;
        return;
    }
    d->qt = QStringDecoder(d->name.c_str(), QStringConverter::Flag::Stateless);
    if (d->qt.isValid()) {
        d->kind = Kind::Qt;
        return;
    }
    // Qt built without ICU knows only the Unicode forms: glibc knows the code pages.
    d->cd = iconv_open("UTF-8", d->name.c_str());
    if (d->cd != iconv_t(-1)) d->kind = Kind::Iconv;
}

TextDecoder::~TextDecoder()
{
    if (d->cd != iconv_t(-1)) iconv_close(d->cd);
}

bool TextDecoder::isValid() const { return d->kind != Impl::Kind::None; }
const std::string& TextDecoder::name() const { return d->name; }

bool TextDecoder::decode(const char* s, size_t n, std::string& out) const
{
    using Kind = Impl::Kind;
    switch (d->kind) {
    case Kind::Utf8:
        if (isValidUtf8(s, n)) {
            out.append(s, n);
            return true;
        }
        out += QString::fromUtf8(s, qsizetype(n)).toStdString();
        return false;
    case Kind::Qt:
        return d->qtDecode(s, n, out);
    case Kind::Iconv:
        return d->iconvDecode(s, n, out);
    case Kind::Utf8OrWindows1252:
        if (isValidUtf8(s, n)) {
            out.append(s, n);
            return true;
        }
        [[fallthrough]];
    case Kind::Windows1252:
    case Kind::None:
        out += decodeWindows1252(s, n);
        return true;
    }
    return true;
}

std::string TextDecoder::decode(std::string_view bytes) const
{
    std::string out;
    decode(bytes.data(), bytes.size(), out);
    return out;
}

std::string detectEncoding(std::string_view sample, size_t highBytes)
{
    if (highBytes < kMinHighBytes) return {};
    uchardet_t detector = uchardet_new();
    if (!detector) return {};
    std::string found;
    if (uchardet_handle_data(detector, sample.data(), std::min(sample.size(), kMaxSample)) == 0) {
        uchardet_data_end(detector);
        if (const char* name = uchardet_get_charset(detector)) found = name;
    }
    uchardet_delete(detector);
    if (found.empty() || sameName(found, "ASCII") || sameName(found, kUtf8)) return {};
    if (isLatinCodePage(found) && highBytes < kMinHighBytesLatin) return {};
    // Latin-1 in a Windows file means Windows-1252, which the fallback reads anyway.
    if (sameName(found, "ISO-8859-1") || sameName(found, kWindows1252)) return {};
    // Karaoke files come from Windows: its code page holds the ISO one's letters and a few more.
    static constexpr std::pair<std::string_view, std::string_view> windowsForm[] = {
        {"ISO-8859-7", "WINDOWS-1253"}, {"ISO-8859-8", "WINDOWS-1255"}, {"TIS-620", "WINDOWS-874"}};
    for (const auto& [iso, windows] : windowsForm)
        if (sameName(found, iso)) return std::string(windows);
    return found;
}

std::unique_ptr<TextDecoder> decodeTexts(SmfData& d, std::string_view setting)
{
    // The texts that need a decision: those with bytes beyond ASCII.
    std::vector<std::pair<uint32_t, Span>> texts;
    std::string sample;
    size_t highBytes = 0;
    bool allUtf8 = true;
    for (uint32_t i = 0; i < d.events.size(); ++i) {
        // System-exclusive texts are left out: their data bytes are 7-bit on the wire.
        const SmfEvent& e = d.events[i];
        if (!isTextMetaEvent(e)) continue;
        const Span s = eventData(d, e);
        const char* p = d.bytes.data() + s.offset;
        const size_t high = countHighBytes(p, s.length);
        if (high == 0) continue;
        texts.push_back({i, s});
        highBytes += high;
        allUtf8 = allUtf8 && isValidUtf8(p, s.length);
        if (sample.size() < kMaxSample) {
            sample.append(p, s.length);
            sample += '\n';
        }
    }

    std::unique_ptr<TextDecoder> decoder;
    if (!setting.empty() && !sameName(setting, kAutoEncoding)) {
        decoder = std::make_unique<TextDecoder>(setting, true);
        if (!decoder->isValid()) decoder.reset();
    }
    const bool forced = decoder != nullptr;
    if (!decoder && !allUtf8) {
        const std::string found = detectEncoding(sample, highBytes);
        if (!found.empty()) decoder = std::make_unique<TextDecoder>(found, true);
    }

    auto decodeAll = [&](const TextDecoder& with) {
        d.texts.clear();
        d.decoded.clear();
        for (SmfEvent& e : d.events) e.kind &= uint8_t(~kDecodedText);
        bool clean = true;
        for (const auto& [event, span] : texts) {
            const char* p = d.bytes.data() + span.offset;
            const size_t at = d.texts.size();
            clean = with.decode(p, span.length, d.texts) && clean;
            const size_t length = d.texts.size() - at;
            if (length == span.length && d.texts.compare(at, length, p, span.length) == 0) {
                d.texts.resize(at); // the same bytes: read in place
                continue;
            }
            d.decoded.push_back({event, uint32_t(at), uint32_t(length)});
            d.events[event].kind |= kDecodedText;
        }
        return clean;
    };

    // A detected encoding that cannot read every text was a wrong guess; a forced one stays.
    if (decoder && (decodeAll(*decoder) || forced)) return decoder;
    decoder = std::make_unique<TextDecoder>(allUtf8 ? kUtf8 : kWindows1252);
    decodeAll(*decoder);
    return decoder;
}

const std::vector<std::string>& offeredEncodings()
{
    static const std::vector<std::string> names = {
        "UTF-8",       "WINDOWS-1252", "WINDOWS-1250", "WINDOWS-1251", "KOI8-R",      "KOI8-U",
        "IBM866",      "WINDOWS-1253", "ISO-8859-7",   "WINDOWS-1254", "WINDOWS-1255", "ISO-8859-8",
        "WINDOWS-1256", "WINDOWS-1257", "WINDOWS-1258", "TIS-620",     "WINDOWS-874", "SHIFT_JIS",
        "EUC-JP",      "GBK",          "GB18030",      "BIG5",         "EUC-KR",      "ISO-8859-2",
        "ISO-8859-5",  "ISO-8859-15"};
    return names;
}

} // namespace lirmus::smf
