#include "frmDataGrid.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QTableView>
#include <QVBoxLayout>

namespace lirmus {

frmDataGrid::frmDataGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName("frmDataGrid");
    setWindowTitle("Files");

    optDBFile = new QCheckBox(tr("Files or Database"), this);
    optDBFile->setObjectName("optDBFile");
    grdData = new QTableView(this);
    grdData->setObjectName("grdData");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(grdData, 1);
    layout->addWidget(optDBFile);
}

bool frmDataGrid::currentSong(int* transpose, QString* file) const
{
    const QAbstractItemModel* model = grdData->model();
    const QModelIndex cur = grdData->currentIndex();
    if (!model || !cur.isValid()) return false;
    *transpose = model->index(cur.row(), 3).data().toInt();
    *file = model->index(cur.row(), 4).data().toString();
    return true;
}

// The library arrives with the database subsystem; these are the named entry
// points the main menu is wired to.
void frmDataGrid::Form_Resize() {}
void frmDataGrid::filFiles_DblClick() {}
void frmDataGrid::DB_New() {}
void frmDataGrid::DB_Open() {}
void frmDataGrid::DB_Close() {}
void frmDataGrid::DB_Repair() {}
void frmDataGrid::FindInColumn(const QString&) {}
void frmDataGrid::FindNext() {}
void frmDataGrid::MidiKar_Copy() {}

} // namespace lirmus
