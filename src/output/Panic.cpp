#include "Panic.h"

#include "MixerSend.h"

namespace lirmus {

void SendControl(MIDIOutput& out, int channel, int controller, int value)
{
    sendControl(out, channel, controller, value);
}

void MidiPanic(MIDIOutput& out)
{
    for (int ch = 0; ch < 16; ++ch) {
        SendControl(out, ch, 123, 0); // all notes off
        SendControl(out, ch, 120, 0); // all sound off: also ends notes held by the sustain pedal
    }
}

void SendSysEx(MIDIOutput& out, const std::string& sysex) { sendSysEx(out, sysex); }

void SendGsReset(MIDIOutput& out) { SendSysEx(out, kGsReset); }

} // namespace lirmus
