#pragma once
// The instrument chooser: a grid of the 128 instrument names, or of the drum
// kits for channel 10. One click chooses and closes; Esc or the close box
// leaves without a choice.
#include <QDialog>

class QTableWidget;

namespace lirmus {

struct Settings;

class frmPrograms : public QDialog {
    Q_OBJECT
public:
    /// Opens for channel index 0..15 with the channel's current program (or kit) 0..127 marked.
    frmPrograms(const Settings& settings, int channel, int current = 0, QWidget* parent = nullptr);

    QTableWidget* grdPrograms = nullptr;
    /// The chosen program 0..127; -1 while none is chosen.
    int ProgramChoice = -1;
    /// The chosen kit's line in DrumKits (drum channel only).
    int DrumKitIndex = -1;
    const bool ChoiceIsDrums;

    /// A click on a cell: the choice, then the window closes.
    void grdPrograms_Click(int row, int column);

private:
    /// Marks the cell of program and makes it the current cell.
    void markCurrent(int program);

    const Settings& settings_;
};

/// The chooser's caption for a melodic channel index: "Program change for channel n.05 - ...".
QString programChooserCaption(int channel);

/// The program a melodic cell stands for: the columns hold 16 programs each.
constexpr int melodicProgramAt(int row, int column) { return column * 16 + row; }

} // namespace lirmus
