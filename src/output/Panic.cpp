#include "Panic.h"

#include "MIDIOutput.h"

namespace lirmus {

const std::string kGsReset("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11);

void SendControl(MIDIOutput& out, int channel, int controller, int value)
{
    out.setMsgStatus(0xB0 + channel);
    out.setMsgData1(controller);
    out.setMsgData2(value);
    out.setMsgTag(0);
    out.setAction(7);
}

void MidiPanic(MIDIOutput& out)
{
    for (int ch = 0; ch < 16; ++ch) {
        SendControl(out, ch, 123, 0); // all notes off
        SendControl(out, ch, 120, 0); // all sound off: also ends notes held by the sustain pedal
    }
}

void SendSysEx(MIDIOutput& out, const std::string& sysex)
{
    out.setMsgStatus(0xF0);
    out.setMsgSysEx(sysex);
    out.setMsgTag(0);
    out.setAction(7);
}

void SendGsReset(MIDIOutput& out) { SendSysEx(out, kGsReset); }

} // namespace lirmus
