#include "MidiBytes.h"

#include "MidiMessage.h"

#include <cstring>

namespace lirmus {

MidiBytes::MidiBytes(std::string_view bytes)
{
    if (bytes.size() <= sizeof inline_) {
        if (!bytes.empty()) // an empty view may have no data at all
            std::memcpy(inline_, bytes.data(), bytes.size());
        size_ = uint8_t(bytes.size());
    } else {
        long_ = std::make_shared<const std::string>(bytes);
    }
}

bool isWholeMessage(std::string_view bytes)
{
    if (bytes.empty())
        return true;
    const auto at = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0; };
    std::string encoded;
    const int status = at(0);
    const MessageKind kind = status == 0xF0
        ? encodeMessage(status, 0, 0, std::string(bytes), encoded)
        : encodeMessage(status, at(1), at(2), {}, encoded);
    return kind == MessageKind::Wire && encoded == bytes;
}

} // namespace lirmus
