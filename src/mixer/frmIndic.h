#pragma once
// The channel monitor: sixteen channel strips above the master panel.
#include "Displays.h"

#include <array>

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace lirmus {

struct ControllerTable;

class frmIndic : public QWidget, public MonitorDisplay {
    Q_OBJECT
public:
    frmIndic(const ControllerTable& table, bool vediTu, QWidget* parent = nullptr);

    static constexpr int kStripHeight = 360;       ///< twips
    static constexpr int kStripWidth = 3855;       ///< design width, twips
    static constexpr int kMasterPanelTop = 5925;   ///< twips, just below the strips
    static constexpr int kMasterPanelHeight = 2400;
    /// Height the window is designed for, in twips.
    static constexpr int kDesignHeight = kMasterPanelTop + kMasterPanelHeight;

    std::array<QFrame*, 16> picMidi{};
    std::array<QPushButton*, 16> cmdOn{};
    QFrame* picMidiOut = nullptr;
    QFrame* picMelody = nullptr;
    QPushButton* cmdMelody = nullptr;
    QPushButton* cmdGsReset = nullptr;
    QPushButton* cmdPanic = nullptr;
    std::array<QSlider*, 8> sliMC{};
    std::array<QLabel*, 8> lblMast{};
    QLabel* lblTrack = nullptr;

    /// Moves picMelody inside the master panel (twips).
    void movePicMelody(int left, int top);
    /// Gives every strip the width (twips).
    void setStripWidth(int width);
    /// Shows or hides master slider and label of a row.
    void setMasterVisible(int row, bool visible);
    /// Puts the master panel at the top (the window shares the bottom band) or below the strips.
    void placeMasterPanel(bool atTop);

    // What the player shows here. The strips and the tempo and key labels
    // come with the mixer; the diagnostic track label is set now.
    void setTrackCaption(const QString& text) override;
    void setKeyCaption(const QString&) override {}
    void setTempoCaption(const QString&) override {}
    void ResetChannelStates() override {}
    void ResetChannelSliders() override {}
    void ResetProgramLabels() override {}
    void showTempoAndKey(int, int) override {}
    void setMonitorEnabled(bool enabled) override { setEnabled(enabled); }
    void setStripEnabled(int ch, bool enabled) override;
    // The button panels, meters, instrument labels and strip sliders come
    // with the channel strips of the monitor.
    void setStripColor(int, int) override {}
    void setMeter(int, int) override {}
    void setProgramCaption(int, const QString&) override {}
    void setStripSlider(int, int, int) override {}

private:
    const ControllerTable& table_;
};

} // namespace lirmus
