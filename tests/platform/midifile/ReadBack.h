#pragma once
// Walks a Midifile the way the player does and collects every event, so tests
// compare whole songs at once.
#include "Midifile.h"

#include <ostream>
#include <string>
#include <vector>

namespace lirmus::test {

struct ReadEvent {
    int track = 0;
    long tick = 0;   // absolute
    long delta = 0;
    int status = 0, data1 = 0, data2 = 0;
    std::string data; // DataString
    std::string text; // Text
    bool operator==(const ReadEvent&) const = default;
};

/// Readable form for test failures.
inline void PrintTo(const ReadEvent& e, std::ostream* os)
{
    *os << "{track " << e.track << ", tick " << e.tick << ", delta " << e.delta << ", " << e.status << " " << e.data1
        << " " << e.data2 << ", data [";
    for (unsigned char c : e.data) *os << std::hex << int(c) << std::dec << " ";
    *os << "], text \"" << e.text << "\"}";
}

/// Every event of every track, in file order, with absolute ticks.
inline std::vector<ReadEvent> readAll(Midifile& mf)
{
    std::vector<ReadEvent> out;
    for (int t = 1; t <= mf.TrackCount(); ++t) {
        mf.setTrack(t);
        long tick = 0;
        for (long i = 1; i <= mf.EventCount(); ++i) {
            mf.setText("");
            mf.setDataString("");
            mf.setEventIndex(i);
            tick += mf.EventTime();
            out.push_back({t, tick, mf.EventTime(), mf.Status(), mf.Data1(), mf.Data2(), mf.DataString(), mf.Text()});
        }
    }
    return out;
}

/// Loads bytes into a fresh reader and collects its events.
inline std::vector<ReadEvent> readBytes(const std::string& bytes)
{
    Midifile mf;
    mf.loadBytes(bytes);
    return readAll(mf);
}

} // namespace lirmus::test
