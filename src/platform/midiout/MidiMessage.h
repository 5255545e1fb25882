#pragma once
// Turns the output component's message properties into the bytes that go on
// the wire.
#include <string>

namespace lirmus {

enum class MessageKind {
    Wire,    ///< a valid MIDI message: bytes hold it
    Silent,  ///< carries nothing to a device by design (empty message, meta entry)
    Invalid, ///< cannot be sent (a data byte out of 0..127, a malformed system exclusive)
};

/// Builds the bytes of status/data1/data2, or of sysex (F0..F7) for status 240.
MessageKind encodeMessage(int status, int data1, int data2, const std::string& sysex,
                          std::string& bytes);

/// The bytes as hexadecimal pairs, for messages ("B0 7B 00").
std::string hexBytes(const std::string& bytes);

} // namespace lirmus
