#pragma once
// Messages the player sends outside the song's timed queue, at once and
// untagged, so the message-sent handler ignores them.
#include <string>

namespace lirmus {

class MIDIOutput;

/// The GS reset system exclusive: F0 41 10 42 12 40 00 7F 00 41 F7.
extern const std::string kGsReset;

/// Sends one control change (status 0xB0 + channel) at once, untagged. The one
/// place these immediate messages are put together.
void SendControl(MIDIOutput& out, int channel, int controller, int value);

/// Silences every channel: all notes off, then all sound off, channel by channel (32 messages).
void MidiPanic(MIDIOutput& out);

/// Sends the GS reset system exclusive.
void SendGsReset(MIDIOutput& out);

/// Sends one whole system exclusive (F0 .. F7, one char per byte) at once.
void SendSysEx(MIDIOutput& out, const std::string& sysex);

} // namespace lirmus
