// The song browser's filter box: each key narrows the grid to the songs whose
// Name, Author and Category hold every word typed; Esc shows them all again.
#include "SongTableModel.h"
#include "frmDataGrid.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>

namespace lirmus {

void frmDataGrid::buildFilter()
{
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName("txtFilter");
    txtFilter->setPlaceholderText("Filter by name, author or category (Ctrl+K)");
    txtFilter->setClearButtonEnabled(true);
    txtFilter->setToolTip("Shows the songs holding every word typed, in any letter case and with or without "
                          "accents; Esc shows them all again.");
    txtFilter->installEventFilter(this);
    picFiles->installEventFilter(this);
    connect(txtFilter, &QLineEdit::textChanged, this, &frmDataGrid::txtFilter_Change);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    connect(shortcut, &QShortcut::activated, this, &frmDataGrid::focusFilter);
}

void frmDataGrid::txtFilter_Change(const QString& text)
{
    const QModelIndex current = grdData->currentIndex();
    model_->setFilter(text);
    if (model_->rowCount() > 0 && current.isValid())
        grdData->setCurrentIndex(model_->index(0, current.column()));
    RifaiCaptionDB();
}

void frmDataGrid::focusFilter()
{
    if (txtFilter->isHidden() || CurDB.isEmpty()) return; // the file view has no filter
    txtFilter->setFocus(Qt::ShortcutFocusReason);
    txtFilter->selectAll();
    model_->prepareFilter(); // while the first word is being thought of
    RifaiCaptionDB();
}

bool frmDataGrid::filterEvent(QObject* watched, QEvent* e)
{
    if (watched == picFiles && (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent)) {
        Form_Resize(); // the filter box comes and goes with the database view
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    if (watched == grdData && key->text() == "/" && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        focusFilter();
        return true;
    }
    if (watched != txtFilter) return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        txtFilter->clear();
        grdData->setFocus();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        // On to the rows found, the first one chosen.
        grdData->setFocus();
        if (model_->rowCount() > 0 && !grdData->currentIndex().isValid()) grdData->setCurrentIndex(model_->index(0, 0));
        return true;
    default:
        return false;
    }
}

} // namespace lirmus
