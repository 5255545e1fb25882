#pragma once
// The channel monitor: sixteen channel strips above the master panel. It shows
// what the player tells its monitor role and forwards the user's controls to
// the mixer.
#include "Mixer.h"
#include "PlayerDisplays.h"

#include <array>
#include <memory>

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;

namespace lirmus {

class ClickLabel;
class LevelMeter;
class Player;
class SettingsService;
class StripFrame;
struct ControllerTable;

class frmIndic : public QWidget, public MonitorDisplay {
    Q_OBJECT
public:
    /// service: where the master levels are stored (null: not stored).
    explicit frmIndic(Player& player, SettingsService* service = nullptr, QWidget* parent = nullptr);
    ~frmIndic() override;

    static constexpr int kStripHeight = 360;       ///< twips
    static constexpr int kStripWidth = 3855;       ///< design width, twips
    static constexpr int kMasterPanelTop = 5925;   ///< twips, just below the strips
    static constexpr int kMasterPanelHeight = 2400;
    /// Height the window is designed for, in twips.
    static constexpr int kDesignHeight = kMasterPanelTop + kMasterPanelHeight;

    // One strip per channel.
    std::array<StripFrame*, 16> picMidi{};
    std::array<QFrame*, 16> picBut{};
    std::array<QPushButton*, 16> cmdOn{};
    std::array<QPushButton*, 16> cmdSolo{};
    std::array<QSlider*, 16> sliC1{}, sliC2{}, sliC3{}, sliOut{};
    std::array<LevelMeter*, 16> ppgrMidi{};
    std::array<ClickLabel*, 16> lblProgram{};

    // The master panel.
    QFrame* picMidiOut = nullptr;
    QFrame* picMelody = nullptr;
    QPushButton* cmdMelody = nullptr;
    QPushButton* cmdGsReset = nullptr;
    QPushButton* cmdGmReset = nullptr;
    QPushButton* cmdXgReset = nullptr;
    QPushButton* cmdPanic = nullptr;
    std::array<QSlider*, 8> sliMC{};
    std::array<QLabel*, 8> lblMast{};
    QScrollBar* udTempo = nullptr;
    QScrollBar* udTrans = nullptr;
    ClickLabel* lblTempo = nullptr;
    ClickLabel* lblpTempo = nullptr;
    ClickLabel* lblTrans = nullptr;
    ClickLabel* lblKey = nullptr;
    QLabel* Label1 = nullptr; ///< "Key"
    QLabel* Label2 = nullptr; ///< "Tempo"
    QLabel* lblTrack = nullptr;

    /// The player's mixer, which the controls command.
    Mixer& mixer();
    /// The strip slider of row 0..3: sliOut, sliC1, sliC2, sliC3.
    QSlider* stripSliderOf(int ch, int row) const;

    /// Moves picMelody inside the master panel (twips).
    void movePicMelody(int left, int top);
    /// Gives every strip the width and height (twips); the strip's controls grow with them.
    void setStripSize(int width, int height = kStripHeight);
    /// Shows or hides master slider and label of a row.
    void setMasterVisible(int row, bool visible);
    /// Puts the master panel at the top (the window shares the bottom band) or below the strips.
    void placeMasterPanel(bool atTop);

    // Handlers.
    void cmdOn_Click(int ch);
    void cmdSolo_Click(int ch);
    void cmdMelody_Click();
    /// Opens the instrument chooser for the channel and applies its choice.
    void lblProgram_Click(int ch);
    /// Repaints the level meter of a channel.
    void pgrMidi_Change(int ch);

    // What the player shows here.
    void setTrackCaption(const QString& text) override;
    void setKeyCaption(const QString& text) override;
    void setTempoCaption(const QString& text) override;
    void ResetChannelSliders() override;
    void ResetProgramLabels() override;
    void showTempoAndKey(int tempoPercent, int transpose) override;
    void setMonitorEnabled(bool enabled) override { setEnabled(enabled); }
    void setStripEnabled(int ch, bool enabled) override;
    void setStripColor(int ch, int paletteIndex) override;
    void setMeter(int ch, int value) override;
    void setProgramCaption(int ch, const QString& text) override;
    void setStripSlider(int ch, int row, int value) override;

    void setMelodyPanel(int paletteIndex, bool enabled) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Form_Load();
    void buildStrip(int ch);
    void buildMasterPanel();
    void layoutStrip(int ch, int widthTwips);
    /// Shows cmdOn(ch) as muted while its strip is usable and its lamp is off.
    void showMuted(int ch);
    /// Pixels of a strip's design height t (twips) at the strips' present height.
    int stripY(int t) const;
    void udTempo_Change();
    void udTrans_Change();
    void showStripTip(QSlider* slider, int row, int value);

    Player& player_;
    const ControllerTable& table_;
    bool transChanging_ = false;
    int stripHeight_ = kStripHeight; // twips
    std::array<int, 16> lamp_{};     // the palette colour of each picBut
};

} // namespace lirmus
