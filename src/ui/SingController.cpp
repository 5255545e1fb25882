#include "SingController.h"

#include "MIDIOutput.h"
#include "Player.h"
#include "ScoreTable.h"
#include "Settings.h"
#include "SingSong.h"
#include "SongCredits.h"
#include "SongLibrary.h"

#include <QDateTime>

namespace lirmus {

SingController::SingController(Player& player, const Settings& settings, QObject* parent)
    : QObject(parent), player_(player), settings_(settings)
{
    connect(&mic_, &Microphone::frames, this, &SingController::takeFrames);
    connect(&mic_, &Microphone::failed, this, [this](const QString& why) { message_ = why; });
    // A microphone plugged in later is taken up within a retry's time.
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] {
        if (!wantsMicrophone() || mic_.running()) retry_.stop();
        else if (!Microphone::deviceNames().isEmpty()) startMicrophone();
    });
    // The recording and the lyrics window's guide want the voice whether or not the karaoke screen is up.
    if (wantsMicrophone()) startMicrophone();
}

bool SingController::listening() const { return settings_.PitchGuide && (active_ || settings_.LyricsGuide); }

bool SingController::wantsMicrophone() const { return listening() || player_.voiceTap(); }

void SingController::setActive(bool on)
{
    active_ = on;
    if (wantsMicrophone()) {
        if (!mic_.running()) startMicrophone(); // a recording's voice goes on without a gap
    }
    else mic_.stop();
}

void SingController::settingsChanged()
{
    if (wantsMicrophone()) startMicrophone();
    else mic_.stop();
}

void SingController::startMicrophone()
{
    mic_.setVoiceTap(player_.voiceTap());
    if (mic_.start(QString::fromStdString(settings_.Microphone))) {
        message_.clear();
        retry_.stop();
        return;
    }
    // Said once in a run: the songs go on without a score.
    if (!told_) message_ = mic_.error();
    told_ = true;
    if (!retry_.isActive()) qWarning("%s", qPrintable(mic_.error()));
    retry_.start();
}

void SingController::followSong()
{
    const PlayerState& st = player_.state();
    const SongState& song = player_.song();
    if (!st.QueueComplete || st.Loading) return;
    if (st.SongFile == songFile_ && song.queue.MsgCount == songEntries_) return;
    if (!songFile_.isEmpty()) message_.clear(); // told during one song is enough
    songFile_ = st.SongFile;
    songEntries_ = song.queue.MsgCount;
    live_.setSong(singSongOf(song, settings_.MelodyChannel));
    finished_ = heard_ = false;
    lastScore_ = -1;
    lastPos_ = -1;
}

void SingController::takeFrames(const QVector<LiveFrame>& frames)
{
    if (!listening()) return; // the microphone runs for the recording alone
    followSong();
    if (!live_.hasSong() || frames.isEmpty()) return;
    const SingSong* s = live_.song();
    const double end = s->lines.empty() ? (s->notes.empty() ? 0 : s->notes.back().end) : s->lines.back().end;
    const double lastStart = s->lines.empty() ? 0 : s->lines.back().start;
    if (player_.output().stateCode() != OutputStateCode::Playing) {
        // Paused or stopped: nothing sung counts. A song that stopped in its last line has ended.
        if (!finished_ && heard_ && !player_.songInUse() && lastPos_ >= lastStart) {
            live_.linesEndedBy(end);
            finish();
        }
        return;
    }
    const double pos = player_.lyrics().songPositionMs();
    if (pos < 0) return;
    lastPos_ = pos;
    const double factor = tempoFactor(player_.state().SongTempoChange), now = steadyNowMs();
    live_.setKey(player_.state().Transpose);
    for (const LiveFrame& f : frames)
        live_.addFrame(pos - (now - f.steadyMs) / factor, f.pitch.lengthMs / factor, f.pitch.midi);
    lastCaptured_ = frames.back().capturedMs;
    heard_ = true;
    for (const LineResult& r : live_.linesEndedBy(pos))
        if (r.score >= 0) emit lineRated(r.rating, r.score);
    if (!finished_ && pos >= end) finish();
}

void SingController::finish()
{
    finished_ = true;
    if (!heard_) return;
    lastScore_ = live_.total();
    lastFile_ = songFile_;
    lastSinger_ = player_.singer();
    lastEndedAt_ = steadyNowMs();
    lastBest_ = -1;
    SongLibrary* lib = library ? library() : nullptr;
    if (lib && lib->isOpen()) {
        DbError e;
        std::vector<ScoreRecord> best;
        if (!addScore(lib->database(), {lastFile_, lastSinger_, lastScore_, QDateTime::currentDateTime()}, &e) ||
            !bestScores(lib->database(), lastFile_, 1, &best, &e))
            qWarning("The score was not kept: %s", qPrintable(e.text()));
        else if (!best.empty())
            lastBest_ = best.front().score;
    }
    emit songScored(lastScore_);
}

std::optional<GuideView> SingController::guide()
{
    if (!settings_.PitchGuide) return {};
    followSong();
    const SingSong* s = live_.song();
    if (!s || s->notes.empty()) return {};
    const double pos = player_.lyrics().songPositionMs();
    if (pos < 0) return {};
    live_.setKey(player_.state().Transpose);
    GuideView v = live_.guide(pos);
    v.message = message_;
    v.capturedMs = lastCaptured_;
    return v;
}

std::optional<TitleCard> SingController::card(std::optional<TitleCard> next)
{
    if (lastScore_ < 0) return next;
    if (next) {
        next->score = lastScore_;
        return next;
    }
    if (player_.songInUse() || steadyNowMs() - lastEndedAt_ > kScoreCardMs) return {};
    TitleCard c;
    c.credits = readSongCredits(lastFile_);
    c.singer = lastSinger_;
    c.score = lastScore_;
    c.best = lastBest_;
    c.ended = true;
    return c;
}

} // namespace lirmus
