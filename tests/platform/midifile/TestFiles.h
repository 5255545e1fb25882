#pragma once
// Where the MIDI files of the tests are. The folders are also compiled in, so
// the tests find them however they are started.
#include "SmfWriter.h"

#include <filesystem>
#include <string>

namespace lirmus::test {

/// A file of the small hand-made MIDI files kept with the tests.
inline std::string midiDataFile(const std::string& name)
{
    return std::string(LIRMUS_MIDI_TEST_DATA) + "/" + name;
}

/// The folder of the real songs, "" when absent.
inline std::string sharedSongFolder()
{
    std::string dir = sharedTestData();
    if (dir.empty() && std::filesystem::is_directory(LIRMUS_MIDI_SHARED_DATA))
        dir = std::string(LIRMUS_MIDI_SHARED_DATA) + "/";
    return dir;
}

} // namespace lirmus::test
