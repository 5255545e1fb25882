#include "MidiMessage.h"

namespace lirmus {

namespace {

bool isData(int v) { return v >= 0 && v <= 127; }

// Number of data bytes after a status byte.
int dataCount(int status)
{
    if (status < 0xF0)
        return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    default:
        return 0;
    }
}

} // namespace

MessageKind encodeMessage(int status, int data1, int data2, const std::string& sysex,
                          std::string& bytes)
{
    bytes.clear();
    // Status 0 is the queue's empty lead-in message, 255 a meta entry of the song.
    if ((status >= 0 && status < 0x80) || status == 0xFF)
        return MessageKind::Silent;
    if (status < 0 || status > 0xFF || status == 0xF7)
        return MessageKind::Invalid;
    if (status == 0xF0) {
        if (sysex.size() < 2 || static_cast<unsigned char>(sysex.front()) != 0xF0 ||
            static_cast<unsigned char>(sysex.back()) != 0xF7)
            return MessageKind::Invalid;
        for (size_t i = 1; i + 1 < sysex.size(); ++i)
            if (static_cast<unsigned char>(sysex[i]) & 0x80)
                return MessageKind::Invalid;
        bytes = sysex;
        return MessageKind::Wire;
    }
    const int n = dataCount(status);
    if ((n >= 1 && !isData(data1)) || (n >= 2 && !isData(data2)))
        return MessageKind::Invalid;
    bytes.push_back(static_cast<char>(status));
    if (n >= 1)
        bytes.push_back(static_cast<char>(data1));
    if (n >= 2)
        bytes.push_back(static_cast<char>(data2));
    return MessageKind::Wire;
}

std::string hexBytes(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

} // namespace lirmus
