#include "Transport.h"

#include "ExternalSequencer.h"
#include "LoadSong.h"
#include "Panic.h"
#include "Player.h"
#include "Settings.h"
#include "TimeText.h"

#include <QElapsedTimer>

#include <cmath>

namespace lirmus {
namespace {

enum Action { kClose = 2, kClear = 3, kStart = 4, kStop = 5, kPauseResume = 9 };
constexpr int kStatePlaying = 2, kStatePaused = 4;
constexpr qint64 kStopWaitMs = 250;

} // namespace

Transport::Transport(Player& player) : p_(player) {}

void Transport::setSequencer(ExternalSequencer* sequencer)
{
    mci_ = sequencer;
    p_.follower().setPositionSource([this] {
        // A reply that is not a number reads as 0.
        std::string reply;
        if (!mci_ || mci_->sendString("Status MCIMidi Position", reply) != 0) return 0.0;
        return std::atof(reply.c_str());
    });
}

bool Transport::mci(const std::string& command)
{
    return mci_ && mci_->execute(command);
}

void Transport::setButtons(bool play, bool pause, bool stop, bool seek)
{
    TransportButtons& b = p_.state.buttons;
    b = TransportButtons{play, pause, stop, seek};
    p_.hub().showButtons(b);
}

long Transport::msAt(int percent) const
{
    return std::lround(double(percent) * double(p_.song.SongLength) / 100.0);
}

void Transport::MidiPanic() { lirmus::MidiPanic(p_.MIDIOutput1); }

void Transport::InterrompiTutto()
{
    PlayerState& st = p_.state;
    PlayerFlags& flags = p_.flags;
    DisplayHub& ui = p_.hub();
    ui.setTimer1Enabled(false);
    ui.setTimer2Enabled(false);
    ui.setTimerOutEnabled(false);
    st.TimerOutOn = false;
    flags.AbortRequested = true;
    st.MciFollowIndex = 1;

    if (p_.settings().ExternalMCI && st.MciOpen) {
        mci("Close MciMidi");
        st.MciOpen = false;
    }

    // The pump and the merge step notice the stop at their next check; they
    // run on this thread, so we only get here from inside them, and then
    // they cannot end before we return: the wait is bounded.
    if (st.OutputBusy || flags.QueueMerging) {
        QElapsedTimer waited;
        waited.start();
        while ((st.OutputBusy || flags.QueueMerging) && waited.elapsed() < kStopWaitMs) {
            flags.AbortRequested = true;
            ui.setTimerOutEnabled(false);
            st.TimerOutOn = false;
            ui.processEvents();
        }
    }

    ui.setTimer1Enabled(false);
    ui.setTimerOutEnabled(false);
    st.TimerOutOn = false;

    if (!p_.settings().ExternalMCI) {
        p_.MIDIOutput1.setAction(kStop);
        p_.MIDIOutput1.setAction(kClear);
        MidiPanic();
        p_.openOutput();
    }
}

void Transport::Start_Play()
{
    PlayerState& st = p_.state;
    // Window events run while a song loads and while the pump hands entries
    // over: a start arriving there stops what runs and goes no further.
    const bool nested = p_.flags.QueueBuilding || st.Loading || st.OutputBusy;
    InterrompiTutto();
    if (nested) return;

    const Settings& s = p_.settings();
    DisplayHub& ui = p_.hub();
    ui.ClearLyricDisplay();
    ui.ResetChannelSliders();
    ui.ResetProgramLabels();
    p_.clearControllerValues();
    st.CurrentIndex = 0;

    st.SongTempoChange = s.TempoChange;
    p_.MIDIOutput1.setTempoPercent(st.SongTempoChange);
    st.Transpose = s.KeyChange + st.SongTranspose;
    ui.showTempoAndKey(st.SongTempoChange, st.Transpose);

    st.Paused = s.AutoStart;
    p_.channels.ProgramSeen.fill(false);
    st.SliderByProgram = true;
    ui.setPositionValue(0);
    st.SliderByProgram = false;

    st.Loading = true;
    if (!OpenSongFile(p_.Midifile1, st.SongFile.toStdString(), ui)) {
        ui.focusBrowser();
        st.Loading = false;
        return;
    }

    setButtons(st.Paused, !st.Paused, true, true);
    p_.flags.AbortRequested = false;
    p_.lyric.CurLyricRow = s.KaraokeRows;
    p_.loadSong();
    st.Loading = false;
}

void Transport::Stop_Play()
{
    PlayerState& st = p_.state;
    const Settings& s = p_.settings();
    DisplayHub& ui = p_.hub();
    InterrompiTutto();

    st.SliderByProgram = true;
    ui.setPositionValue(0);
    st.SliderByProgram = false;
    ui.ResetChannelSliders();
    ui.ResetProgramLabels();
    ui.ClearLyricDisplay();
    ui.showClock(QString());
    ui.showPosition(QString());
    ui.showSongLength(QString());

    if (!s.AutoStart || s.ExternalMCI) {
        setButtons(true, false, false, false);
        return;
    }
    // Cued again from the start: playing waits for Play.
    setButtons(true, false, true, true);
    if (p_.song.queue.MsgCount < 1) return;
    st.Paused = true;
    p_.flags.AbortRequested = false;
    OutputSong(1, p_.song.queue.MsgCount, 0, 0);
}

void Transport::cmdStop_Click()
{
    p_.state.Paused = p_.settings().ExternalMCI ? false : p_.settings().AutoStart;
    Stop_Play();
}

void Transport::startOrResumeOutput()
{
    if (p_.settings().ExternalMCI) {
        mci("Resume MCIMidi");
        p_.hub().setTimer2Enabled(true);
    } else {
        p_.MIDIOutput1.setAction(p_.MIDIOutput1.State() == kStatePaused ? kPauseResume : kStart);
    }
}

void Transport::cmdPlay_Click()
{
    PlayerState& st = p_.state;
    if (!st.Paused) {
        if (!st.SongFile.isEmpty()) Start_Play();
        return;
    }
    st.Paused = false;
    startOrResumeOutput();
    const SongQueue& q = p_.song.queue;
    const long at = st.CurrentIndex >= 1 && st.CurrentIndex <= q.MsgCount ? q[st.CurrentIndex].Time : 0;
    st.PlayStartTime = p_.hub().timerNow() - at / 1000.0;
    p_.hub().setTimer1Enabled(true);
    setButtons(false, true, st.buttons.Stop, st.buttons.Seek);
}

void Transport::cmdPause_Click()
{
    PlayerState& st = p_.state;
    DisplayHub& ui = p_.hub();
    if (st.Paused) {
        st.Paused = false;
        startOrResumeOutput();
        ui.setTimer1Enabled(true);
        setButtons(false, true, st.buttons.Stop, st.buttons.Seek);
        return;
    }
    ui.setTimer1Enabled(false);
    ui.setTimer2Enabled(false);
    if (p_.settings().ExternalMCI) {
        mci("Pause MCIMidi");
    } else {
        p_.MIDIOutput1.setAction(kPauseResume);
        MidiPanic();
    }
    st.Paused = true;
    setButtons(true, false, st.buttons.Stop, st.buttons.Seek);
    for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
        p_.channels.MeterLevel[size_t(ch)] = 0;
        ui.setMeter(ch, 0);
    }
}

void Transport::cmdInizio_Click() { p_.hub().setPositionValue(0); }

void Transport::cmdRewind_Click()
{
    const int v = p_.hub().sliderValue();
    if (v >= 10) p_.hub().setPositionValue(v - 10);
}

void Transport::cmdForward_Click()
{
    const int v = p_.hub().sliderValue();
    if (v < 90) p_.hub().setPositionValue(v + 10);
}

bool Transport::cmdInfo_Click()
{
    if (!p_.flags.QueueBuilding) return true;
    p_.hub().beep();
    return false;
}

void Transport::sliOut_MouseDown()
{
    p_.state.SliderDragging = true;
    Timer1WasOn_ = p_.hub().timer1Enabled();
    p_.hub().setTimer1Enabled(false);
}

void Transport::sliOut_MouseUp()
{
    p_.state.SliderDragging = false;
    p_.hub().setTimer1Enabled(Timer1WasOn_);
}

void Transport::sliOut_Scroll(int percent)
{
    p_.hub().showPosition(TimeText(msAt(percent) / 1000.0).left(5));
}

void Transport::sliOut_Change(int percent)
{
    PlayerState& st = p_.state;
    if (st.SliderByProgram) return;
    DisplayHub& ui = p_.hub();
    st.SliderByProgram = true;
    const int state = p_.MIDIOutput1.State();
    if (state != kStatePlaying && state != kStatePaused) {
        ui.beep();
        st.SliderByProgram = false;
        return;
    }
    ui.setTimer1Enabled(false);
    p_.MIDIOutput1.setAction(kStop);
    for (int i = 0; i < 20; ++i) ui.processEvents();
    const long ms = msAt(percent);
    ui.RiposizionaKaraoke(ms);
    for (int i = 0; i < 20; ++i) ui.processEvents();
    OutputSong(0, 0, ms, 0);
    st.SliderByProgram = false;
}

void Transport::Timer1_Timer()
{
    DisplayHub& ui = p_.hub();
    ui.setTimer1Enabled(false);
    if (p_.flags.AbortRequested) return;
    ui.drawCountdowns(ui.timerNow());
    ui.processEvents();
    if (p_.flags.AbortRequested) return;
    if (!p_.settings().KaraokeEnlarged) {
        for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
            if (p_.flags.AbortRequested) return;
            int& meter = p_.channels.MeterLevel[size_t(ch)];
            const int fallen = meter < 32 ? 0 : meter - 32;
            if (fallen != meter) {
                meter = fallen;
                ui.setMeter(ch, meter);
            }
        }
    }
    ui.setTimer1Enabled(true);
}

bool Transport::Form_OLEDragDrop(const QString& fileName)
{
    const QString kind = fileName.right(3).toUpper();
    if (kind != "MID" && kind != "KAR") {
        p_.hub().beep();
        return false;
    }
    if (fileName.isEmpty()) return false;
    p_.state.SongTranspose = 0;
    p_.state.SongFile = fileName;
    p_.hub().setSongCaption("Play: " + fileName);
    Start_Play();
    return true;
}

void Transport::Form_Unload()
{
    InterrompiTutto();
    p_.pump().closeOnUnload();
}

void Transport::OutputSong(long fromIndex, long toIndex, long fromTime, int mode)
{
    PlayerState& st = p_.state;
    const SongQueue& q = p_.song.queue;
    DisplayHub& ui = p_.hub();
    ui.setTimer1Enabled(false);
    long startTime = fromTime;
    if (mode >= 0) {
        InterrompiTutto();
        const long start = fromIndex >= 1 ? fromIndex : q.firstAtOrAfter(fromTime);
        st.NextToSend = start;
        startTime = start >= 1 && start <= q.MsgCount ? q[start].Time : fromTime;
    }
    st.LastToSend = toIndex >= 1 ? toIndex : q.MsgCount;
    // Continuing keeps the running output's start: after a seek during the
    // second pass that is the seek's point, not the song's first entry.
    if (mode >= 0) st.SendOffset = startTime;
    p_.flags.AbortRequested = false;

    if (!p_.settings().ExternalMCI) {
        ui.setWarnColor(kLampStarted);
        st.TimerOutOn = true;
        ui.setTimerOutEnabled(true);
        ui.setTimer1Enabled(true);
        return;
    }

    // The external player plays the file itself; we follow its position.
    const auto fail = [this] {
        Stop_Play();
        p_.flags.AbortRequested = true;
    };
    mci("Close All");
    if (!mci("Open \"" + st.SongFile.toStdString() + "\" alias MCIMidi Type Sequencer")) return fail();
    mci("Set MCIMidi Port " + std::to_string(std::max(0, p_.settings().MIDIDEVICE) - 1));
    mci("Set MCIMidi Time Format milliseconds");
    startTime += q.TimeOffset;
    if (!mci("Play MCIMidi FROM " + std::to_string(startTime))) return fail();
    st.MciFollowIndex = 1;
    if (fromTime == 101 || startTime == 0) {
        std::string reply;
        if (mci_) mci_->sendString("Status MCIMidi Length", reply);
        ui.showSongLength(TimeText(std::atof(reply.c_str()) / 1000.0).left(5));
    } else {
        st.MciFollowIndex = st.NextToSend;
    }
    st.PlayStartTime = ui.timerNow() - st.SendOffset / 1000.0;
    p_.lyric.NextLyricTime = q.MsgQueue.empty() ? 0 : ui.CalcolaProssimaLyr(q[0].Length);
    st.MciOpen = true;
    ui.setTimer2Enabled(true);
    ui.setTimer1Enabled(true);
}

void Transport::Timer2_Timer()
{
    p_.hub().setTimer2Enabled(false);
    if (p_.settings().ExternalMCI) FollowMciPosition();
    // The sequencer's length and ours may differ by a few ms: a sequencer that
    // has finished ends the song even when its position never passed ours.
    std::string mode;
    if (p_.state.MciOpen && !p_.state.Paused && mci_ && mci_->sendString("Status MCIMidi Mode", mode) == 0 &&
        mode == "stopped")
        Stop_Play();
    if (p_.state.MciOpen) p_.hub().setTimer2Enabled(true);
}

void Transport::FollowMciPosition() { p_.follower().FollowMciPosition(); }

void Transport::SetMciMode()
{
    p_.setMonitorEnabled(!p_.settings().ExternalMCI);
    if (p_.settings().ExternalMCI && p_.MIDIOutput1.State() > 0) p_.MIDIOutput1.setAction(kClose);
}


} // namespace lirmus
