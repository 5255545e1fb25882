#pragma once
// Where the lyric display stands: the row being sung, the countdowns and the
// text page. Kept by the lyric cursor, read by the dispatcher and the timers.
#include <QString>

#include <array>

namespace lirmus {

struct LyricDisplayState {
    int CurLyricRow = 1;                  ///< the row being sung, 1..KaraokeRows
    std::array<QString, 5> LyricRowText;  ///< text of rows 1..4; [0] unused
    double NextLyricTime = 0;             ///< timer seconds the next syllable is due; 0 = no countdown
    double NextChordTime = 0;             ///< timer seconds the next chord is due; 0 = no countdown
    bool NextMelodyShown = false;
    int SavedFontSize = -1;               ///< font size to restore when the display is cleared; -1 = none

    // The text page (lines sent as system-exclusive text).
    std::array<QString, 5> SysexRows;     ///< rows 1..4; [0] unused
    int SysexRow = 1;                     ///< next row to fill, 1..5
    bool SysexShown = false;
    bool SysexBesideLyrics = true;

    // Karaoke display: what a repaint must show again.
    int LastSungRow = 0;                  ///< karaoke row of the last sung part painted; 0 = none
    int LastSungColumn = 0;               ///< column of that syllable
    int LastSungLength = 0;               ///< length of that syllable
    std::array<bool, 5> SysexRowSung{};   ///< text-page rows 1..4 drawn in the play colour; [0] unused
};

} // namespace lirmus
