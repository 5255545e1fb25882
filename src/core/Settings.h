#pragma once
// The program-wide settings, named after their keys in LIRMUS.INI, and the
// name tables built at start-up. Plain data: the windows read it, the options
// dialog and a few controls write single keys back through storeOption*(),
// which changes this copy and the settings service together.
#include "NoteNames.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lirmus {

class SettingsService;

/// A colour as the settings file stores it: red + green*256 + blue*65536.
using RgbLong = long;
constexpr RgbLong rgbLong(int r, int g, int b) { return r + g * 256L + b * 65536L; }

struct Settings {
    // [OPTIONS]
    RgbLong KaraokeBackColor = rgbLong(255, 255, 255);
    RgbLong KaraokeForeColor = rgbLong(0, 0, 0);
    RgbLong KaraokePlayColor = rgbLong(255, 0, 0);
    bool KaraokeCentered = true;
    int KaraokeRows = 2;
    int KaraokeFontSize = 24;
    std::string KaraokeFont = "Arial";
    bool KaraokeEnlarged = false;
    bool FilterLyrics = false;
    bool ItalianNotation = false;
    bool ExternalMCI = false;
    bool TurboStart = true;
    bool AutoStart = true;
    int TempoChange = 0;
    int KeyChange = 0;
    int SoloLevel = 32;
    int MelodyChannel = 3; ///< 0-based; the file holds 1..16
    std::string TextEncoding = "auto"; ///< encoding of song texts: "auto" (detected) or an encoding name

    // [LOAD]
    int MIDIDEVICE = -1;
    std::string SoundFont;  ///< SoundFont of the built-in synthesizer; "" = the system's default
    std::string AudioFile;  ///< WAV file the built-in synthesizer also writes; "" = none
    std::string AudioDriver; ///< FluidSynth audio driver; "" = PulseAudio, else ALSA, else JACK

    // [KARAOKE SCREEN]: the look of the full-screen karaoke screen
    enum class ScreenBack { Colour = 0, Gradient = 1, Pictures = 2 };
    ScreenBack ScreenBackground = ScreenBack::Gradient; ///< KaraokeBackColor, a gradient, or pictures
    RgbLong ScreenGradientTop = rgbLong(20, 28, 84);
    RgbLong ScreenGradientBottom = rgbLong(0, 0, 0);
    std::string ScreenPictureFolder;  ///< pictures shown one per song behind the text
    RgbLong ScreenTextColor = rgbLong(255, 255, 255);
    RgbLong ScreenSungColor = rgbLong(255, 196, 0);
    RgbLong ScreenOutlineColor = rgbLong(0, 0, 0);
    bool ScreenOutline = true;        ///< the text has an outline and a shadow
    bool ScreenCountIn = true;        ///< three beats counted before lines after a long gap
    int ScreenCardSeconds = 5;        ///< the title card between songs without AutoStart (0..60)

    // [PARTY]: the guests' web service
    int PartyPort = 0;         ///< the port it listens on; 0 = off
    std::string PartyPin;      ///< the host's PIN for skip, pause, remove and move; "" = those are off
    int PartyLimit = 3;        ///< songs one singer may have waiting (1..20)
    // [SING]: the singer's microphone, the pitch guide and the score
    std::string Microphone;           ///< input device's description; "" = the system's default input
    bool MelodyAuto = false;          ///< the Melody button silences the channel found from the lyrics
    bool PitchGuide = true;           ///< the karaoke screen shows the pitch guide and scores
    bool RecordVoice = false;         ///< the audio file's takes mix the microphone in
    bool LyricsGuide = false;         ///< the lyrics window shows the pitch guide too

    // Start-up facts
    std::string AppPath;    ///< folder of LIRMUS.INI, always ending in '/'
    bool VediTu = false;    ///< the command line asked for the diagnostic displays
    std::array<std::string, 128> ProgramNames{};
    std::vector<std::string> DrumKits;

    /// The settings file in AppPath.
    std::string iniPath() const { return AppPath + "LIRMUS.INI"; }
};

/// Reads every [OPTIONS], [LOAD], [KARAOKE SCREEN], [SING] and [PARTY] key with its default and rules into s.
void readOptions(const SettingsService& ini, Settings& s);

/// Reads the one option [section] key into s by the rules of readOptions; false when it names none.
bool readOption(const SettingsService& ini, Settings& s, const std::string& section, const std::string& key);

/// Stores option `key` ([OPTIONS], [LOAD], [KARAOKE SCREEN], [SING] or [PARTY]) as the file holds it (MelodyChannel 1-based), updates s
/// by the reading rules, then tells the service's listeners; false, storing nothing, for an unknown key.
bool storeOptionString(SettingsService& ini, Settings& s, std::string_view key, const std::string& text);

/// storeOptionString with a number written as decimal text.
bool storeOptionInt(SettingsService& ini, Settings& s, std::string_view key, long long value);

/// storeOptionString with a boolean written as "-1" or "0".
bool storeOptionBool(SettingsService& ini, Settings& s, std::string_view key, bool value);

/// The English (first two characters) or Italian (from the third) name of a pitch class in kNoteNames.
std::string noteName(const Settings& s, int pitchClass);

/// AppPath from a folder: the folder with a trailing '/', a root kept as it is.
std::string makeAppPath(const std::string& dir);

/// Reads up to 128 trimmed lines of programs.txt into names; false when it cannot be opened.
bool loadProgramNames(const std::string& path, std::array<std::string, 128>& names);

/// Reads the non-empty trimmed lines of Drums.txt into kits; false when it cannot be opened.
bool loadDrumKits(const std::string& path, std::vector<std::string>& kits);

/// The program number of a DrumKits line (its first three characters).
int drumKitProgram(const std::string& line);

/// The kit name of a DrumKits line (from its fourth character).
std::string drumKitName(const std::string& line);

} // namespace lirmus

namespace lirmus {

/// The file `name` in appPath when it exists there, else the first copy found in
/// fallbackDirs (the copies installed with the program); "" when none exists.
std::string resolveDataFile(const std::string& appPath, const std::string& name,
                            const std::vector<std::string>& fallbackDirs);

} // namespace lirmus
