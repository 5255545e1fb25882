#include "Player.h"

#include "ControllerTable.h"
#include "LoadSong.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QPointer>

#include <memory>

namespace lirmus {

Player::Player(const Settings& settings, ControllerTable& controllers, Clock* clock)
    : MIDIOutput1(clock), settings_(settings), controllers_(controllers),
      lyrics_(lyric, song, state, settings, MIDIOutput1, hub_),
      pump_(song, flags, state, controllers, MIDIOutput1, hub_.displays()),
      dispatcher_(song, flags, state, channels, lyric, controllers, settings, MIDIOutput1, hub_.displays()),
      follower_(song, flags, state, dispatcher_, hub_),
      external_([this](const std::string& m) { hub_.messageBox(QString::fromStdString(m), MessageIcon::Exclamation); },
                [this](const std::string& m) { hub_.showNotice(QString::fromStdString(m)); })
{
    // The output's reports and errors come from its own thread: run them on
    // the window thread, in order. A context object that dies with us keeps
    // a late report from reaching a player that is gone.
    auto* context = new QObject;
    context_.reset(context);
    MIDIOutput1.setPoster([context](std::function<void()> f) {
        QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
    });
    // The output's errors come while songs load and play: they must not stop them.
    MIDIOutput1.onError = [this](int, const std::string& message) {
        hub_.showNotice(QString::fromStdString(message));
    };
    MIDIOutput1.MessageSent = [this](long tag) { MessageSent(tag); };
    dispatcher_.setSongEnd(&queueChain_);
    hub_.attachLyrics(&lyrics_);
    transport_.setSequencer(&external_);
    applySynthSettings();
}

void Player::applySynthSettings()
{
    MIDIOutput1.setSoundFont(settings_.SoundFont);
    MIDIOutput1.setAudioFile(settings_.AudioFile);
    MIDIOutput1.setAudioDriver(settings_.AudioDriver);
    MciOptions options;
    options.soundFont = settings_.SoundFont;
    options.audioFile = settings_.AudioFile;
    options.audioDriver = settings_.AudioDriver;
    external_.setOptions(options);
}

void Player::shutDown()
{
    transport_.InterrompiTutto();
    if (state.MciOpen || settings_.ExternalMCI) external_.execute("Close All");
    state.MciOpen = false;
    pump_.closeOnUnload();
}

Player::~Player()
{
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

void Player::loadSong()
{
    SongLoader(Midifile1, song, flags, settings_, SongViews(displays(), *this, *measure_)).LoadSong();
}

void Player::OutputSong(long fromIndex, long toIndex, long fromTime, int mode)
{
    transport_.OutputSong(fromIndex, toIndex, fromTime, mode);
}

void Player::clearControllerValues() { controllers_.ClearControllerValues(); }

void Player::setMonitorEnabled(bool enabled) { hub_.setMonitorEnabled(enabled); }

void Player::MessageSent(long index) { dispatcher_.MIDIOutput1_MessageSent(index); }

bool Player::songInUse() const
{
    const PlayerState& st = state;
    if (st.Loading || st.OutputBusy || flags.QueueBuilding) return true;
    if (st.buttons.Pause) return true; // playing
    // Paused past the song's start; a song cued at its start waits for Play and may be replaced.
    const SongQueue& q = song.queue;
    return st.Paused && st.buttons.Stop && st.CurrentIndex >= 1 && st.CurrentIndex <= q.MsgCount &&
           q[st.CurrentIndex].Time > 0;
}

} // namespace lirmus
