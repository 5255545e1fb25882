#include "Transport.h"

#include "ControllerTable.h"
#include "ExternalSequencer.h"
#include "LoadSong.h"
#include "MciCommand.h"
#include "Panic.h"
#include "Player.h"
#include "Settings.h"
#include "TimeText.h"

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {


} // namespace

Transport::Transport(Player& player) : p_(player) {}

void Transport::setSequencer(ExternalSequencer* sequencer)
{
    mci_ = sequencer;
    p_.follower_.setPositionSource([this] {
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
    TransportButtons& b = p_.state_.buttons;
    b = TransportButtons{play, pause, stop, seek};
    p_.hub_.showButtons(b);
}

long Transport::msAt(int percent) const
{
    return std::lround(double(percent) * double(p_.song_.SongLength) / 100.0);
}

void Transport::MidiPanic() { lirmus::MidiPanic(p_.MIDIOutput1); }

void Transport::setTimer(PlayerTimer t, bool on) { p_.timers_.arm(t, on); }

void Transport::showSliderAt(int percent)
{
    p_.state_.SliderPercent = percent;
    p_.hub_.setPositionValue(percent);
}

void Transport::InterrompiTutto()
{
    PlayerState& st = p_.state_;
    setTimer(PlayerTimer::Display, false);
    setTimer(PlayerTimer::External, false);
    setTimer(PlayerTimer::Out, false);
    // The pump and the merge step run on this thread in one go: when this
    // comes from inside them (an output error handled there), they stop at
    // their next check.
    p_.flags_.AbortRequested = true;
    st.MciFollowIndex = 1;

    if (p_.settings().ExternalMCI && st.MciOpen) {
        mci("Close MciMidi");
        st.MciOpen = false;
    }

    if (!p_.settings().ExternalMCI) {
        MIDIOutput& out = p_.MIDIOutput1;
        out.tell(out.stop());
        out.tell(out.clear());
        MidiPanic();
        p_.openOutput();
    }
}

void Transport::Start_Play()
{
    PlayerState& st = p_.state_;
    // A start asked for from inside a load or a hand-over (a report or an
    // error handled there) stops what runs and goes no further.
    const bool nested = p_.flags_.QueueBuilding || st.Loading || st.OutputBusy;
    p_.endTake();
    InterrompiTutto();
    if (nested) return;

    const Settings& s = p_.settings();
    DisplayHub& ui = p_.hub_;
    p_.lyrics_.ClearLyricDisplay();
    p_.resetChannelSliders();
    ui.ResetProgramLabels();
    p_.controllers_.ClearControllerValues();
    st.CurrentIndex = 0;

    st.SongTempoChange = st.SongSavedTempo.value_or(s.TempoChange);
    p_.MIDIOutput1.setTempoPercent(st.SongTempoChange);
    st.Transpose = s.KeyChange + st.SongTranspose;
    ui.showTempoAndKey(st.SongTempoChange, st.Transpose);

    st.Paused = s.AutoStart;
    p_.channels_.ProgramSeen.fill(false);
    p_.channels_.Program.fill(0); // every channel starts on the first instrument, as after a reset
    showSliderAt(0);

    st.Loading = true;
    if (!OpenSongFile(p_.Midifile1, st.SongFile.toStdString(), p_)) {
        ui.focusBrowser();
        st.Loading = false;
        return;
    }

    setButtons(st.Paused, !st.Paused, true, true);
    p_.flags_.AbortRequested = false;
    p_.lyric_.CurLyricRow = s.KaraokeRows;
    p_.loadSong();
    st.Loading = false;
}

void Transport::Stop_Play()
{
    PlayerState& st = p_.state_;
    const Settings& s = p_.settings();
    DisplayHub& ui = p_.hub_;
    p_.endTake();
    InterrompiTutto();

    showSliderAt(0);
    p_.resetChannelSliders();
    ui.ResetProgramLabels();
    p_.lyrics_.ClearLyricDisplay();
    ui.showClock(QString());
    ui.showPosition(QString());
    ui.showSongLength(QString());

    if (!s.AutoStart || s.ExternalMCI) {
        setButtons(true, false, false, false);
        return;
    }
    // Cued again from the start: playing waits for Play.
    setButtons(true, false, true, true);
    if (p_.song_.queue.MsgCount < 1) return;
    st.Paused = true;
    p_.flags_.AbortRequested = false;
    OutputSong(1, p_.song_.queue.MsgCount, 0, 0);
}

void Transport::cmdStop_Click()
{
    p_.dropPending(); // the song behind its card does not start either
    p_.state_.Paused = p_.settings().ExternalMCI ? false : p_.settings().AutoStart;
    Stop_Play();
}

void Transport::startOrResumeOutput()
{
    if (p_.settings().ExternalMCI) {
        mci("Resume MCIMidi");
        setTimer(PlayerTimer::External, true);
    } else {
        MIDIOutput& out = p_.MIDIOutput1;
        out.tell(out.stateCode() == OutputStateCode::Paused ? out.resume() : out.start());
    }
}

void Transport::cmdPlay_Click()
{
    if (p_.pending_) {
        p_.startPending(); // no need to wait for the card
        return;
    }
    PlayerState& st = p_.state_;
    if (!st.Paused) {
        if (!st.SongFile.isEmpty()) Start_Play();
        return;
    }
    st.Paused = false;
    startOrResumeOutput();
    const SongQueue& q = p_.song_.queue;
    const long at = st.CurrentIndex >= 1 && st.CurrentIndex <= q.MsgCount ? q[st.CurrentIndex].Time : 0;
    st.PlayStartTime = p_.timers_.now() - at / 1000.0;
    setTimer(PlayerTimer::Display, true);
    setButtons(false, true, st.buttons.Stop, st.buttons.Seek);
}

void Transport::cmdPause_Click()
{
    PlayerState& st = p_.state_;
    DisplayHub& ui = p_.hub_;
    if (st.Paused) {
        st.Paused = false;
        startOrResumeOutput();
        setTimer(PlayerTimer::Display, true);
        setButtons(false, true, st.buttons.Stop, st.buttons.Seek);
        return;
    }
    setTimer(PlayerTimer::Display, false);
    setTimer(PlayerTimer::External, false);
    if (p_.settings().ExternalMCI) {
        mci("Pause MCIMidi");
    } else {
        p_.MIDIOutput1.tell(p_.MIDIOutput1.pause());
        MidiPanic();
    }
    st.Paused = true;
    setButtons(true, false, st.buttons.Stop, st.buttons.Seek);
    for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
        p_.channels_.MeterLevel[size_t(ch)] = 0;
        ui.setMeter(ch, 0);
    }
}

void Transport::seekBy(int targetPercent)
{
    // The slider moved by the program: a seek only when it really moves.
    if (targetPercent == p_.state_.SliderPercent) return;
    showSliderAt(targetPercent);
    sliOut_Change(targetPercent);
}

void Transport::cmdInizio_Click() { seekBy(0); }

void Transport::cmdRewind_Click()
{
    const int v = p_.state_.SliderPercent;
    if (v >= 10) seekBy(v - 10);
}

void Transport::cmdForward_Click()
{
    const int v = p_.state_.SliderPercent;
    if (v < 90) seekBy(v + 10);
}

bool Transport::cmdInfo_Click()
{
    if (!p_.flags_.QueueBuilding) return true;
    p_.hub_.beep();
    return false;
}

void Transport::sliOut_MouseDown()
{
    p_.state_.SliderDragging = true;
    Timer1WasOn_ = p_.state_.Timer1On;
    setTimer(PlayerTimer::Display, false);
}

void Transport::sliOut_MouseUp()
{
    p_.state_.SliderDragging = false;
    setTimer(PlayerTimer::Display, Timer1WasOn_);
}

void Transport::sliOut_Scroll(int percent)
{
    p_.hub_.showPosition(TimeText(msAt(percent) / 1000.0).left(5));
}

void Transport::sliOut_Change(int percent)
{
    PlayerState& st = p_.state_;
    if (st.SliderByProgram) return;
    st.SliderPercent = percent;
    const OutputStateCode state = p_.MIDIOutput1.stateCode();
    if (state != OutputStateCode::Playing && state != OutputStateCode::Paused) {
        p_.hub_.beep();
        return;
    }
    // Stop returns once nothing more can be sent; reports of what was sent
    // before it belong to the old position and are dropped by their epoch.
    st.SliderByProgram = true;
    setTimer(PlayerTimer::Display, false);
    p_.MIDIOutput1.tell(p_.MIDIOutput1.stop());
    const long ms = msAt(percent);
    p_.lyrics_.RiposizionaKaraoke(ms);
    OutputSong(0, 0, ms, 0);
    st.SliderByProgram = false;
}

void Transport::Timer1_Timer()
{
    setTimer(PlayerTimer::Display, false);
    if (p_.flags_.AbortRequested) return;
    p_.lyrics_.drawCountdowns(p_.timers_.now());
    if (!p_.settings().KaraokeEnlarged) {
        for (int ch = 0; ch < ChannelState::kChannels; ++ch) {
            int& meter = p_.channels_.MeterLevel[size_t(ch)];
            const int fallen = meter < 32 ? 0 : meter - 32;
            if (fallen != meter) {
                meter = fallen;
                p_.hub_.setMeter(ch, meter);
            }
        }
    }
    setTimer(PlayerTimer::Display, true);
}

bool isSongFileName(const QString& fileName)
{
    const QString kind = fileName.right(3).toUpper();
    return kind == "MID" || kind == "KAR";
}

bool Transport::Form_OLEDragDrop(const QString& fileName)
{
    if (!isSongFileName(fileName)) {
        p_.hub_.beep();
        return false;
    }
    p_.chooseSong(fileName, 0);
    Start_Play();
    return true;
}

void Transport::Form_Unload()
{
    InterrompiTutto();
    p_.pump_.closeOnUnload();
}

void Transport::OutputSong(long fromIndex, long toIndex, long fromTime, int mode)
{
    PlayerState& st = p_.state_;
    const SongQueue& q = p_.song_.queue;
    DisplayHub& ui = p_.hub_;
    setTimer(PlayerTimer::Display, false);
    long startTime = fromTime;
    if (mode >= 0) {
        InterrompiTutto();
        const long start = fromIndex >= 1 ? fromIndex : q.firstAtOrAfter(fromTime);
        st.NextToSend = start;
        // Nothing from the new start has been sent yet: the song stands just
        // before it, not where the output was stopped.
        st.CurrentIndex = std::max(start - 1, 0L);
        startTime = start >= 1 && start <= q.MsgCount ? q[start].Time : fromTime;
    }
    st.LastToSend = toIndex >= 1 ? toIndex : q.MsgCount;
    // Continuing keeps the running output's start: after a seek during the
    // second pass that is the seek's point, not the song's first entry.
    if (mode >= 0) st.SendOffset = startTime;
    p_.flags_.AbortRequested = false;

    if (!p_.settings().ExternalMCI) {
        ui.setWarnColor(kLampStarted);
        setTimer(PlayerTimer::Display, true);
        // The first batch goes now, not a tick later: the output starts as soon as it can.
        setTimer(PlayerTimer::Out, true);
        p_.pump_.TimerOut_Timer();
        return;
    }

    // The external player plays the file itself; we follow its position.
    const auto fail = [this] {
        Stop_Play();
        p_.flags_.AbortRequested = true;
    };
    mci("Close All");
    if (!mci("Open " + mciQuote(st.SongFile.toStdString()) + " alias MCIMidi Type Sequencer")) return fail();
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
    st.PlayStartTime = p_.timers_.now() - st.SendOffset / 1000.0;
    p_.lyric_.NextLyricTime = q.MsgQueue.empty() ? 0 : p_.lyrics_.CalcolaProssimaLyr(q[0].Length);
    st.MciOpen = true;
    setTimer(PlayerTimer::External, true);
    setTimer(PlayerTimer::Display, true);
}

void Transport::Timer2_Timer()
{
    setTimer(PlayerTimer::External, false);
    if (p_.settings().ExternalMCI) FollowMciPosition();
    // The sequencer's length and ours may differ by a few ms: a sequencer that
    // has finished ends the song even when its position never passed ours.
    std::string mode;
    if (p_.state_.MciOpen && !p_.state_.Paused && mci_ && mci_->sendString("Status MCIMidi Mode", mode) == 0 &&
        mode == "stopped")
        Stop_Play();
    if (p_.state_.MciOpen) setTimer(PlayerTimer::External, true);
}

void Transport::FollowMciPosition() { p_.follower_.FollowMciPosition(); }

void Transport::SetMciMode()
{
    p_.setMonitorEnabled(!p_.settings().ExternalMCI);
    MIDIOutput& out = p_.MIDIOutput1;
    if (p_.settings().ExternalMCI && out.stateCode() != OutputStateCode::Closed) out.tell(out.close());
}


} // namespace lirmus
