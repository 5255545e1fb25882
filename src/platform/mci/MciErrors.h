#pragma once
// Numbers the MCI interpreter answers with when a command fails (0 is success).

namespace lirmus {

enum MciError : int {
    kMciErrBadKeyword = 259,   ///< a word the command does not take, or a missing or bad value
    kMciErrBadCommand = 261,   ///< not a command we know (or an empty string)
    kMciErrDevice = 262,       ///< the synthesizer or the MIDI port cannot be used
    kMciErrNotOpen = 263,      ///< no device is open under that name
    kMciErrFileNotFound = 275, ///< the song file cannot be opened
    kMciErrOutOfRange = 282,   ///< a position past the song's end, a port that is not listed
    kMciErrAliasInUse = 289,   ///< a device is already open under that name
    kMciErrBadFile = 296,      ///< the file is not a song we can play
};

} // namespace lirmus
