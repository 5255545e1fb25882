#pragma once
// One object that stands for every window role and forwards each call to the
// window attached for that role (nothing happens for a role not attached).
// The logic is built before the windows and talks to the hub; each window
// attaches itself when it is made and detaches when it goes.
#include "Displays.h"

namespace lirmus {

class DisplayHub final : public PlayerDisplay, public LyricsDisplay, public MonitorDisplay, public AppDisplay {
public:
    /// Attaches a window for its role; null detaches it.
    void attachPlayer(PlayerDisplay* d) { player_ = d ? d : &null_; }
    void attachLyrics(LyricsDisplay* d) { lyrics_ = d ? d : &null_; }
    void attachMonitor(MonitorDisplay* d) { monitor_ = d ? d : &null_; }
    void attachApp(AppDisplay* d) { app_ = d ? d : &null_; }

    /// Every role, forwarded.
    Displays displays() { return Displays{*this, *this, *this, *this}; }

    void setWarnColor(int i) override { player_->setWarnColor(i); }
    void setWarnEnabled(bool e) override { player_->setWarnEnabled(e); }
    void setPositionSlider(int mn, int mx, int v, int lc) override { player_->setPositionSlider(mn, mx, v, lc); }
    void showSongLength(const QString& t) override { player_->showSongLength(t); }
    void setTimerOutEnabled(bool e) override { player_->setTimerOutEnabled(e); }
    void enableTimer1() override { player_->enableTimer1(); }
    double timerNow() const override { return player_->timerNow(); }

    void setNextLyricCaption(const QString& t) override { lyrics_->setNextLyricCaption(t); }
    void setMarkerCaption(const QString& t) override { lyrics_->setMarkerCaption(t); }
    void setTitleCaption(const QString& t) override { lyrics_->setTitleCaption(t); }
    void setTurboCaption(const QString& t) override { lyrics_->setTurboCaption(t); }
    void resetLyricState() override { lyrics_->resetLyricState(); }
    void StartLyric(int fromRow) override { lyrics_->StartLyric(fromRow); }
    void StartLyricA() override { lyrics_->StartLyricA(); }
    void firstLyricFromStart() override { lyrics_->firstLyricFromStart(); }

    void setTrackCaption(const QString& t) override { monitor_->setTrackCaption(t); }
    void setKeyCaption(const QString& t) override { monitor_->setKeyCaption(t); }
    void setTempoCaption(const QString& t) override { monitor_->setTempoCaption(t); }
    void ResetChannelStates() override { monitor_->ResetChannelStates(); }

    void messageBox(const QString& t, MessageIcon icon) override { app_->messageBox(t, icon); }
    void processEvents() override { app_->processEvents(); }

private:
    NullDisplays null_;
    PlayerDisplay* player_ = &null_;
    LyricsDisplay* lyrics_ = &null_;
    MonitorDisplay* monitor_ = &null_;
    AppDisplay* app_ = &null_;
};

} // namespace lirmus
