#include "Settings.h"

#include "ProfileFile.h"

#include <fstream>

namespace lirmus {
namespace {

constexpr const char* kOptions = "OPTIONS";

std::string trimmed(std::string s)
{
    const char* ws = " \t\r\n";
    size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

} // namespace

void readOptions(const ProfileFile& ini, Settings& s)
{
    auto flag = [&](const char* key, bool def) { return ini.getInt(kOptions, key, def ? -1 : 0) != 0; };
    s.KaraokeBackColor = ini.getInt(kOptions, "KaraokeBackColor", static_cast<int>(s.KaraokeBackColor));
    s.KaraokeForeColor = ini.getInt(kOptions, "KaraokeForeColor", static_cast<int>(s.KaraokeForeColor));
    s.KaraokePlayColor = ini.getInt(kOptions, "KaraokePlayColor", static_cast<int>(s.KaraokePlayColor));
    s.KaraokeCentered = flag("KaraokeCentered", true);
    s.KaraokeRows = ini.getInt(kOptions, "KaraokeRows", 2);
    if (s.KaraokeRows < 2 || s.KaraokeRows > 4) s.KaraokeRows = 2;
    s.KaraokeFontSize = ini.getInt(kOptions, "KaraokeFontSize", 24);
    s.KaraokeFont = ini.getString(kOptions, "KaraokeFont", "Arial").substr(0, 127);
    s.KaraokeEnlarged = flag("KaraokeEnlarged", false);
    s.FilterLyrics = flag("FilterLyrics", false);
    s.ItalianNotation = flag("ItalianNotation", false);
    s.ExternalMCI = flag("ExternalMCI", false);
    s.TurboStart = flag("TurboStart", true);
    s.AutoStart = flag("AutoStart", true);
    s.TempoChange = ini.getInt(kOptions, "TempoChange", 0);
    s.KeyChange = ini.getInt(kOptions, "KeyChange", 0);
    s.SoloLevel = ini.getInt(kOptions, "SoloLevel", 32);
    s.MelodyChannel = ini.getInt(kOptions, "MelodyChannel", 4) - 1;

    s.MIDIDEVICE = ini.getInt("LOAD", "MIDIDEVICE", -1);
    s.SoundFont = ini.getString("LOAD", "SoundFont");
    s.AudioFile = ini.getString("LOAD", "AudioFile");
}

void fillNoteNames(Settings& s)
{
    s.NoteNames = {"C Do", "DbReB", "D Re", "EbMib", "E Mi", "F Fa",
                   "GbSolb", "G Sol", "AbLab", "A La", "BbSib", "B Si"};
}

std::string noteName(const Settings& s, int pitchClass)
{
    const std::string& n = s.NoteNames[static_cast<size_t>(((pitchClass % 12) + 12) % 12)];
    return s.ItalianNotation ? n.substr(std::min<size_t>(2, n.size())) : n.substr(0, 2);
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
    return ProfileFile::leadingNumber(line.substr(0, 3));
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
