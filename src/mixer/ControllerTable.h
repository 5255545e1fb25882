#pragma once
// The tracked MIDI controllers of the mixer: one row per controller with its
// master level, read from [CONTROLLERS] and [SETUP] of the settings file.
#include <array>
#include <string>
#include <vector>

namespace lirmus {

class SettingsService;

struct ControllerTable {
    static constexpr int kMinRows = 4;  ///< rows 1..3 feed every strip's sliders
    static constexpr int kMaxRows = 8;  ///< the monitor has eight master sliders

    std::vector<int> CtrlNumber;
    std::vector<std::string> CtrlName;
    std::vector<int> CtrlMin;     ///< 0 = multiplying row, otherwise bipolar
    std::vector<int> CtrlMax;
    std::vector<int> CtrlMaster;
    /// Last raw value each channel's song sent per row; -1 = none yet.
    std::vector<std::array<int, 16>> CtrlValue;

    int rows() const { return static_cast<int>(CtrlNumber.size()); }

    /// The row tracking controller number n, -1 when untracked.
    int rowOf(int n) const;

    /// Sets every CtrlValue to -1.
    void ClearControllerValues();
};

/// The four rows used when the settings define none: Vol, Pan/Balance, Chorus, Reverb.
ControllerTable defaultControllerTable();

/// Reads the table from [CONTROLLERS] keys "0".."99" and the masters from [SETUP] "C<n>"
/// (clamped into their row's range).
/// A malformed row or a row count outside 4..8 gives the default table and a
/// message in *problem (left empty when the settings were sound).
ControllerTable readControllerTable(const SettingsService& ini, std::string* problem);

/// The master scaling of a controller value (16-bit arithmetic, truncating).
int ApplyMaster(int value, int low, int high, int master, int minimum);

/// The volume a channel plays at while another is soloed: soloLevel × volume / 127,
/// rounded to the nearest integer, halves to even.
int soloVolume(int soloLevel, int volume);

} // namespace lirmus
