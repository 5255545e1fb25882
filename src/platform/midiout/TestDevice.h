#pragma once
// A device for tests and benchmarks: records every message with the clock
// time it was sent and the time it was due.
#include "OutputDevice.h"
#include "PiSync.h"

#include <memory>
#include <mutex>
#include <vector>

namespace lirmus {

class Clock;

/// One recorded message.
struct SentMessage {
    std::string bytes;
    int64_t sentUs = 0; ///< clock time when it reached the device
    int64_t dueUs = 0;  ///< clock time it was scheduled for
};

class TestDevice {
public:
    /// Copy of everything recorded so far, in order.
    std::vector<SentMessage> messages() const;
    /// Number of messages recorded so far.
    size_t count() const;
    /// Forgets the recorded messages.
    void clear();
    /// Makes every following send fail with this text ("" = succeed again).
    void failSends(const std::string& error);
    /// How often a device on it was opened and closed.
    int opens() const;
    int closes() const;

    /// A device that records into this one (used by the output's Action 1).
    std::unique_ptr<OutputDevice> open(const Clock& clock);
    /// Reserves room for n messages so recording does not allocate (benchmarks).
    void reserve(size_t n);

private:
    friend class TestOutput;
    std::string record(std::string_view bytes, int64_t sentUs, int64_t dueUs);
    void closed();

    mutable PiMutex m_;
    std::vector<SentMessage> messages_;
    std::string failure_;
    int opens_ = 0;
    int closes_ = 0;
};

} // namespace lirmus
