#pragma once
// The note names by pitch class (C = 0): the first two characters are the
// English name (one-letter names padded with a space), the rest the Italian one.
#include <array>
#include <string_view>

namespace lirmus {

using NoteNameTable = std::array<std::string_view, 12>;

inline constexpr NoteNameTable kNoteNames{"C Do", "DbReB", "D Re", "EbMib", "E Mi", "F Fa",
                                          "GbSolb", "G Sol", "AbLab", "A La", "BbSib", "B Si"};

} // namespace lirmus
