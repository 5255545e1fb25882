#pragma once
// Audio side of the output benchmark: where the notes of a song sound in a
// rendered file, against the times they were due.
#include <string>

namespace lirmus::bench {

/// Plays the song (generated when midi is "") through the built-in synthesizer in
/// real time and through FluidSynth's own player, and prints the onset errors of both.
int onsetMode(const std::string& midi, int seconds);

} // namespace lirmus::bench
