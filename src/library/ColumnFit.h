#pragma once
// How the grid's columns share its width: each wants room for its header and
// its texts; text columns stretch or give way together, numbers keep theirs.
#include <vector>

namespace lirmus {

struct ColumnWant {
    int natural = 0;       ///< the width its header and texts need
    int least = 0;         ///< the width its header needs
    bool flexible = false; ///< a text column: it stretches and gives way
};

/// Widths for the columns in room pixels: spare room goes to the text columns in
/// proportion to their natural widths; too little room takes from each text column
/// in proportion to what it has beyond its least width. No column is below its least.
std::vector<int> fitColumns(const std::vector<ColumnWant>& columns, int room);

} // namespace lirmus
