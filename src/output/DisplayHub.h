#pragma once
// One object that stands for every window role and forwards each call to the
// window attached for that role (nothing happens for a role not attached).
// The player is built before the windows and talks to the hub; each window
// attaches itself when it is made and detaches when it goes.
#include "PlayerDisplays.h"

namespace lirmus {

class DisplayHub final : public PlayerDisplay, public MonitorDisplay, public AppDisplay {
public:
    /// Attaches a window for its role; null detaches it.
    void attachPlayer(PlayerDisplay* d) { player_ = d ? d : &null_; }
    void attachMonitor(MonitorDisplay* d) { monitor_ = d ? d : &null_; }
    void attachApp(AppDisplay* d) { app_ = d ? d : &null_; }

    /// Every role, forwarded.
    Displays displays() { return Displays{*this, *this, *this}; }

    void setWarnColor(int i) override { player_->setWarnColor(i); }
    void setWarnEnabled(bool e) override { player_->setWarnEnabled(e); }
    void setPositionSlider(int mn, int mx, int v, int lc) override { player_->setPositionSlider(mn, mx, v, lc); }
    void showSongLength(const QString& t) override { player_->showSongLength(t); }
    void showButtons(const TransportButtons& b) override { player_->showButtons(b); }
    void setSongCaption(const QString& t) override { player_->setSongCaption(t); }
    void showClock(const QString& t) override { player_->showClock(t); }
    void showPosition(const QString& t) override { player_->showPosition(t); }
    void setPositionValue(int percent) override { player_->setPositionValue(percent); }

    void setTrackCaption(const QString& t) override { monitor_->setTrackCaption(t); }
    void setKeyCaption(const QString& t) override { monitor_->setKeyCaption(t); }
    void setTempoCaption(const QString& t) override { monitor_->setTempoCaption(t); }
    void ResetChannelSliders() override { monitor_->ResetChannelSliders(); }
    void ResetProgramLabels() override { monitor_->ResetProgramLabels(); }
    void showTempoAndKey(int tempo, int transpose) override { monitor_->showTempoAndKey(tempo, transpose); }
    void setMeter(int ch, int v) override { monitor_->setMeter(ch, v); }
    void setMonitorEnabled(bool e) override { monitor_->setMonitorEnabled(e); }
    void setStripEnabled(int ch, bool e) override { monitor_->setStripEnabled(ch, e); }
    void setStripColor(int ch, int i) override { monitor_->setStripColor(ch, i); }
    void setMelodyPanel(int i, bool e) override { monitor_->setMelodyPanel(i, e); }
    void setProgramCaption(int ch, const QString& t) override { monitor_->setProgramCaption(ch, t); }
    void setStripSlider(int ch, int row, int v) override { monitor_->setStripSlider(ch, row, v); }

    void messageBox(const QString& t, MessageIcon icon) override { app_->messageBox(t, icon); }
    void beep() override { app_->beep(); }
    void focusBrowser() override { app_->focusBrowser(); }
    void showNotice(const QString& t) override { app_->showNotice(t); }

private:
    NullDisplays null_;
    PlayerDisplay* player_ = &null_;
    MonitorDisplay* monitor_ = &null_;
    AppDisplay* app_ = &null_;
};

} // namespace lirmus
