// The built-in synthesizer's engine: FluidSynth started, its SoundFont found
// and loaded, and kept between a close and the next open.
#include "SynthDevice.h"

#include "OutputErrors.h"
#include "QuietLibraries.h"
#include "SynthOutput.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace lirmus {

namespace {

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

} // namespace

SynthEngine::SynthEngine()
{
    settings = new_fluid_settings();
    if (settings) {
        fluid_settings_setnum(settings, "synth.sample-rate", kSynthRate);
        synth = new_fluid_synth(settings);
    }
}

SynthEngine::~SynthEngine()
{
    if (synth)
        delete_fluid_synth(synth);
    if (settings)
        delete_fluid_settings(settings);
}

namespace {

// Loads the chosen SoundFont, else the first default that loads; tells why
// when it had to fall back or found none.
void loadSoundFont(SynthEngine& e, const std::string& setting, const DeviceNotice& notice)
{
    std::vector<std::string> tried;
    std::string failure;
    std::vector<std::string> candidates;
    if (!setting.empty())
        candidates.push_back(setting);
    for (const std::string& d : defaultSoundFonts())
        candidates.push_back(d);
    for (const std::string& path : candidates) {
        if (std::find(tried.begin(), tried.end(), path) != tried.end())
            continue;
        tried.push_back(path);
        if (!isFile(path))
            continue;
        takeSynthLogError();
        if (fluid_synth_sfload(e.synth, path.c_str(), 1) != FLUID_FAILED) {
            if (!setting.empty() && path != setting)
                notice(kErrorSoundFontMoved,
                       "The SoundFont \"" + setting + "\" " +
                           (failure.empty() ? "was not found" : "cannot be loaded (" + failure + ")") +
                           "; the built-in synthesizer uses \"" + path + "\" instead.");
            return;
        }
        if (path == setting)
            failure = takeSynthLogError();
    }
    std::string list;
    for (const std::string& t : tried)
        list += (list.empty() ? "\"" : ", \"") + t + "\"";
    notice(kErrorNoSoundFont, "No SoundFont could be loaded (tried " + list +
                                  "); the built-in synthesizer stays silent. Install a General MIDI "
                                  "SoundFont or choose one in the settings.");
}

} // namespace

std::vector<std::string> defaultSoundFonts()
{
    return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
            "/usr/share/sounds/sf2/TimGM6mb.sf2"};
}

std::vector<std::string> audioDriverOrder(const std::string& asked)
{
    if (!asked.empty())
        return {asked};
    // A JACK client would otherwise start a JACK server of its own, taking the card from the desktop.
    static const bool jackStaysOff = setenv("JACK_NO_START_SERVER", "1", 0) == 0;
    (void)jackStaysOff;
    return {"pulseaudio", "alsa", "jack"};
}

int synthVersion()
{
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    return major * 256 + minor;
}

std::unique_ptr<OutputDevice> openSynth(const SynthOptions& options, SynthCache& cache,
                                        const Clock& clock, DeviceNotice notice,
                                        std::string& error)
{
    quietSoundLibraries();
    if (!cache.engine || cache.soundFontSetting != options.soundFont) {
        cache.engine.reset();
        auto engine = std::make_shared<SynthEngine>();
        if (!engine->synth) {
            const std::string why = takeSynthLogError();
            error = "The built-in synthesizer cannot be started" +
                    (why.empty() ? std::string(".") : ": " + why);
            return nullptr;
        }
        loadSoundFont(*engine, options.soundFont, notice);
        cache.engine = std::move(engine);
        cache.soundFontSetting = options.soundFont;
    } else {
        // A reopen keeps the synthesizer's programs, like a real device would.
        fluid_synth_all_sounds_off(cache.engine->synth, -1);
    }
    return makeSynthOutput(cache.engine, options, clock, std::move(notice));
}

} // namespace lirmus
