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
    double timerNow() const override { return player_->timerNow(); }
    void showButtons(const TransportButtons& b) override { player_->showButtons(b); }
    void setTimer1Enabled(bool e) override { player_->setTimer1Enabled(e); }
    bool timer1Enabled() const override { return player_->timer1Enabled(); }
    void setTimer2Enabled(bool e) override { player_->setTimer2Enabled(e); }
    int sliderValue() const override { return player_->sliderValue(); }
    void setSongCaption(const QString& t) override { player_->setSongCaption(t); }
    bool isWarnEnabled() const override { return player_->isWarnEnabled(); }
    void showClock(const QString& t) override { player_->showClock(t); }
    void showPosition(const QString& t) override { player_->showPosition(t); }
    void setPositionValue(int percent) override { player_->setPositionValue(percent); }

    void setNextLyricCaption(const QString& t) override { lyrics_->setNextLyricCaption(t); }
    void setMarkerCaption(const QString& t) override { lyrics_->setMarkerCaption(t); }
    void setTitleCaption(const QString& t) override { lyrics_->setTitleCaption(t); }
    void setTurboCaption(const QString& t) override { lyrics_->setTurboCaption(t); }
    void resetLyricState() override { lyrics_->resetLyricState(); }
    void StartLyric(int fromRow) override { lyrics_->StartLyric(fromRow); }
    void StartLyricA() override { lyrics_->StartLyricA(); }
    void firstLyricFromStart() override { lyrics_->firstLyricFromStart(); }
    void ClearLyricDisplay() override { lyrics_->ClearLyricDisplay(); }
    void RiposizionaKaraoke(long ms) override { lyrics_->RiposizionaKaraoke(ms); }
    void drawCountdowns(double now) override { lyrics_->drawCountdowns(now); }
    void PrintLyric(int line, int col, const QString& t) override { lyrics_->PrintLyric(line, col, t); }
    void PrintLyricA(int chord, int col, const QString& t) override { lyrics_->PrintLyricA(chord, col, t); }
    double CalcolaProssimaLyr(long gapMs) override { return lyrics_->CalcolaProssimaLyr(gapMs); }
    void ClearSysexRow(int row) override { lyrics_->ClearSysexRow(row); }
    void PrintSysexRow(int row) override { lyrics_->PrintSysexRow(row); }
    void PrintSysexRowSung(int row) override { lyrics_->PrintSysexRowSung(row); }
    void PreparaAltezza() override { lyrics_->PreparaAltezza(); }

    void setTrackCaption(const QString& t) override { monitor_->setTrackCaption(t); }
    void setKeyCaption(const QString& t) override { monitor_->setKeyCaption(t); }
    void setTempoCaption(const QString& t) override { monitor_->setTempoCaption(t); }
    void ResetChannelStates() override { monitor_->ResetChannelStates(); }
    void ResetChannelSliders() override { monitor_->ResetChannelSliders(); }
    void ResetProgramLabels() override { monitor_->ResetProgramLabels(); }
    void showTempoAndKey(int tempo, int transpose) override { monitor_->showTempoAndKey(tempo, transpose); }
    void setMeter(int ch, int v) override { monitor_->setMeter(ch, v); }
    void setMonitorEnabled(bool e) override { monitor_->setMonitorEnabled(e); }
    void setStripEnabled(int ch, bool e) override { monitor_->setStripEnabled(ch, e); }
    void setStripColor(int ch, int i) override { monitor_->setStripColor(ch, i); }
    void setProgramCaption(int ch, const QString& t) override { monitor_->setProgramCaption(ch, t); }
    void setStripSlider(int ch, int row, int v) override { monitor_->setStripSlider(ch, row, v); }

    void messageBox(const QString& t, MessageIcon icon) override { app_->messageBox(t, icon); }
    void processEvents() override { app_->processEvents(); }
    void beep() override { app_->beep(); }
    void focusBrowser() override { app_->focusBrowser(); }
    void showNotice(const QString& t) override { app_->showNotice(t); }

    // Karaoke display
    void PreparaPicLyric() override { lyrics_->PreparaPicLyric(); }

private:
    NullDisplays null_;
    PlayerDisplay* player_ = &null_;
    LyricsDisplay* lyrics_ = &null_;
    MonitorDisplay* monitor_ = &null_;
    AppDisplay* app_ = &null_;
};

} // namespace lirmus
