#include "MixerSend.h"

#include "MIDIOutput.h"

namespace lirmus {
namespace {

void sendShort(MIDIOutput& out, int status, int data1, int data2)
{
    const char bytes[3] = {char(status), char(data1), char(data2)};
    // A program change has one data byte.
    out.tell(out.sendNow(std::string_view(bytes, (status & 0xF0) == 0xC0 ? 2 : 3)));
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

void sendSysEx(MIDIOutput& out, const std::string& sysex) { out.tell(out.sendNow(std::string_view(sysex))); }

} // namespace lirmus
