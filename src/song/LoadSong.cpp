#include "LoadSong.h"

#include "Midifile.h"
#include "QueueSong.h"
#include "Settings.h"

namespace lirmus {

bool OpenSongFile(Midifile& reader, const std::string& path, SongSink& sink)
{
    bool cannotOpen = false;
    auto shown = std::move(reader.onError);
    // Errors of the open itself are caught here, not shown as they come.
    reader.onError = [&cannotOpen](int number, const std::string&) {
        if (number == Midifile::kErrorCannotOpen) cannotOpen = true;
    };
    reader.setFileName(path);
    reader.setAction(1);
    reader.onError = std::move(shown);
    if (cannotOpen) sink.songRefused(kMsgNotFound, MessageIcon::Exclamation, true);
    return !cannotOpen;
}

SongLoader::SongLoader(Midifile& reader, SongState& song, PlayerFlags& flags, const Settings& settings,
                       SongSink& sink, const TextMeasure& measure)
    : reader_(reader), song_(song), flags_(flags), settings_(settings), sink_(sink), measure_(measure)
{
}

void SongLoader::LoadSong()
{
    if (flags_.QueueBuilding) return;
    const int trackCount = reader_.TrackCount();
    song_ = SongState();
    song_.tracks.assign(size_t(trackCount) + 1, TrackCursor());

    sink_.songReset();

    if (trackCount == 0) {
        sink_.songRefused(kMsgCorrupted, MessageIcon::Exclamation, false);
        reader_.setAction(2);
        return;
    }

    song_.TrackCount = trackCount;
    song_.FileFormat = reader_.FileFormat();
    song_.Division = reader_.Division();
    sink_.songCaption(SongCaption::Track, QStringLiteral("%1/%2").arg(trackCount, 2, 10, QLatin1Char('0')).arg(song_.FileFormat));
    reader_.setTrack(1);
    sink_.songCaption(SongCaption::Key, settings_.ItalianNotation ? QStringLiteral("Do+") : QStringLiteral("C+"));
    sink_.songCaption(SongCaption::Tempo, QString());
    song_.tempoMap.clear();
    if (reader_.Tempo() == 0) reader_.setTempo(500000);
    song_.InitialTempo = reader_.Tempo();
    song_.SongText.clear();
    reader_.setTextEncoding(settings_.TextEncoding);
    song_.TextEncoding = QString::fromStdString(reader_.TextEncoding());

    if (reader_.TimeFormat() == 1) {
        sink_.songRefused(kMsgSmpte, MessageIcon::Plain, false);
        return;
    }
    // No ticks per quarter note: nothing could be timed.
    if (song_.Division < 1) {
        sink_.songRefused(kMsgCorrupted, MessageIcon::Exclamation, false);
        reader_.setAction(2);
        return;
    }

    // A flag left over from stopping the previous song is cleared: the
    // preparation runs in one go, nothing can ask to stop it meanwhile.
    flags_.AbortRequested = false;
    SongPreparation(reader_, song_, flags_, settings_, sink_, measure_).QueueSong();
    reader_.setAction(2);
}

} // namespace lirmus
