#pragma once
// The bytes of one MIDI message as the output keeps them: up to three inline,
// so queueing and sending a channel message never allocates; a longer one (a
// system exclusive) is held in a shared string, allocated once by its maker.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lirmus {

class MidiBytes {
public:
    /// No bytes: the message puts nothing on the wire.
    MidiBytes() = default;
    /// Copies bytes; only more than three need an allocation.
    explicit MidiBytes(std::string_view bytes);

    /// The bytes, valid while this object lives unchanged.
    std::string_view view() const
    {
        return long_ ? std::string_view(*long_) : std::string_view(inline_, size_);
    }
    size_t size() const { return long_ ? long_->size() : size_; }
    bool empty() const { return size() == 0; }

private:
    std::shared_ptr<const std::string> long_;
    uint8_t size_ = 0;
    char inline_[3] = {};
};

/// True when bytes are nothing (a silent entry) or exactly one whole MIDI
/// message: a status byte with its data bytes, or a system exclusive F0 .. F7.
bool isWholeMessage(std::string_view bytes);

} // namespace lirmus
