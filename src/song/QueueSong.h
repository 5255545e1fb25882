#pragma once
// Song preparation: the open song file merged into the time-ordered queue in
// two passes, the first ending with the start of the output.
#include "LyricExtraction.h"
#include "SongState.h"
#include "SongSink.h"

#include <cstdint>

namespace lirmus {

class Midifile;
struct Settings;

class SongPreparation {
public:
    /// Music read by the first pass before the output starts, in ms.
    static constexpr double kFirstPassMs = 50000.0;

    /// reader must hold the open song; song was reset by LoadSong.
    SongPreparation(Midifile& reader, SongState& song, PlayerFlags& flags, const Settings& settings,
                    SongSink& sink, const TextMeasure& measure);

    /// Builds song.queue from every track in one go: the first 50 seconds,
    /// sorted and handed to OutputSong (which may refuse and raise
    /// AbortRequested), then the rest. QueueBuilding is set for the whole run.
    void QueueSong();

    /// Milliseconds at tick; defaultMs when useMap is 0. The first conversion on
    /// an empty map adds the file's initial tempo and shows it ("120!").
    double ProssimoTempoQueue(double defaultMs, int64_t tick, long useMap);

    /// The key label text of a key signature (sf as stored, mode 1 = minor).
    static QString keyCaption(const Settings& settings, int keySignature, int keyMode);

private:
    enum class Pass { First, Second };

    void findInitialTempo();
    void findLyricTrack();
    bool runPass(Pass pass);
    bool readTrack(int track, Pass pass);
    bool handleEvent(long index, int track);
    bool sortAndFinish(long from);
    void keepSeamInOrder();

    Midifile& reader_;
    SongState& song_;
    PlayerFlags& flags_;
    const Settings& settings_;
    SongSink& sink_;
    LyricExtraction extraction_;
    int lyricTrack_ = -1;       // -1: texts of every track may be lyrics
    long startIndex_ = 1;       // first queue index of the current pass
    long previousMelody_ = 0;   // last melody note-on; entry 0 stands for time 0
};

} // namespace lirmus
