#include "SongQueue.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace lirmus {
namespace {

// Keeps wild tempo maps from overflowing Time or the Length differences.
constexpr double kTimeLimit = 1e9;

bool isNote(uint8_t status)
{
    uint8_t kind = status & 0xF0;
    return kind == 0x90 || kind == 0x80 || kind == 0xA0;
}

} // namespace

void SongQueue::create(long capacity)
{
    MsgQueue.clear();
    MsgQueue.shrink_to_fit();
    MsgQueue.reserve(size_t(std::max(capacity, 0L)) + 1);
    MsgQueue.emplace_back();  // entry 0
    MsgCount = 0;
}

long SongQueue::add(double timeMs, int status, int data1, int data2)
{
    ++MsgCount;
    if (MsgQueue.empty()) MsgQueue.emplace_back();
    if (size_t(MsgCount) >= MsgQueue.size()) MsgQueue.emplace_back();
    double t = timeMs - double(TimeOffset);
    if (std::isnan(t)) t = 0;
    t = std::clamp(t, -kTimeLimit, kTimeLimit);
    QueueEntry& e = MsgQueue[size_t(MsgCount)];
    e.Text = QString();  // the slot may hold an entry that was dropped again
    e.Flag = 0;
    e.Value = e.Extra = e.Length = 0;
    e.Time = int32_t(std::nearbyint(t)); // the default rounding mode: halves to even
    e.Status = uint8_t(status);
    e.Data1 = uint8_t(data1);
    e.Data2 = uint8_t(data2);
    return MsgCount;
}

long SongQueue::lastTime() const
{
    return MsgCount > 0 ? MsgQueue[size_t(MsgCount)].Time : 0;
}

long SongQueue::firstAtOrAfter(long t) const
{
    for (long i = 1; i <= MsgCount; ++i)
        if ((*this)[i].Time >= t) return i;
    return 0;
}

long SongQueue::positionOf(long t, long i) const
{
    if (MsgCount < 1) return 0;
    if (t > (*this)[MsgCount].Time) return MsgCount;
    if (i < 1) i = 1;
    if (i > MsgCount || (*this)[i].Time > t) return 0;
    for (; i <= MsgCount; ++i) {
        if ((*this)[i].Time == t) return i;
        if ((*this)[i].Time > t) return i - 1;
    }
    return MsgCount;
}

long SongQueue::NextSysexPage(long i) const
{
    for (long j = std::max(i, 0L) + 1; j <= MsgCount; ++j) {
        const QueueEntry& e = (*this)[j];
        if (e.Status == 255 && e.Data1 == 10 && e.Data2 == 4) return j;
    }
    return 0;
}

long SongQueue::lyricPositionAt(long t) const
{
    for (long i = 1; i <= MsgCount; ++i) {
        const QueueEntry& e = (*this)[i];
        if (e.Time >= t && e.Status == 255 && e.Data1 == 5) return long(e.Value) * 100 + e.Extra;
    }
    return 0;
}

void SongQueue::trimTail()
{
    long i = MsgCount;
    while (i >= 1 && !isNote((*this)[i].Status)) --i;
    if (i >= 1) MsgCount = i;
}

void SongQueue::sortByTime(long from, std::initializer_list<long*> keep)
{
    if (from < 1) from = 1;
    if (from >= MsgCount) return;
    const size_t n = size_t(MsgCount - from + 1);
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    const QueueEntry* base = &MsgQueue[size_t(from)];
    std::stable_sort(order.begin(), order.end(),
                     [base](uint32_t a, uint32_t b) { return base[a].Time < base[b].Time; });
    bool moved = false;
    for (size_t k = 0; k < n && !moved; ++k) moved = order[k] != k;
    if (!moved) return;

    // Apply the permutation cycle by cycle: no second copy of a large queue.
    QueueEntry* a = &MsgQueue[size_t(from)];
    std::vector<bool> placed(n, false);
    for (size_t k = 0; k < n; ++k) {
        if (placed[k] || order[k] == k) continue;
        QueueEntry held = std::move(a[k]);
        size_t j = k;
        while (order[j] != k) {
            a[j] = std::move(a[order[j]]);
            placed[j] = true;
            j = order[j];
        }
        a[j] = std::move(held);
        placed[j] = true;
    }

    std::vector<uint32_t> newPlace(n);
    for (size_t k = 0; k < n; ++k) newPlace[order[k]] = uint32_t(k);
    for (long* index : keep)
        if (index && *index >= from && *index <= MsgCount) *index = from + long(newPlace[size_t(*index - from)]);
}

long SongQueue::fastStart()
{
    long first = 1;
    while (first <= MsgCount && ((*this)[first].Status & 0xF0) != 0x90) ++first;
    if (first > MsgCount) return TimeOffset;
    for (long i = 1; i < first; ++i) (*this)[i].Time = 0;
    TimeOffset = std::max(long((*this)[first].Time) - 100, 0L);
    for (long i = first; i <= MsgCount; ++i) (*this)[i].Time -= int32_t(TimeOffset);
    if (MsgQueue[0].Length >= TimeOffset) MsgQueue[0].Length -= int32_t(TimeOffset);
    return TimeOffset;
}

} // namespace lirmus
