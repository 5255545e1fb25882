#pragma once
// The text encoding of a song. Old karaoke files carry the code page of the
// computer they were written on (Windows-1251 in Russia, Shift-JIS in Japan...),
// and nothing in the file says which. The song's texts are taken together and
// handed to uchardet once; when it is sure, every text is decoded with what it
// found, otherwise the old rule holds: UTF-8 when valid, else Windows-1252.
#include "SmfData.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lirmus::smf {

/// The setting value that lets the reader detect the encoding.
inline constexpr std::string_view kAutoEncoding = "auto";
/// Name of the fallback rule: UTF-8 when a text is valid UTF-8, else Windows-1252.
inline constexpr std::string_view kWindows1252 = "WINDOWS-1252";
inline constexpr std::string_view kUtf8 = "UTF-8";

/// Decodes texts of one encoding to UTF-8. Made once per song: opening a
/// converter costs far more than a syllable's worth of decoding.
class TextDecoder {
public:
    /// name: kWindows1252 (the fallback rule), kUtf8, or any name Qt or iconv know;
    /// strict: decode even valid UTF-8 texts with name (a forced setting).
    explicit TextDecoder(std::string_view name, bool strict = false);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    /// False when neither Qt nor iconv know the name.
    bool isValid() const;
    /// The encoding's name as given.
    const std::string& name() const;

    /// Appends the UTF-8 form of the bytes to out. Bytes the encoding has no
    /// character for become U+FFFD; false when there were any.
    bool decode(const char* s, size_t n, std::string& out) const;
    std::string decode(std::string_view bytes) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

/// What uchardet makes of a sample of texts holding highBytes bytes of 0x80 or
/// more: an encoding name, or "" when it is unsure (too little to go on, no
/// answer, or a Latin code page guessed from a few accented letters).
std::string detectEncoding(std::string_view sample, size_t highBytes);

/// Chooses the song's encoding from setting ("auto" or an encoding name; an
/// unknown name counts as "auto") and decodes every text meta event of d with
/// it into d.texts / d.decoded. Returns the decoder used, also for the texts
/// of system-exclusive messages.
std::unique_ptr<TextDecoder> decodeTexts(SmfData& d, std::string_view setting);

/// The encodings offered for the setting, after "auto".
const std::vector<std::string>& offeredEncodings();

} // namespace lirmus::smf
