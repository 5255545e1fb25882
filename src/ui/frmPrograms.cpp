#include "frmPrograms.h"

#include "ChannelState.h"
#include "Settings.h"
#include "Twips.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lirmus {
namespace {

constexpr int kRows = 16, kColumns = 8;

QTableWidgetItem* cell(const std::string& text)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

QString programChooserCaption(int channel)
{
    return QString::asprintf("Program change for channel n.%02d", channel + 1) +
           " - Choice a new Instrument or ESC to exit";
}

frmPrograms::frmPrograms(const Settings& settings, int channel, int current, QWidget* parent)
    : QDialog(parent), ChoiceIsDrums(channel == ChannelState::kDrumChannel), settings_(settings)
{
    setObjectName("frmPrograms");
    setModal(true);
    grdPrograms = new QTableWidget(this);
    grdPrograms->setObjectName("grdPrograms");
    grdPrograms->setToolTip("Click on to choice the Instrument");
    grdPrograms->horizontalHeader()->hide();
    grdPrograms->verticalHeader()->hide();
    grdPrograms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPrograms->setSelectionMode(QAbstractItemView::NoSelection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(grdPrograms);

    if (ChoiceIsDrums) {
        setWindowTitle("DRUMS");
        grdPrograms->setColumnCount(1);
        grdPrograms->setRowCount(int(settings.DrumKits.size()));
        for (size_t i = 0; i < settings.DrumKits.size(); ++i)
            grdPrograms->setItem(int(i), 0, cell(drumKitName(settings.DrumKits[i])));
        grdPrograms->resizeColumnsToContents();
        grdPrograms->setColumnWidth(0, grdPrograms->columnWidth(0) + px(300));
    } else {
        setWindowTitle(programChooserCaption(channel));
        grdPrograms->setRowCount(kRows);
        grdPrograms->setColumnCount(kColumns);
        for (int k = 0; k < kColumns; ++k)
            for (int r = 0; r < kRows; ++r)
                grdPrograms->setItem(r, k, cell(settings.ProgramNames[size_t(melodicProgramAt(r, k))]));
        grdPrograms->resizeColumnsToContents();
        for (int k = 0; k < kColumns; ++k) grdPrograms->setColumnWidth(k, grdPrograms->columnWidth(k) + px(225));
    }
    grdPrograms->resizeRowsToContents();
    int width = grdPrograms->frameWidth() * 2, height = grdPrograms->frameWidth() * 2;
    for (int k = 0; k < grdPrograms->columnCount(); ++k) width += grdPrograms->columnWidth(k);
    for (int r = 0; r < grdPrograms->rowCount(); ++r) height += grdPrograms->rowHeight(r);
    resize(width + px(60) + 4, std::min(height + 4, 600));
    markCurrent(current);
    connect(grdPrograms, &QTableWidget::cellClicked, this, &frmPrograms::grdPrograms_Click);
    // Set last: leaving without a click is no choice.
    ProgramChoice = -1;
}

void frmPrograms::markCurrent(int program)
{
    int row = -1, column = 0;
    if (ChoiceIsDrums) {
        for (size_t i = 0; i < settings_.DrumKits.size() && row < 0; ++i)
            if (drumKitProgram(settings_.DrumKits[i]) == program) row = int(i);
    } else if (program >= 0 && program < kRows * kColumns) {
        row = program % kRows;
        column = program / kRows;
    }
    if (row < 0) return; // a kit the list does not hold: nothing to mark
    QTableWidgetItem* item = grdPrograms->item(row, column);
    item->setBackground(palette().brush(QPalette::Highlight));
    item->setForeground(palette().brush(QPalette::HighlightedText));
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
    // The keyboard starts from the instrument playing now, not from the first cell.
    grdPrograms->setCurrentCell(row, column);
    grdPrograms->scrollToItem(item);
}

void frmPrograms::grdPrograms_Click(int row, int column)
{
    if (row < 0 || column < 0) return;
    if (ChoiceIsDrums) {
        if (size_t(row) >= settings_.DrumKits.size()) return;
        DrumKitIndex = row;
        ProgramChoice = std::clamp(drumKitProgram(settings_.DrumKits[size_t(row)]), 0, 127);
    } else {
        if (row >= kRows || column >= kColumns) return;
        ProgramChoice = melodicProgramAt(row, column);
    }
    accept();
}

} // namespace lirmus
