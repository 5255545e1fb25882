#include "QueueSong.h"

#include "Midifile.h"
#include "Settings.h"
#include "TimeText.h"

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kSysex = 240;
constexpr int kMeta = 255;
constexpr int kMetaTrackName = 3;
constexpr int kMetaMarker = 6;
constexpr int kMetaTempo = 81;
constexpr int kMetaSmpteOffset = 84;
constexpr int kMetaTimeSignature = 88;
constexpr int kMetaKeySignature = 89;

} // namespace

SongPreparation::SongPreparation(Midifile& reader, SongState& song, PlayerFlags& flags, const Settings& settings,
                                 SongSink& sink, const TextMeasure& measure)
    : reader_(reader), song_(song), flags_(flags), settings_(settings), sink_(sink),
      extraction_(song, settings, sink, measure)
{
    extraction_.setTextDecoder([&reader](const std::string& bytes) { return reader.decodeText(bytes); });
}

void SongPreparation::QueueSong()
{
    flags_.QueueBuilding = true;
    song_.InitialTempo = reader_.Tempo();
    long total = 0;
    for (int t = 1; t <= song_.TrackCount; ++t) {
        song_.tracks[size_t(t)].NextEvent = 1;
        song_.tracks[size_t(t)].MetaOnly = true;
        reader_.setTrack(t);
        total += reader_.EventCount();
    }
    song_.queue.create(total);
    song_.queue.TimeOffset = 0;
    findInitialTempo();
    findLyricTrack();

    startIndex_ = 1;
    if (!runPass(Pass::First)) return;

    SongQueue& q = song_.queue;
    if (settings_.ExternalMCI && q.TimeOffset >= 1)
        sink_.OutputSong(0, q.MsgCount, 101, 0);
    else
        sink_.OutputSong(1, q.MsgCount, 0, 0);
    startIndex_ = q.MsgCount + 1;
    // An output that could not start (the external player refused the file)
    // raised AbortRequested: the second pass ends at its first event.
    if (!runPass(Pass::Second)) return;

    if (settings_.TurboStart) q.trimTail();
    if (!settings_.ExternalMCI && q.MsgCount >= startIndex_) {
        flags_.QueueBuilding = false;
        // Continue with the start time the first hand-over used.
        sink_.OutputSong(startIndex_, q.MsgCount, q.MsgCount >= 1 ? q[1].Time : 0, -1);
    }
    flags_.QueueBuilding = false;
    sink_.queueComplete(q.lastTime());
}

void SongPreparation::findInitialTempo()
{
    for (int t = 1; t <= song_.TrackCount; ++t) {
        reader_.setTrack(t);
        const long count = reader_.EventCount();
        bool found = false;
        for (long e = 1; e <= count; ++e) {
            reader_.setEventIndex(e);
            if (reader_.EventTime() != 0) break;
            if (reader_.Status() == kMeta && reader_.Data1() == kMetaTempo) {
                song_.tempoMap.TempoAggiungi(0, reader_.Tempo(), reader_.Division());
                found = true;
            }
        }
        if (found) return;
    }
}

void SongPreparation::findLyricTrack()
{
    for (int t = 1; t <= song_.TrackCount; ++t) {
        reader_.setTrack(t);
        const long count = std::min(reader_.EventCount(), 20L);
        for (long e = 1; e <= count; ++e) {
            reader_.setText("");
            reader_.setEventIndex(e);
            if (reader_.EventTime() > 0) break;
            if (reader_.Status() == kMeta && reader_.Data1() == kMetaTrackName &&
                QString::fromStdString(reader_.Text()).toUpper() == QLatin1String("WORDS")) {
                lyricTrack_ = t;
                return;
            }
        }
    }
}

double SongPreparation::ProssimoTempoQueue(double defaultMs, int64_t tick, long useMap)
{
    if (useMap == 0) return defaultMs;
    if (song_.tempoMap.TempoLast() < 0) {
        const long tempo = song_.InitialTempo > 0 ? song_.InitialTempo : 500000;
        song_.tempoMap.TempoAggiungi(0, tempo, reader_.Division());
        sink_.songCaption(SongCaption::Tempo, QString::number(60000000L / tempo) + QLatin1Char('!'));
    }
    return song_.tempoMap.msAt(tick);
}

bool SongPreparation::runPass(Pass pass)
{
    for (int t = 1; t <= song_.TrackCount; ++t) {
        if (!readTrack(t, pass)) return false;
        // Only a track found while none is known: a later meta-only track must
        // not take the lyrics away from the one already chosen.
        if (pass == Pass::First && settings_.FilterLyrics && lyricTrack_ == -1 &&
            song_.tracks[size_t(t)].MetaOnly && song_.LyricLineCount() > 8)
            lyricTrack_ = t;
    }

    flags_.QueueMerging = true;
    if (pass == Pass::Second) keepSeamInOrder();
    const bool finished = sortAndFinish(startIndex_);
    flags_.QueueMerging = false;
    if (!finished || flags_.AbortRequested) {
        flags_.QueueBuilding = false;
        return false;
    }

    song_.SongLength = song_.queue.lastTime();
    sink_.passSorted();
    if (song_.LyricLineCount() >= 2 && !song_.LyricDisplayStarted) {
        song_.LyricDisplayStarted = true;
        sink_.lyricsReady();
    }
    if (!song_.ChordList.isEmpty()) sink_.chordsReady();
    return true;
}

bool SongPreparation::readTrack(int track, Pass pass)
{
    auto cursor = [this, track]() -> TrackCursor& { return song_.tracks[size_t(track)]; };
    reader_.setTrack(track);
    const long count = reader_.EventCount();
    while (cursor().NextEvent <= count) {
        TrackCursor& c = cursor();
        if (flags_.AbortRequested) {
            flags_.QueueBuilding = false;
            return false;
        }
        reader_.setText("");
        reader_.setDataString("");
        reader_.setEventIndex(c.NextEvent);
        const long delta = reader_.EventTime();
        const int64_t tick = c.PrevTick + delta;
        const double time = delta == 0 ? c.PrevTime : ProssimoTempoQueue(c.PrevTime, tick, delta);
        // The event past the mark waits for the second pass, so that pass
        // never has to queue anything earlier than what is already playing.
        if (pass == Pass::First && time > kFirstPassMs) break;
        ++c.NextEvent;
        c.Tick = tick;
        c.Time = time;

        const long index = song_.queue.add(time, reader_.Status(), reader_.Data1(), reader_.Data2());
        if (!handleEvent(index, track)) song_.queue.dropLast();
        c.PrevTick = tick;
        c.PrevTime = time;
    }
    return true;
}

bool SongPreparation::handleEvent(long index, int track)
{
    SongQueue& q = song_.queue;
    QueueEntry& e = q[index];
    const int status = e.Status;

    if (status == 0x90 + settings_.MelodyChannel && e.Data2 >= 1 && song_.LyricLineCount() < 8) {
        q[previousMelody_].Length = e.Time - q[previousMelody_].Time;
        previousMelody_ = index;
    }

    if (status == kSysex) return extraction_.sysex(index, reader_.DataString());
    if (status != kMeta) {
        song_.tracks[size_t(track)].MetaOnly = false;
        return true;
    }
    switch (e.Data1) {
    case kMetaTempo: {
        const long tempo = reader_.Tempo();
        song_.tempoMap.TempoAggiungi(song_.tracks[size_t(track)].Tick, tempo, reader_.Division());
        e.Value = tempo > 0 ? int32_t(std::nearbyint(60000000.0 / double(tempo))) : 0;
        return true;
    }
    case kMetaSmpteOffset:
    case kMetaTimeSignature:
        return true;
    case kMetaKeySignature:
        sink_.songCaption(SongCaption::Key, keyCaption(settings_, reader_.KeySignature(), reader_.KeyMode()));
        return true;
    case kMetaMarker:
        e.Text = QString::fromStdString(reader_.Text());
        if (e.Time > 500) e.Time -= 500;
        return true;
    default:
        return extraction_.textMeta(index, e.Data1, QString::fromStdString(reader_.Text()), track, lyricTrack_);
    }
}

void SongPreparation::keepSeamInOrder()
{
    // Entries of the first pass may already be playing: nothing of the second
    // pass may come before the last of them (markers moved earlier, tempo
    // segments added late).
    SongQueue& q = song_.queue;
    if (startIndex_ <= 1) return;
    const int32_t floor = q[startIndex_ - 1].Time;
    for (long i = startIndex_; i <= q.MsgCount; ++i)
        if (q[i].Time < floor) q[i].Time = floor;
}

bool SongPreparation::sortAndFinish(long from)
{
    // Sorted stably and for every song: single-track songs too have markers
    // moved earlier and nudged syllables.
    song_.queue.sortByTime(settings_.ExternalMCI ? 1 : from,
                           {&song_.LastSyllableEntry, &song_.LastChordEntry, &previousMelody_});
    if (from == 1 && settings_.TurboStart) {
        const long offset = song_.queue.fastStart();
        sink_.songCaption(SongCaption::FastStart, QString::number(offset));
    }
    return true;
}

QString SongPreparation::keyCaption(const Settings& settings, int keySignature, int keyMode)
{
    const int sf = keySignature > 127 ? keySignature - 256 : keySignature;
    const bool minor = keyMode == 1;
    // Sharps and flats walk the circle of fifths; a minor key is the relative
    // minor, three semitones below its major.
    const int tonic = ((sf * 7 + (minor ? 9 : 0)) % 12 + 12) % 12;
    return trimBlanks(QString::fromStdString(noteName(settings, tonic))) + (minor ? QLatin1Char('-') : QLatin1Char('+'));
}

} // namespace lirmus
