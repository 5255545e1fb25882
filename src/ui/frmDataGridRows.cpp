// The song browser's grid as people expect it: header clicks that sort and turn
// the order round with an arrow, columns fitted to their texts and the width,
// cut texts whole in their tool tips, and the songs played, marked and keyed.
#include "frmDataGrid.h"

#include "ColumnFit.h"
#include "SongTableModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>

namespace lirmus {

bool frmDataGrid::gridToolTip(QEvent* e)
{
    // Only a text too wide for its cell has a tool tip: the whole text.
    const auto* help = static_cast<QHelpEvent*>(e);
    const QModelIndex at = grdData->indexAt(help->pos());
    const QString text = at.isValid() ? at.data().toString() : QString();
    const int room = grdData->columnWidth(at.column()) - 2 * grdData->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) - 6;
    if (text.isEmpty() || grdData->fontMetrics().horizontalAdvance(text) <= room) {
        QToolTip::hideText();
        e->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, grdData->viewport(), grdData->visualRect(at));
    }
    return true;
}

void frmDataGrid::AssestaLarghezza()
{
    // Each column as wide as its header and the texts of the first rows, then all of
    // them fitted to the grid's width together.
    const int columns = model_->columnCount();
    if (columns == 0) return;
    const QFontMetrics fm = grdData->fontMetrics();
    const QFontMetrics header = grdData->horizontalHeader()->fontMetrics();
    const int pad = 2 * grdData->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int sample = std::min(model_->rowCount(), 64);
    const int marks = model_->favouriteColumn() < 0 ? columns : model_->favouriteColumn();
    std::vector<ColumnWant> wants(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        ColumnWant& want = wants[size_t(c)];
        want.least = header.horizontalAdvance(model_->fieldName(c)) + pad + 10; // and the sort arrow
        want.natural = want.least;
        want.flexible = sample == 0 && c < marks; // no rows to tell texts from numbers
        for (int r = 0; r < sample; ++r) {
            const QVariant v = model_->index(r, c).data();
            if (v.typeId() == QMetaType::QString && c < marks) want.flexible = true;
            want.natural = std::max(want.natural, fm.horizontalAdvance(v.toString()) + pad);
        }
    }
    const std::vector<int> widths = fitColumns(wants, grdData->viewport()->width());
    for (int c = 0; c < columns; ++c) grdData->setColumnWidth(c, widths[size_t(c)]);
}

void frmDataGrid::grdData_HeadClick(int column)
{
    const QString name = model_->fieldName(column);
    if (name.isEmpty()) return;
    QString SortKey = bracketName(name);
    // Shift (Ctrl, Alt) sorts descending; a plain click on the sorted column turns its order round.
    const bool descending = HeadShift != 0 || (column == sortColumn_ && !sortDescending_);
    if (descending) SortKey += " desc";
    HeadShift = 0;
    SortRecordset(SortKey);
    AssestaLarghezza();
}

void frmDataGrid::SortRecordset(const QString& SortKey)
{
    Hourglass wait;
    fetchTimer_->stop();
    const bool descending = SortKey.endsWith(" desc", Qt::CaseInsensitive);
    const QString name = unbracketName(descending ? SortKey.chopped(5) : SortKey);
    const int column = model_->columnOf(name);
    model_->sortByColumn(column, descending);
    sortColumn_ = column;
    sortDescending_ = descending;
    QHeaderView* header = grdData->horizontalHeader();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0) header->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    AssestaLarghezza();
    if (!model_->allPrepared()) fetchTimer_->start();
}

void frmDataGrid::playCurrentRow()
{
    int transpose = 0;
    QString file;
    if (!currentSong(&transpose, &file)) return;
    const int row = grdData->currentIndex().row();
    const std::optional<int> tempo = model_->savedTempo(row);
    DbError e;
    model_->notePlayed(row, &e); // a count that cannot be kept does not stop the song
    emit songChosen(file, transpose, tempo);
}

void frmDataGrid::grdData_DblClick()
{
    if (chkUpd->isChecked()) return;
    playCurrentRow();
}

void frmDataGrid::toggleFavourite()
{
    const QModelIndex cur = grdData->currentIndex();
    if (!databaseView() || !cur.isValid()) return;
    DbError e;
    if (!model_->toggleFavourite(cur.row(), &e))
        dialogs.message("Error on DB update:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
}

bool frmDataGrid::saveKeyAndTempo(const QString& midiFile, int transpose, int tempoChange)
{
    DbError e{"3167", "Open the library the song was chosen from to keep its key and tempo."};
    if (!CurDB.isEmpty() && model_->saveKeyAndTempo(midiFile, transpose, tempoChange, &e)) return true;
    dialogs.message("Error on DB update:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
    return false;
}

} // namespace lirmus
