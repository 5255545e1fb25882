#include "FuzzOne.h"

#include "Midifile.h"

#include <string>

namespace lirmus::fuzz {

namespace {

// Folds every value read into one number, so nothing is optimised away.
volatile unsigned long gSink;

void readMidifile(Midifile& mf)
{
    unsigned long sum = mf.TrackCount() + mf.FileFormat() + mf.TimeFormat() + mf.Division() + mf.Tempo();
    for (int t = 0; t <= mf.TrackCount() + 1; ++t) { // one past each end on purpose
        mf.setTrack(t);
        long count = mf.EventCount();
        for (long i = 0; i <= count + 1; ++i) {
            mf.setText("");
            mf.setDataString("");
            mf.setEventIndex(i);
            sum += mf.EventIndex() + mf.EventTime() + mf.Status() + mf.Data1() + mf.Data2() + mf.Tempo() +
                   mf.KeySignature() + mf.KeyMode() + mf.Text().size() + mf.DataString().size();
            if (!mf.Text().empty()) sum += decodeMidiText(mf.Text()).size();
        }
    }
    gSink = sum;
}

} // namespace

void fuzzOne(const uint8_t* data, size_t size)
{
    Midifile mf;
    mf.setFileName("fuzz.mid");
    mf.onError = [](int number, const std::string& message) { gSink = number + message.size(); };
    mf.loadBytes(std::string(reinterpret_cast<const char*>(data), size));
    readMidifile(mf);
    mf.setAction(2);
}

} // namespace lirmus::fuzz
