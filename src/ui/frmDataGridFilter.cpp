// The song browser's filter box: each key narrows the grid to the songs whose
// Name, Author and Category hold every word typed, or, with "Lyrics" ticked,
// whose lyrics hold the words in order; Esc shows them all again. Also the
// lyrics search of the find dialog and the reading of an older library's lyrics.
#include "Jobs.h"
#include "SongDetails.h"
#include "SongTableModel.h"
#include "frmDataGrid.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
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
    chkLyrics = new QCheckBox("Lyrics", this);
    chkLyrics->setObjectName("chkLyrics");
    chkLyrics->setToolTip("Finds the songs whose lyrics hold the words typed, in that order");
    connect(chkLyrics, &QCheckBox::toggled, this, [this](bool on) {
        txtFilter->setPlaceholderText(on ? "Find songs by the words they sing (Ctrl+K)"
                                         : "Filter by name, author or category (Ctrl+K)");
        txtFilter_Change(txtFilter->text());
    });
    prgLyrics = new QProgressBar(this);
    prgLyrics->setObjectName("prgLyrics");
    prgLyrics->setFormat("Reading lyrics %v / %m");
    prgLyrics->setToolTip("The lyrics of the library's songs are being read for the lyrics search");
    prgLyrics->hide();
    fillJob_ = new SlicedJob(this);
    fillJob_->step = [this] { return fill_->next(); };
    fillJob_->sliceEnded = [this] {
        fill_->pause(); // between slices the library takes other writes
        prgLyrics->setValue(fill_->done());
    };
    connect(fillJob_, &SlicedJob::finished, this, [this](bool) {
        DbError e;
        fill_->end(&e);
        prgLyrics->hide();
        Form_Resize();
        if (chkLyrics->isChecked()) applyFilter(); // more songs may match now
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    connect(shortcut, &QShortcut::activated, this, &frmDataGrid::focusFilter);
}

void frmDataGrid::applyFilter()
{
    const QString text = txtFilter->text();
    if (!chkLyrics->isChecked()) {
        model_->setFilter(text);
        return;
    }
    std::vector<QString> files;
    DbError e;
    // The last word counts as its beginning once it has a few letters: one or two
    // would match nearly every song and slow each key down.
    const QStringList words = text.simplified().split(' ');
    findLyrics(library_, text, words.last().size() >= 3, &files, &e); // a failed search finds nothing
    model_->setLyricsFilter(text, QSet<QString>(files.begin(), files.end()));
}

void frmDataGrid::txtFilter_Change(const QString& text)
{
    Q_UNUSED(text);
    const QModelIndex current = grdData->currentIndex();
    applyFilter();
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

bool frmDataGrid::readingLyrics() const { return fillJob_->isRunning(); }

void frmDataGrid::startLyricsFill()
{
    if (fillJob_->isRunning() || !library_.isOpen()) return;
    fill_ = std::make_unique<DetailsFill>();
    DbError e;
    if (!fill_->begin(library_, &e) || fill_->total() == 0) return;
    prgLyrics->setRange(0, fill_->total());
    prgLyrics->setValue(0);
    prgLyrics->show();
    Form_Resize();
    fillJob_->start();
}

void frmDataGrid::stopLyricsFill()
{
    // The rest is read at the next open.
    if (fillJob_->isRunning()) fillJob_->cancel();
}

bool frmDataGrid::findLyricsFrom(int row)
{
    std::vector<QString> files;
    DbError e;
    if (!findLyrics(library_, lyricsWords_, false, &files, &e)) {
        dialogs.message("Error on DB load:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
        return true;
    }
    const QSet<QString> found(files.begin(), files.end());
    const int key = model_->columnOf("MidiFile");
    for (int r = std::max(0, row); key >= 0 && !found.isEmpty(); ++r) {
        while (r >= model_->rowCount() && model_->canFetchMore()) model_->fetchRows(SongTableModel::kStepRows);
        if (r >= model_->rowCount()) break;
        if (found.contains(model_->index(r, key).data().toString())) {
            selectRow(r, currentColumn());
            return true;
        }
    }
    return false;
}

void frmDataGrid::FindInLyrics()
{
    if (!databaseView() || model_->columnCount() == 0) return;
    const QString answer = dialogs.input("Input words to find in Lyrics...", "Find text in Database", lyricsWords_);
    if (answer.trimmed().isEmpty()) return;
    lyricsWords_ = answer;
    findInLyrics_ = true;
    Hourglass wait;
    if (!findLyricsFrom(0)) {
        selectRow(0, currentColumn());
        dialogs.message("'" + lyricsWords_ + "' not Found in Lyrics !", LibraryDialogs::Icon::Exclamation);
    }
    grdData->setFocus();
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
