#include "LoadSong.h"

#include "Midifile.h"
#include "QueueSong.h"
#include "Settings.h"

namespace lirmus {

bool OpenSongFile(Midifile& reader, const std::string& path, AppDisplay& app)
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
    if (cannotOpen) app.beep();
    if (cannotOpen) app.messageBox(kMsgNotFound, MessageIcon::Exclamation);
    return !cannotOpen;
}

SongLoader::SongLoader(Midifile& reader, SongState& song, PlayerFlags& flags, const Settings& settings,
                       SongViews views)
    : reader_(reader), song_(song), flags_(flags), settings_(settings), views_(views)
{
}

void SongLoader::LoadSong()
{
    if (flags_.QueueBuilding) return;
    const int trackCount = reader_.TrackCount();
    song_ = SongState();
    song_.tracks.assign(size_t(trackCount) + 1, TrackCursor());

    views_.lyrics.setNextLyricCaption(QStringLiteral("Next Lyric"));
    views_.lyrics.setMarkerCaption(QString());
    views_.lyrics.setTitleCaption(QString());
    views_.lyrics.resetLyricState();
    views_.player.setWarnColor(12);
    views_.player.setWarnEnabled(false);
    views_.monitor.ResetChannelStates();

    if (trackCount == 0) {
        views_.app.messageBox(kMsgCorrupted, MessageIcon::Exclamation);
        reader_.setAction(2);
        return;
    }

    song_.TrackCount = trackCount;
    song_.FileFormat = reader_.FileFormat();
    song_.Division = reader_.Division();
    views_.monitor.setTrackCaption(QStringLiteral("%1/%2").arg(trackCount, 2, 10, QLatin1Char('0')).arg(song_.FileFormat));
    reader_.setTrack(1);
    views_.monitor.setKeyCaption(settings_.ItalianNotation ? QStringLiteral("Do+") : QStringLiteral("C+"));
    views_.monitor.setTempoCaption(QString());
    song_.tempoMap.clear();
    if (reader_.Tempo() == 0) reader_.setTempo(500000);
    song_.InitialTempo = reader_.Tempo();
    song_.SongText.clear();
    reader_.setTextEncoding(settings_.TextEncoding);
    song_.TextEncoding = QString::fromStdString(reader_.TextEncoding());

    if (reader_.TimeFormat() == 1) {
        views_.app.messageBox(kMsgSmpte, MessageIcon::Plain);
        return;
    }
    // No ticks per quarter note: nothing could be timed.
    if (song_.Division < 1) {
        views_.app.messageBox(kMsgCorrupted, MessageIcon::Exclamation);
        reader_.setAction(2);
        return;
    }

    // A flag left over from stopping the previous song is cleared; a stop or
    // another song asked for while these events ran ends this load instead.
    const bool leftOver = flags_.AbortRequested;
    views_.app.processEvents();
    if (flags_.AbortRequested && !leftOver) {
        reader_.setAction(2);
        return;
    }
    flags_.AbortRequested = false;
    SongPreparation(reader_, song_, flags_, settings_, views_).QueueSong();
    reader_.setAction(2);
}

} // namespace lirmus
