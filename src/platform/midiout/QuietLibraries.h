#pragma once
// The sound libraries print their own diagnostics to the terminal (a missing
// sound card, a missing ALSA sequencer); we report problems through the error
// event instead, so their chatter is caught here.
#include <iosfwd>
#include <sstream>
#include <string>

namespace lirmus {

/// Routes the ALSA library's and FluidSynth's messages away from stderr (once per process).
void quietSoundLibraries();

/// The last error FluidSynth logged since the previous call ("" when none).
std::string takeSynthLogError();

/// While alive, text written to std::cerr (RtMidi's diagnostics) is kept instead of printed.
class CerrCapture {
public:
    CerrCapture();
    ~CerrCapture();
    CerrCapture(const CerrCapture&) = delete;
    CerrCapture& operator=(const CerrCapture&) = delete;
    /// What was written so far, blank lines removed.
    std::string text() const;

private:
    std::ostringstream buffer_;
    std::streambuf* saved_;
};

} // namespace lirmus
