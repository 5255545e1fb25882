#pragma once
// The one place the immediate messages are put together: sent at once,
// outside the song's timed queue, with tag 0 so the message-sent handler
// ignores their reports.
#include <string>

namespace lirmus {

class MIDIOutput;

/// The GS reset system exclusive: F0 41 10 42 12 40 00 7F 00 41 F7.
extern const std::string kGsReset;
/// General MIDI System On: F0 7E 7F 09 01 F7.
extern const std::string kGmReset;
/// XG System On: F0 43 10 4C 00 00 7E 00 F7.
extern const std::string kXgReset;

/// Control change (status 0xB0 + channel).
void sendControl(MIDIOutput& out, int channel, int controller, int value);

/// Program change (status 0xC0 + channel).
void sendProgram(MIDIOutput& out, int channel, int program);

/// One whole system exclusive (F0 .. F7, one char per byte).
void sendSysEx(MIDIOutput& out, const std::string& sysex);

} // namespace lirmus
