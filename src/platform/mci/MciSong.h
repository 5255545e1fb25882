#pragma once
// A song as the MCI sequencer plays it: read once by our own MIDI file reader,
// handed to FluidSynth's player as a clean Standard MIDI File (so a damaged
// file plays exactly as our reader and the lyrics see it), and timed through
// its tempo map in milliseconds from the file's start.
#include <cstdint>
#include <string>
#include <vector>

namespace lirmus {

class MciSong {
public:
    /// Reads path; false with an error number (MciErrors.h) and a message when it is no playable song.
    bool load(const std::string& path, int& error, std::string& message);
    /// Milliseconds from the file's start at tick.
    double msAt(int64_t tick) const;
    /// The tick at ms (the last tick at or before it).
    int64_t tickAt(double ms) const;
    /// Tick of the song's last event (its end of track).
    int64_t lastTick() const { return lastTick_; }
    /// The song's length in whole milliseconds.
    long lengthMs() const;
    /// The file as FluidSynth's player reads it.
    const std::string& smf() const { return smf_; }

private:
    struct Segment {
        int64_t tick;
        double ms;        // at tick
        double msPerTick;
    };
    const Segment& segmentAtTick(int64_t tick) const;

    std::vector<Segment> tempo_;
    int64_t lastTick_ = 0;
    std::string smf_;
};

} // namespace lirmus
