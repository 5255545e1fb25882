#pragma once
// The transport: start, stop, pause and resume, seeking with the position
// slider and the skip buttons, the display timer, a dropped file, and the
// start of the output on either path (our own output or the external
// player). Plain code on the window thread, part of the player: the player
// window forwards its handlers here and shows what it is told through its
// display role. Nothing here waits for window events.
#include "Dispatcher.h"
#include "PlayerTimers.h"

#include <QString>

namespace lirmus {

class ExternalSequencer;
class Player;

class Transport : public SongEnd {
public:
    explicit Transport(Player& player);

    /// Halts every timer and the output, silences every channel and reopens the device.
    void InterrompiTutto();
    /// Loads SongFile and starts it (cued when AutoStart is on).
    void Start_Play();
    /// Ends the song; with AutoStart on (own output) it is cued again from its start.
    void Stop_Play() override;

    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdInizio_Click();
    void cmdRewind_Click();
    void cmdForward_Click();
    /// False (and a beep) while the queue is being built: the information window must wait.
    bool cmdInfo_Click();

    // The position slider sliOut (the window's slider, moved by the user).
    void sliOut_MouseDown();
    void sliOut_MouseUp();
    /// The thumb moves: only the position box follows.
    void sliOut_Scroll(int percent);
    /// The user set the slider to percent: a seek there (refused with a beep when nothing plays).
    void sliOut_Change(int percent);

    /// Every 125 ms: countdown bars and falling meters.
    void Timer1_Timer();
    /// Every 75 ms in external-player mode: follows the sequencer's position.
    void Timer2_Timer();
    /// A file dropped on the player: a song starts, anything else beeps. False when refused.
    bool Form_OLEDragDrop(const QString& fileName);
    /// The player window closes: everything halts and the device closes.
    void Form_Unload();
    /// Silences every channel at once.
    void MidiPanic();

    /// Starts (mode >= 0) or continues (mode -1) the output from an entry or a song time.
    void OutputSong(long fromIndex, long toIndex, long fromTime, int mode);
    /// Shows the entries the external player has reached.
    void FollowMciPosition();
    /// Follows the ExternalMCI setting: the monitor's state and the device.
    void SetMciMode();

    /// The external player (null: none available).
    void setSequencer(ExternalSequencer* sequencer);

private:
    void setButtons(bool play, bool pause, bool stop, bool seek);
    void setTimer(PlayerTimer t, bool on);
    /// The slider stands at percent, on screen too; nothing seeks.
    void showSliderAt(int percent);
    /// The skip buttons: the slider moves to targetPercent and seeks there, when it moves.
    void seekBy(int targetPercent);
    bool mci(const std::string& command);
    void startOrResumeOutput();
    long msAt(int percent) const;

    Player& p_;
    ExternalSequencer* mci_ = nullptr;
    bool Timer1WasOn_ = false;
};

/// Whether a file's name says it is a song (".mid" or ".kar", any case).
bool isSongFileName(const QString& fileName);

} // namespace lirmus
