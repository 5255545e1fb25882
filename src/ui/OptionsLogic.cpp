#include "OptionsLogic.h"

#include "MIDIOutput.h"
#include "QuietLibraries.h"
#include "SettingsService.h"
#include "SynthDevice.h"

#include <fluidsynth.h>

#include <filesystem>
#include <fstream>

namespace lirmus {

std::string technologyName(int technology)
{
    switch (technology) {
    case 1: return "Out Port";
    case 2: return "Int Synth";
    case 3: return "Square Synth";
    case 4: return "FM Synth";
    case 5: return "Mapper";
    default: return "Unknown";
    }
}

std::string deviceEntryText(const std::string& name, int technology, int driverVersion)
{
    return name + " (" + technologyName(technology) + " - Driver Vers." + std::to_string(driverVersion / 256) +
           "." + std::to_string(driverVersion & 255) + ")";
}

std::vector<std::string> outputDeviceEntries(MIDIOutput& out)
{
    const int selected = out.DeviceID();
    std::vector<std::string> entries;
    const int count = out.DeviceCount();
    for (int d = -1; d < count; ++d) {
        out.setDeviceID(d);
        entries.push_back(deviceEntryText(out.DeviceName(), out.Technology(), out.DriverVersion()));
    }
    // The player opens the device it was told; listing must not change that.
    out.setDeviceID(selected);
    return entries;
}

int devicePositionToSelect(int stored, int entries, bool* missing)
{
    if (missing) *missing = false;
    if (stored == -1 || (stored >= 0 && stored < entries)) return stored;
    if (missing) *missing = true;
    return entries > 0 ? 0 : -1;
}

std::string signedText(int value)
{
    const std::string t = std::to_string(value);
    return t.front() == '-' ? t : "+" + t;
}

int fontSizeOption(int fontSize)
{
    if (fontSize == 18) return 0;
    if (fontSize == 36) return 2;
    return 1;
}

int optionFontSize(int option)
{
    static const int sizes[3] = {18, 24, 36};
    return sizes[option < 0 || option > 2 ? 1 : option];
}

KaraokeLook KaraokeLook::of(const Settings& s)
{
    return KaraokeLook{s.KaraokeFont,  s.KaraokeBackColor, s.KaraokeForeColor, s.KaraokePlayColor,
                       s.KaraokeRows, s.KaraokeFontSize,  s.KaraokeCentered};
}

bool storeKaraokeLook(SettingsService& ini, Settings& s, const KaraokeLook& look)
{
    if (look == KaraokeLook::of(s)) return false;
    storeOptionString(ini, s, "KaraokeFont", look.font);
    storeOptionInt(ini, s, "KaraokeForeColor", look.foreColor);
    storeOptionInt(ini, s, "KaraokeBackColor", look.backColor);
    storeOptionInt(ini, s, "KaraokePlayColor", look.playColor);
    storeOptionInt(ini, s, "KaraokeRows", look.rows);
    storeOptionInt(ini, s, "KaraokeFontSize", look.fontSize);
    storeOptionBool(ini, s, "KaraokeCentered", look.centered);
    return true;
}

std::string currentSoundFont(const Settings& s)
{
    std::error_code ec;
    if (!s.SoundFont.empty()) return s.SoundFont;
    for (const std::string& path : defaultSoundFonts())
        if (std::filesystem::is_regular_file(path, ec)) return path;
    return {};
}

std::string soundFontProblem(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return "the file does not exist";
    if (!std::ifstream(path, std::ios::binary)) return "the file cannot be read";
    if (!fluid_is_soundfont(path.c_str())) return "it is not a SoundFont (.sf2 or .sf3) file";

    // Only a real load proves the file is whole: a damaged sample or preset
    // section passes the header test.
    quietSoundLibraries();
    takeSynthLogError();
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = settings ? new_fluid_synth(settings) : nullptr;
    std::string problem;
    if (!synth) {
        problem = "the synthesizer cannot start";
    } else if (fluid_synth_sfload(synth, path.c_str(), 0) == FLUID_FAILED) {
        const std::string why = takeSynthLogError();
        problem = why.empty() ? "FluidSynth cannot load it" : why;
    }
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
    return problem;
}

} // namespace lirmus
