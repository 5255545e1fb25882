#pragma once
// Shared set-up of the output tests: a component on a manual clock that
// records into a test device.
#include "Clock.h"
#include "MIDIOutput.h"
#include "TestDevice.h"

#include <string>
#include <vector>

namespace lirmus::test {

/// Prepares one message and hands it over with an Action (6 queues it, 7 sends it at once).
inline void prepare(MIDIOutput& out, long ms, int status, int d1, int d2, long tag = 0, int action = 6)
{
    out.setMsgTime(ms);
    out.setMsgStatus(status);
    out.setMsgData1(d1);
    out.setMsgData2(d2);
    out.setMsgTag(tag);
    out.setAction(action);
}

/// A MIDIOutput on a manual clock, open on a test device, collecting its events.
struct ManualOutput {
    ManualOutput()
    {
        out.useTestDevice(&device);
        out.MessageSent = [this](long tag) { tags.push_back(tag); };
        out.onError = [this](int n, const std::string& m) { errors.push_back(n), texts.push_back(m); };
        out.setAction(1);
    }

    void queue(long ms, int status, int d1, int d2, long tag = 0) { prepare(out, ms, status, d1, d2, tag); }
    /// Starts playing and remembers the clock time of queue time 0.
    void start() { startUs = clock.nowUs(), out.setAction(4); }
    /// Advances the clock and delivers the events it raised.
    void advance(long ms) { clock.advance(ms), out.deliverPending(); }

    /// Send times of the recorded messages in ms after the start.
    std::vector<double> sentMs() const
    {
        std::vector<double> v;
        for (const SentMessage& m : device.messages()) v.push_back(double(m.sentUs - startUs) / 1000.0);
        return v;
    }

    ManualClock clock;
    TestDevice device;
    MIDIOutput out{&clock};
    int64_t startUs = 0;
    std::vector<long> tags;
    std::vector<int> errors;
    std::vector<std::string> texts;
};

/// The bytes of a message as a string.
inline std::string bytes(std::initializer_list<int> b) { return std::string(b.begin(), b.end()); }

} // namespace lirmus::test
