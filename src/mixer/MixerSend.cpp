#include "MixerSend.h"

#include "MIDIOutput.h"

namespace lirmus {
namespace {

constexpr int kSendNow = 7;

void sendShort(MIDIOutput& out, int status, int data1, int data2)
{
    out.setMsgStatus(status);
    out.setMsgData1(data1);
    out.setMsgData2(data2);
    out.setMsgTag(0);
    out.setAction(kSendNow);
}

} // namespace

const std::string kGsReset("\xF0\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 11);
const std::string kGmReset("\xF0\x7E\x7F\x09\x01\xF7", 6);
const std::string kXgReset("\xF0\x43\x10\x4C\x00\x00\x7E\x00\xF7", 9);

void sendControl(MIDIOutput& out, int channel, int controller, int value)
{
    sendShort(out, 0xB0 + channel, controller, value);
}

void sendProgram(MIDIOutput& out, int channel, int program) { sendShort(out, 0xC0 + channel, program, 0); }

void sendSysEx(MIDIOutput& out, const std::string& sysex)
{
    out.setMsgStatus(0xF0);
    out.setMsgSysEx(sysex);
    out.setMsgTag(0);
    out.setAction(kSendNow);
}

} // namespace lirmus
