#pragma once
// Recordings of a singer: WAV files read to mono, and scored against a song.
#include "ScoreEngine.h"

#include <string>
#include <vector>

namespace lirmus {

struct VoiceAudio {
    std::vector<float> samples; ///< mono, -1..1
    unsigned rate = 0;
    std::string error;          ///< why it could not be read ("" when read)
};

/// Reads a PCM (8, 16, 24 or 32-bit) or 32-bit float WAV file, its channels mixed to mono.
VoiceAudio readVoiceWav(const std::string& path);

/// Scores a recording that starts with the song (file time 0), played at tempoFactor of its own
/// tempo (queue time x factor = played time) and key semitones off; engine gets every frame.
void scoreRecording(ScoreEngine& engine, const VoiceAudio& voice, double tempoFactor);

} // namespace lirmus
