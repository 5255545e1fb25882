#include "Panic.h"

#include "MIDIOutput.h"

namespace lirmus {

const std::string kGsReset("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11);

namespace {

void sendControl(MIDIOutput& out, int channel, int controller)
{
    out.setMsgStatus(0xB0 + channel);
    out.setMsgData1(controller);
    out.setMsgData2(0);
    out.setMsgTag(0);
    out.setAction(7);
}

} // namespace

void MidiPanic(MIDIOutput& out)
{
    for (int ch = 0; ch < 16; ++ch) {
        sendControl(out, ch, 123); // all notes off
        sendControl(out, ch, 120); // all sound off: also ends notes held by the sustain pedal
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
