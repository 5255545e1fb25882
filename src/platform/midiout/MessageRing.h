#pragma once
// Timed MIDI messages handed from the sending thread to the one that renders
// them, with no lock and no allocation: a channel message travels inline, the
// bytes of a longer one (a system exclusive) through a byte ring beside it.
// One producer and one consumer at a time.
#include "SpscRing.h"

#include <cstdint>
#include <cstring>
#include <chrono>
#include <string_view>
#include <thread>
#include <vector>

namespace lirmus {

class MessageRing {
public:
    /// Room for `messages` messages, and `longBytes` bytes of those longer than three.
    MessageRing(size_t messages, size_t longBytes)
        : slots_(messages), long_(longBytes), scratch_(long_.capacity())
    {
    }

    /// Whether a message of n bytes can ever be taken.
    bool fits(size_t n) const { return n <= kInline || n <= long_.capacity(); }

    /// Producer: keeps the bytes with their frame; false, nothing kept, when there is no room now.
    bool push(std::string_view bytes, int64_t frame)
    {
        Slot s;
        s.frame = frame;
        s.size = uint32_t(bytes.size());
        if (slots_.room() == 0)
            return false;
        if (bytes.size() <= kInline)
            std::memcpy(s.bytes, bytes.data(), bytes.size());
        else if (!long_.push(bytes.data(), bytes.size())) // before the slot that points at them
            return false;
        return slots_.push(s);
    }

    /// Producer: pushes, and while the ring is full calls nudge and waits in 1 ms
    /// steps, up to maxWaitMs, rather than lose the message (a note-off). False,
    /// the message lost, when it stayed full: the consumer has stalled, and until
    /// it takes one again the next messages fail at once instead of waiting each.
    template <typename Nudge>
    bool pushWaiting(std::string_view bytes, int64_t frame, int maxWaitMs, Nudge&& nudge)
    {
        for (int waited = 0; !push(bytes, frame); ++waited) {
            if (stalled_ || waited >= maxWaitMs) {
                stalled_ = true;
                return false;
            }
            nudge();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        stalled_ = false;
        return true;
    }

    /// Consumer: takes the oldest message when its frame is before end. Its bytes
    /// stay valid until the next call.
    bool popBefore(int64_t end, std::string_view& bytes, int64_t& frame)
    {
        if (!held_ && !(held_ = slots_.pop(slot_)))
            return false;
        if (slot_.frame >= end)
            return false; // kept for a later block
        held_ = false;
        frame = slot_.frame;
        if (slot_.size <= kInline) {
            bytes = std::string_view(slot_.bytes, slot_.size);
        } else {
            long_.pop(scratch_.data(), slot_.size);
            bytes = std::string_view(scratch_.data(), slot_.size);
        }
        return true;
    }

private:
    static constexpr size_t kInline = 3;
    struct Slot {
        int64_t frame = 0;
        uint32_t size = 0;
        char bytes[kInline] = {};
    };

    SpscRing<Slot> slots_;
    SpscRing<char> long_;
    bool stalled_ = false; // the producer's own
    // The consumer's own: the next message, looked at but not yet due, and the bytes of a long one.
    std::vector<char> scratch_;
    Slot slot_;
    bool held_ = false;
};

} // namespace lirmus
