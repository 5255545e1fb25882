#pragma once
// The mixer's view of the 16 MIDI channels, kept for the whole run and reset
// at each song. Index 9 (MIDI channel 10) is the drum channel.
#include "Settings.h"

#include <array>

namespace lirmus {

struct ChannelState {
    static constexpr int kChannels = 16;
    static constexpr int kDrumChannel = 9;

    std::array<bool, kChannels> ChannelOn{};   ///< audible as far as the mixer is concerned
    std::array<bool, kChannels> ChannelUsed{}; ///< has sounded in the current song
    std::array<bool, kChannels> ProgramSeen{}; ///< a program change was seen in the current song
    std::array<int, kChannels> Program{};      ///< the instrument (or kit) each channel plays now, 0..127
    std::array<int, kChannels> MeterLevel{};   ///< value of each level meter pgrMidi (0..127): peak held, lowered by Timer1
    /// Where each strip's controller sliders stand, rows 0..3 (sliOut, sliC1, sliC2, sliC3).
    std::array<std::array<int, 4>, kChannels> StripValue{};
    int SoloChannel = -1;                      ///< soloed channel 0..15, -1 = none
    bool MelodyMuted = false;                  ///< the melody channel is silenced for singing; kept across songs
    bool IndicUpdating = false;                ///< the program moves the monitor's sliders: they send nothing
    int MelodyFound = -1;                      ///< the melody channel found from the song's lyrics, -1 = none
};

/// The channel the Melody button silences: the one found in the song with MelodyAuto, else the setting.
inline int melodyChannel(const Settings& s, const ChannelState& c)
{
    return s.MelodyAuto && c.MelodyFound >= 0 ? c.MelodyFound : s.MelodyChannel;
}

} // namespace lirmus
