#pragma once
// Loading a song: the file opened in the reader, checked, and prepared.
#include "SongState.h"
#include "SongSink.h"

#include <string>

namespace lirmus {

class Midifile;
struct Settings;

/// The messages a refused song gives.
inline const QString kMsgCorrupted = QStringLiteral("Midi file corrupted !");
inline const QString kMsgSmpte = QStringLiteral("TimeFormat = SMPTE !");
inline const QString kMsgNotFound =
    QStringLiteral("Midi file not found or 'Read Only' or in use by another program !");

/// Puts path into the reader and reads it (Action 1). A file that cannot be
/// opened (reader error 1103: missing, unreadable, a folder) is refused with
/// kMsgNotFound and a beep, and gives false; other reader errors of this call are
/// left for LoadSong to judge by TrackCount.
bool OpenSongFile(Midifile& reader, const std::string& path, SongSink& sink);

class SongLoader {
public:
    SongLoader(Midifile& reader, SongState& song, PlayerFlags& flags, const Settings& settings, SongSink& sink,
               const TextMeasure& measure);

    /// Resets song and the displays for the open file, refuses an unreadable
    /// or SMPTE-timed one with its message, else queues it (QueueSong) in one
    /// go; closes the reader at the end (not after the SMPTE refusal). Does
    /// nothing while a queue is being built: that load still uses the song.
    void LoadSong();

private:
    Midifile& reader_;
    SongState& song_;
    PlayerFlags& flags_;
    const Settings& settings_;
    SongSink& sink_;
    const TextMeasure& measure_;
};

} // namespace lirmus
