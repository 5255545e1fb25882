#include "ColumnFit.h"

#include <algorithm>

namespace lirmus {

std::vector<int> fitColumns(const std::vector<ColumnWant>& columns, int room)
{
    long long total = 0, flexibleNatural = 0, spare = 0;
    for (const ColumnWant& c : columns) {
        total += c.natural;
        if (!c.flexible) continue;
        flexibleNatural += c.natural;
        spare += std::max(0, c.natural - c.least);
    }
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const ColumnWant& c : columns) {
        long long w = c.natural;
        if (c.flexible && total < room && flexibleNatural > 0) {
            w += (room - total) * c.natural / flexibleNatural;
        } else if (c.flexible && total > room && spare > 0) {
            const long long excess = std::min(total - room, spare);
            w -= excess * std::max(0, c.natural - c.least) / spare;
        }
        widths.push_back(int(std::max<long long>(w, c.least)));
    }
    // The shares are rounded down: the last text column takes up the few pixels left, so
    // the columns end exactly at the edge and no scroll bar shows for them.
    long long sum = 0;
    for (int w : widths) sum += w;
    for (size_t i = columns.size(); i-- > 0;) {
        if (!columns[i].flexible) continue;
        const long long adjusted = widths[i] + (room - sum);
        if (sum != room && adjusted >= columns[i].least) widths[i] = int(adjusted);
        break;
    }
    return widths;
}

} // namespace lirmus
