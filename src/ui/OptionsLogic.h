#pragma once
// What the options dialog computes without a window: the device list's
// entries, the value labels, the font-size options, the karaoke look and the
// SoundFont check.
#include "Settings.h"

#include <string>
#include <vector>

namespace lirmus {

class MIDIOutput;
class SettingsService;

/// Type name of a device technology: "Out Port", "Int Synth", "Square Synth", "FM Synth", "Mapper", "Unknown".
std::string technologyName(int technology);

/// One entry of the device list: name (type - Driver Vers.major.minor).
std::string deviceEntryText(const std::string& name, int technology, int driverVersion);

/// Every device of the output component from -1 on (entry i is device i - 1);
/// the device selected in the component before stays selected.
std::vector<std::string> outputDeviceEntries(MIDIOutput& out);

/// The position to select for a stored MIDIDEVICE in a list of `entries`: -1 (never chosen)
/// selects nothing, a position not in the list selects the mapper (0) and sets *missing.
int devicePositionToSelect(int stored, int entries, bool* missing);

/// A scroll bar's value as its label shows it: "+" before a value that does not begin with "-".
std::string signedText(int value);

/// The "Characters Size" option of a font size: 0 Small (18), 2 Big (36), 1 Medium (anything else).
int fontSizeOption(int fontSize);

/// The font size of a "Characters Size" option.
int optionFontSize(int option);

/// The seven karaoke settings the dialog edits before they are applied.
struct KaraokeLook {
    std::string font;
    RgbLong backColor = 0, foreColor = 0, playColor = 0;
    int rows = 2;
    int fontSize = 24;
    bool centered = true;

    static KaraokeLook of(const Settings& s);
    bool operator==(const KaraokeLook&) const = default;
};

/// Stores all seven karaoke keys when any differs from s; false (nothing stored) when none does.
bool storeKaraokeLook(SettingsService& ini, Settings& s, const KaraokeLook& look);

/// The SoundFont the built-in synthesizer uses: the setting, else the first default that exists.
std::string currentSoundFont(const Settings& s);

/// Why FluidSynth cannot load the SoundFont at path; "" when it loads.
std::string soundFontProblem(const std::string& path);

} // namespace lirmus
