#include "Player.h"

#include "MelodyChannel.h"
#include "RecordingTakes.h"
#include "SynthDevice.h"
#include "SongCredits.h"

#include "ControllerTable.h"
#include "LoadSong.h"
#include "Palette.h"
#include "Settings.h"
#include "TimeText.h"

#include <QCoreApplication>

#include <algorithm>

namespace lirmus {

Player::Player(const Settings& settings, ControllerTable& controllers, Clock* clock)
    : settings_(settings), controllers_(controllers), clock_(clock ? *clock : static_cast<const Clock&>(steady_)),
      context_(std::make_unique<QObject>()), MIDIOutput1(clock), timers_(state_, clock_, clock == nullptr),
      lyrics_(lyric_, song_, state_, settings, MIDIOutput1, [this] { return timers_.now(); }),
      pump_(song_, flags_, state_, controllers, MIDIOutput1, timers_, lyrics_, hub_.displays()),
      dispatcher_(song_, flags_, state_, channels_, lyric_, controllers, settings, MIDIOutput1,
                  [this] { return timers_.now(); }, lyrics_, hub_.displays()),
      follower_(song_, flags_, state_, dispatcher_),
      mixer_(channels_, controllers, settings, state_, flags_, MIDIOutput1, hub_, hub_, *this),
      external_([this](const std::string& m) { hub_.messageBox(QString::fromStdString(m), MessageIcon::Exclamation); },
                [this](const std::string& m) { hub_.showNotice(QString::fromStdString(m)); })
{
    // The output's reports and errors come from its own thread: run them on
    // the window thread, in order, in the name of an object that outlives the
    // output's reports.
    QObject* context = context_.get();
    MIDIOutput1.setPoster([context](std::function<void()> f) {
        QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
    });
    // The output's errors come while songs load and play: they must not stop them.
    MIDIOutput1.onError = [this](int, const std::string& message) {
        hub_.showNotice(QString::fromStdString(message));
    };
    MIDIOutput1.MessageSent = [this](long tag) { MessageSent(tag); };
    timers_.setHandler(PlayerTimer::Out, [this] { pump_.TimerOut_Timer(); });
    timers_.setHandler(PlayerTimer::Display, [this] { transport_.Timer1_Timer(); });
    timers_.setHandler(PlayerTimer::External, [this] { transport_.Timer2_Timer(); });
    dispatcher_.setSongEnd(&queueChain_);
    transport_.setSequencer(&external_);
    // A song's end starts the next queued one once the output's report has returned.
    timers_.setHandler(PlayerTimer::Card, [this] {
        if (pending_ && timers_.now() >= pending_->startsAt) startPending();
    });
    queueChain_.setStarter([this](const QString& file, const QString& singer) { playSong(file, 0, singer); },
                           [context](std::function<void()> f) {
                               QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
                           },
                           [this](const QStringList& files) {
                               hub_.messageBox("These songs of the queue cannot be read and were skipped:\n" +
                                                   files.join('\n'),
                                               MessageIcon::Exclamation);
                           });
    applySynthSettings();
}

Player::~Player()
{
    // Nothing may run in our name once we start to go: the timers first, then
    // the output's reports (its doorbell thread posts to the context).
    timers_.stopAll();
    MIDIOutput1.stopReports();
    MIDIOutput1.MessageSent = nullptr;
    MIDIOutput1.onError = nullptr;
    pump_.closeOnUnload();
}

void Player::applySynthSettings()
{
    // The same name keeps the take that runs; another one starts afresh.
    if (settings_.AudioFile.empty())
        takes_.reset();
    else if (!takes_ || takes_->path() != settings_.AudioFile)
        takes_ = std::make_shared<RecordingTakes>(settings_.AudioFile);
    if (settings_.RecordVoice && !voiceTap_)
        voiceTap_ = std::make_shared<VoiceTap>(kSynthRate);
    else if (!settings_.RecordVoice)
        voiceTap_.reset();
    if (takes_) takes_->setVoice(voiceTap_);
    MIDIOutput1.setSoundFont(settings_.SoundFont);
    MIDIOutput1.setRecording(takes_);
    MIDIOutput1.setAudioDriver(settings_.AudioDriver);
    MciOptions options;
    options.soundFont = settings_.SoundFont;
    options.recording = takes_;
    options.audioDriver = settings_.AudioDriver;
    external_.setOptions(options);
}

void Player::endTake()
{
    if (takes_) takes_->endTake();
}

void Player::shutDown()
{
    transport_.InterrompiTutto();
    if (state_.MciOpen || settings_.ExternalMCI) external_.execute("Close All");
    state_.MciOpen = false;
    pump_.closeOnUnload();
}

void Player::openOutput()
{
    // The stored list position preselects the device; -1 (never chosen) is the first entry.
    // Positions 0 and 1 (mapper, built-in synthesizer) always exist: only a
    // port can have gone since it was chosen, and then the mapper plays.
    int position = std::max(0, settings_.MIDIDEVICE);
    if (position > 1 && position > MIDIOutput1.DeviceCount()) {
        tellMissingDevice(position);
        position = 0;
    }
    pump_.OpenOutputDevice(position, settings_.ExternalMCI);
}

void Player::tellMissingDevice(int position)
{
    if (position == missingDeviceTold_) return;
    missingDeviceTold_ = position;
    hub_.messageBox(QString("The MIDI output device chosen in the options (number %1 of the device list) "
                            "is no longer there; the MIDI mapper plays instead. Choose a device in "
                            "Setup, Options.")
                        .arg(position),
                    MessageIcon::Exclamation);
}

void Player::chooseSong(const QString& file, int transpose, std::optional<int> tempo)
{
    state_.SongTranspose = transpose;
    state_.SongSavedTempo = tempo;
    state_.SongFile = file;
    hub_.setSongCaption("Play: " + file);
}

void Player::playSong(const QString& file, int transpose, const QString& singer, std::optional<int> tempo)
{
    if (titleCards_ && !settings_.AutoStart && settings_.ScreenCardSeconds > 0) {
        // The card shows first; what plays now stops for it.
        if (!pending_) transport_.Stop_Play();
        pending_ = PendingSong{file, transpose, singer, timers_.now() + settings_.ScreenCardSeconds, tempo};
        timers_.arm(PlayerTimer::Card, true);
        return;
    }
    startSong(file, transpose, singer, tempo);
}

void Player::startSong(const QString& file, int transpose, const QString& singer, std::optional<int> tempo)
{
    singer_ = singer;
    queueChain_.setEnded(false);
    chooseSong(file, transpose, tempo);
    if (settings_.ExternalMCI) transport_.Stop_Play();
    transport_.Start_Play();
}

void Player::startPending()
{
    timers_.arm(PlayerTimer::Card, false);
    if (!pending_) return;
    const PendingSong song = *pending_;
    pending_.reset();
    startSong(song.file, song.transpose, song.singer, song.tempo);
}

void Player::dropPending()
{
    timers_.arm(PlayerTimer::Card, false);
    pending_.reset();
}

void Player::setTitleCards(bool on)
{
    titleCards_ = on;
    if (!on && pending_) startPending(); // nobody sees the card: no reason to wait
}

const SongCredits& Player::creditsOf(const QString& file) const
{
    if (file != creditsFile_) {
        creditsFile_ = file;
        credits_ = readSongCredits(file);
    }
    return credits_;
}

namespace {

/// The card of a song that comes first: its credits, who asked for it, of count songs.
TitleCard cardOf(SongCredits credits, QString singer, int count)
{
    TitleCard c;
    c.credits = std::move(credits);
    c.singer = std::move(singer);
    c.place = 1;
    c.count = count;
    return c;
}

} // namespace

std::optional<TitleCard> Player::titleCard() const
{
    if (!titleCards_) return {};
    const int queued = playQueue_.size();
    if (pending_) return cardOf(creditsOf(pending_->file), pending_->singer, 1 + queued);
    const PlayerState& st = state_;
    const bool loaded = !st.SongFile.isEmpty() && song_.queue.MsgCount > 0 && !st.Loading;
    // Cued at its start: Play has not been pressed since it was loaded or stopped.
    if (loaded && st.Paused && !settings_.ExternalMCI && MIDIOutput1.stateCode() != OutputStateCode::Playing &&
        MIDIOutput1.stateCode() != OutputStateCode::Paused)
        return cardOf(creditsFrom(song_.TitleLines, st.SongFile), singer_, 1 + queued);
    if (!loaded && queued > 0)
        return cardOf(creditsOf(playQueue_.songs().first()), playQueue_.singerAt(0), queued);
    return {};
}

void Player::handOver(const QStringList& files)
{
    QStringList songs = files;
    if (songs.isEmpty()) return;
    if (!songInUse()) playSong(songs.takeFirst(), 0);
    playQueue_.add(songs);
}

void Player::dropSongs(const QStringList& files)
{
    if (files.size() <= 1) {
        transport_.Form_OLEDragDrop(files.value(0));
        return;
    }
    // Several songs at once: the first plays unless a song is in use, the others wait their turn.
    QStringList songs;
    for (const QString& file : files)
        if (isSongFileName(file)) songs << file;
    if (songs.size() < files.size()) hub_.beep();
    handOver(songs);
}

void Player::loadSong()
{
    SongLoader(Midifile1, song_, flags_, settings_, *this, lyrics_.textMeasure()).LoadSong();
}

void Player::resetChannelSliders()
{
    channels_.IndicUpdating = true;
    for (auto& strip : channels_.StripValue) strip.fill(0);
    channels_.MeterLevel.fill(0);
    hub_.ResetChannelSliders();
    channels_.IndicUpdating = false;
}

void Player::songReset()
{
    lyrics_.setNextLyricCaption(QStringLiteral("Next Lyric"));
    lyrics_.setMarkerCaption(QString());
    lyrics_.setTitleCaption(QString());
    lyrics_.resetLyricState();
    state_.QueueComplete = false;
    hub_.setWarnColor(kLampLoaded);
    hub_.setWarnEnabled(false);
    // The channels start afresh whether or not a monitor window shows them.
    mixer_.ResetChannelStates();
}

void Player::songRefused(const QString& message, MessageIcon icon, bool beep)
{
    if (beep) hub_.beep();
    hub_.messageBox(message, icon);
}

void Player::songCaption(SongCaption which, const QString& text)
{
    switch (which) {
    case SongCaption::Track: hub_.setTrackCaption(text); break;
    case SongCaption::Key: hub_.setKeyCaption(text); break;
    case SongCaption::Tempo: hub_.setTempoCaption(text); break;
    case SongCaption::Title: lyrics_.setTitleCaption(text); break;
    case SongCaption::FastStart: lyrics_.setTurboCaption(text); break;
    }
}

void Player::passSorted()
{
    state_.SliderPercent = 0;
    hub_.setPositionSlider(0, 100, 0, 10);
}

void Player::lyricsReady() { lyrics_.StartLyric(1); }

void Player::chordsReady() { lyrics_.StartLyricA(); }

void Player::OutputSong(long fromIndex, long toIndex, long fromTime, int mode)
{
    transport_.OutputSong(fromIndex, toIndex, fromTime, mode);
}

void Player::queueComplete(long lengthMs)
{
    hub_.setWarnColor(kLampHandedAll);
    hub_.showSongLength(TimeText(double(lengthMs) / 1000.0).left(5));
    state_.QueueComplete = true;
    hub_.setWarnEnabled(true);
    // Found before any note of the song is reported sent: the Melody button can follow it from the first.
    const MelodyGuess melody = detectMelodyChannel(song_.queue, settings_.MelodyChannel);
    channels_.MelodyFound = melody.detected ? melody.channel : -1;
}

void Player::MidiPanic() { transport_.MidiPanic(); }

void Player::setMonitorEnabled(bool enabled) { hub_.setMonitorEnabled(enabled); }

void Player::MessageSent(long index) { dispatcher_.MIDIOutput1_MessageSent(index); }

QString Player::singerOnStage() const
{
    if (pending_) return pending_->singer;
    return stageFree() ? QString() : singer_;
}

bool Player::stageFree() const
{
    if (pending_ || songInUse()) return false;
    return state_.SongFile.isEmpty() || queueChain_.ended();
}

double Player::secondsLeft() const
{
    if (!songInUse()) return 0;
    const SongQueue& q = song_.queue;
    const long at = state_.CurrentIndex >= 1 && state_.CurrentIndex <= q.MsgCount ? long(q[state_.CurrentIndex].Time) : 0;
    return std::max(0L, song_.SongLength - at) / 1000.0;
}

bool Player::songInUse() const
{
    const PlayerState& st = state_;
    if (st.Loading || st.OutputBusy || flags_.QueueBuilding) return true;
    if (st.buttons.Pause) return true; // playing
    // Paused past the song's start; a song cued at its start waits for Play and may be replaced.
    const SongQueue& q = song_.queue;
    return st.Paused && st.buttons.Stop && st.CurrentIndex >= 1 && st.CurrentIndex <= q.MsgCount &&
           q[st.CurrentIndex].Time > 0;
}

} // namespace lirmus
