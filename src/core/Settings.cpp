#include "Settings.h"

#include "ProfileDocument.h"
#include "SettingsService.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace lirmus {
namespace {

constexpr const char* kOptions = "OPTIONS";
constexpr const char* kLoad = "LOAD";
constexpr const char* kScreen = "KARAOKE SCREEN";
constexpr const char* kParty = "PARTY";
constexpr const char* kSing = "SING";

std::string trimmed(std::string s)
{
    const char* ws = " \t\r\n";
    size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

const Settings kDefaults;

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// One option of the settings file: where it lives, how the writers spell its
// key and how its value is read into the struct.
struct Option {
    const char* section;
    const char* key;
    const char* writtenAs;
    void (*read)(const SettingsService& ini, const Option& o, Settings& s);
};

template <long Settings::*M>
void colour(const SettingsService& ini, const Option& o, Settings& s)
{
    s.*M = ini.getInt(o.section, o.key, static_cast<int>(kDefaults.*M));
}

template <bool Settings::*M>
void flag(const SettingsService& ini, const Option& o, Settings& s)
{
    s.*M = ini.getBool(o.section, o.key, kDefaults.*M);
}

template <int Settings::*M>
void number(const SettingsService& ini, const Option& o, Settings& s)
{
    s.*M = ini.getInt(o.section, o.key, kDefaults.*M);
}

template <std::string Settings::*M>
void text(const SettingsService& ini, const Option& o, Settings& s)
{
    s.*M = ini.getString(o.section, o.key, kDefaults.*M);
}

void rows(const SettingsService& ini, const Option& o, Settings& s)
{
    s.KaraokeRows = ini.getInt(o.section, o.key, 2);
    if (s.KaraokeRows < 2 || s.KaraokeRows > 4) s.KaraokeRows = 2;
}

// The classic reader took the name into a 128-character buffer.
void font(const SettingsService& ini, const Option& o, Settings& s)
{
    s.KaraokeFont = ini.getString(o.section, o.key, "Arial").substr(0, 127);
}

void melody(const SettingsService& ini, const Option& o, Settings& s)
{
    s.MelodyChannel = ini.getInt(o.section, o.key, 4) - 1;
}

// A blank value means the default: detection.
void textEncoding(const SettingsService& ini, const Option& o, Settings& s)
{
    s.TextEncoding = trimmed(ini.getString(o.section, o.key, kDefaults.TextEncoding));
    if (s.TextEncoding.empty()) s.TextEncoding = kDefaults.TextEncoding;
}

// "Colour", "Gradient" or "Pictures" (or their numbers); anything else is the default.
void screenBack(const SettingsService& ini, const Option& o, Settings& s)
{
    static const char* const names[] = {"Colour", "Gradient", "Pictures"};
    const std::string v = trimmed(ini.getString(o.section, o.key, ""));
    s.ScreenBackground = kDefaults.ScreenBackground;
    for (int i = 0; i < 3; ++i)
        if (sameName(v, names[i]) || v == std::to_string(i)) s.ScreenBackground = Settings::ScreenBack(i);
}

void cardSeconds(const SettingsService& ini, const Option& o, Settings& s)
{
    s.ScreenCardSeconds = std::clamp(ini.getInt(o.section, o.key, kDefaults.ScreenCardSeconds), 0, 60);
}

// A port outside 1..65535 turns the service off.
void partyPort(const SettingsService& ini, const Option& o, Settings& s)
{
    const int port = ini.getInt(o.section, o.key, kDefaults.PartyPort);
    s.PartyPort = port >= 1 && port <= 65535 ? port : 0;
}

void partyPin(const SettingsService& ini, const Option& o, Settings& s)
{
    s.PartyPin = trimmed(ini.getString(o.section, o.key, kDefaults.PartyPin));
}

void partyLimit(const SettingsService& ini, const Option& o, Settings& s)
{
    s.PartyLimit = std::clamp(ini.getInt(o.section, o.key, kDefaults.PartyLimit), 1, 20);
}

// In the order start-up reads them. The options dialog writes the colours with a small "c".
const Option kOptionTable[] = {
    {kOptions, "KaraokeBackColor", "KaraokeBackcolor", colour<&Settings::KaraokeBackColor>},
    {kOptions, "KaraokeForeColor", "KaraokeForecolor", colour<&Settings::KaraokeForeColor>},
    {kOptions, "KaraokePlayColor", "KaraokePlaycolor", colour<&Settings::KaraokePlayColor>},
    {kOptions, "KaraokeCentered", "KaraokeCentered", flag<&Settings::KaraokeCentered>},
    {kOptions, "KaraokeRows", "KaraokeRows", rows},
    {kOptions, "KaraokeFontSize", "KaraokeFontSize", number<&Settings::KaraokeFontSize>},
    {kOptions, "KaraokeFont", "KaraokeFont", font},
    {kOptions, "KaraokeEnlarged", "KaraokeEnlarged", flag<&Settings::KaraokeEnlarged>},
    {kOptions, "FilterLyrics", "FilterLyrics", flag<&Settings::FilterLyrics>},
    {kOptions, "ItalianNotation", "ItalianNotation", flag<&Settings::ItalianNotation>},
    {kOptions, "ExternalMCI", "ExternalMCI", flag<&Settings::ExternalMCI>},
    {kOptions, "TurboStart", "TurboStart", flag<&Settings::TurboStart>},
    {kOptions, "AutoStart", "AutoStart", flag<&Settings::AutoStart>},
    {kOptions, "TempoChange", "TempoChange", number<&Settings::TempoChange>},
    {kOptions, "KeyChange", "KeyChange", number<&Settings::KeyChange>},
    {kOptions, "SoloLevel", "SoloLevel", number<&Settings::SoloLevel>},
    {kOptions, "MelodyChannel", "MelodyChannel", melody},
    {kOptions, "TextEncoding", "TextEncoding", textEncoding},
    {kLoad, "MIDIDEVICE", "MIDIDEVICE", number<&Settings::MIDIDEVICE>},
    {kLoad, "SoundFont", "SoundFont", text<&Settings::SoundFont>},
    {kLoad, "AudioFile", "AudioFile", text<&Settings::AudioFile>},
    {kLoad, "AudioDriver", "AudioDriver", text<&Settings::AudioDriver>},
    {kScreen, "Background", "Background", screenBack},
    {kScreen, "GradientTop", "GradientTop", colour<&Settings::ScreenGradientTop>},
    {kScreen, "GradientBottom", "GradientBottom", colour<&Settings::ScreenGradientBottom>},
    {kScreen, "PictureFolder", "PictureFolder", text<&Settings::ScreenPictureFolder>},
    {kScreen, "TextColor", "TextColor", colour<&Settings::ScreenTextColor>},
    {kScreen, "SungColor", "SungColor", colour<&Settings::ScreenSungColor>},
    {kScreen, "OutlineColor", "OutlineColor", colour<&Settings::ScreenOutlineColor>},
    {kScreen, "Outline", "Outline", flag<&Settings::ScreenOutline>},
    {kScreen, "CountIn", "CountIn", flag<&Settings::ScreenCountIn>},
    {kScreen, "CardSeconds", "CardSeconds", cardSeconds},
    {kParty, "Port", "Port", partyPort},
    {kParty, "Pin", "Pin", partyPin},
    {kParty, "Limit", "Limit", partyLimit},
    {kSing, "Microphone", "Microphone", text<&Settings::Microphone>},
    {kSing, "MelodyAuto", "MelodyAuto", flag<&Settings::MelodyAuto>},
    {kSing, "PitchGuide", "PitchGuide", flag<&Settings::PitchGuide>},
    {kSing, "RecordVoice", "RecordVoice", flag<&Settings::RecordVoice>},
    {kSing, "LyricsGuide", "LyricsGuide", flag<&Settings::LyricsGuide>},
};

const Option* findOption(std::string_view section, std::string_view key)
{
    for (const Option& o : kOptionTable)
        if ((section.empty() || sameName(section, o.section)) && sameName(key, o.key)) return &o;
    return nullptr;
}

} // namespace

void readOptions(const SettingsService& ini, Settings& s)
{
    for (const Option& o : kOptionTable) o.read(ini, o, s);
}

bool readOption(const SettingsService& ini, Settings& s, const std::string& section, const std::string& key)
{
    const Option* o = findOption(section, key);
    if (!o) return false;
    o->read(ini, *o, s);
    return true;
}

bool storeOptionString(SettingsService& ini, Settings& s, std::string_view key, const std::string& text)
{
    const Option* o = findOption({}, key);
    if (!o) return false;
    // The struct changes before the listeners hear of the key, so they read the new value.
    const bool changed = ini.store(o->section, o->writtenAs, text);
    o->read(ini, *o, s);
    if (changed) ini.notify(o->section, o->key);
    return true;
}

bool storeOptionInt(SettingsService& ini, Settings& s, std::string_view key, long long value)
{
    return storeOptionString(ini, s, key, std::to_string(value));
}

bool storeOptionBool(SettingsService& ini, Settings& s, std::string_view key, bool value)
{
    return storeOptionString(ini, s, key, value ? "-1" : "0");
}

std::string noteName(const Settings& s, int pitchClass)
{
    const std::string_view n = kNoteNames[static_cast<size_t>(((pitchClass % 12) + 12) % 12)];
    return std::string(s.ItalianNotation ? n.substr(std::min<size_t>(2, n.size())) : n.substr(0, 2));
}

std::string makeAppPath(const std::string& dir)
{
    if (dir.empty()) return "/";
    return dir.back() == '/' ? dir : dir + "/";
}

bool loadProgramNames(const std::string& path, std::array<std::string, 128>& names)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    // Fewer than 128 lines leave the remaining names "".
    for (size_t i = 0; i < names.size() && std::getline(in, line); ++i) names[i] = trimmed(line);
    return true;
}

bool loadDrumKits(const std::string& path, std::vector<std::string>& kits)
{
    kits.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::string t = trimmed(line);
        if (!t.empty()) kits.push_back(t);
    }
    return true;
}

int drumKitProgram(const std::string& line)
{
    return ProfileDocument::leadingNumber(std::string_view(line).substr(0, 3));
}

std::string drumKitName(const std::string& line)
{
    return line.size() > 4 ? line.substr(4) : std::string();
}

} // namespace lirmus

#include <filesystem>

namespace lirmus {

std::string resolveDataFile(const std::string& appPath, const std::string& name,
                            const std::vector<std::string>& fallbackDirs)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(appPath + name, ec)) return appPath + name;
    for (const std::string& dir : fallbackDirs) {
        std::string p = makeAppPath(dir) + name;
        if (std::filesystem::is_regular_file(p, ec)) return p;
    }
    return {};
}

} // namespace lirmus
