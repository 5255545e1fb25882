// The song browser's database half: the grid over the library, its list of
// tables and stored queries, the file commands, sort, search, edit and copy.
#include "frmDataGrid.h"

#include "Jobs.h"
#include "LibrarySql.h"
#include "ScoreTable.h"
#include "SongTableModel.h"
#include "Twips.h"
#include "frmImport.h"
#include "frmSelect.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace lirmus {

namespace {

QToolButton* smallButton(QWidget* parent, const char* name, const char* caption, const char* tip)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(tip);
    b->setAutoRaise(false);
    b->setFixedSize(24, 24);
    return b;
}

} // namespace

void frmDataGrid::buildDatabaseControls()
{
    dialogs = LibraryDialogs::standard(this);
    picButtons = new QWidget(this);
    picButtons->setObjectName("picButtons");
    picButtons->setFocusPolicy(Qt::StrongFocus);
    cmdOpenDB = smallButton(picButtons, "cmdOpenDB", "O", "Open DataBase");
    cmdNewDB = smallButton(picButtons, "cmdNewDB", "N", "New DataBase");
    optDBFile = new QCheckBox(picButtons);
    optDBFile->setObjectName("optDBFile");
    optDBFile->setToolTip("Files or Database");
    cmdImport = smallButton(picButtons, "cmdImport", "I", "Scan/Import in Database");
    picDB = new QWidget(picButtons);
    picDB->setObjectName("picDB");
    cmdSelectDB = smallButton(picDB, "cmdSelectDB", "S", "Select from DataBase");
    cmdClose = smallButton(picDB, "cmdClose", "C", "Close Ddatabase");
    chkUpd = smallButton(picDB, "chkUpd", "M", "Modify Database");
    chkUpd->setCheckable(true);
    cmdRefresh = smallButton(picDB, "cmdRefresh", "R", "Reload DataBase");
    lstQuery = new QComboBox(picDB);
    lstQuery->setObjectName("lstQuery");
    lstQuery->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lstQuery->setMinimumContentsLength(8);

    auto* db = new QHBoxLayout(picDB);
    db->setContentsMargins(0, 0, 0, 0);
    db->setSpacing(2);
    for (QWidget* w : {static_cast<QWidget*>(cmdSelectDB), static_cast<QWidget*>(cmdClose),
                       static_cast<QWidget*>(chkUpd), static_cast<QWidget*>(cmdRefresh)})
        db->addWidget(w);
    db->addWidget(lstQuery, 1);
    auto* strip = new QHBoxLayout(picButtons);
    strip->setContentsMargins(2, 2, 2, 2);
    strip->setSpacing(2);
    strip->addWidget(cmdOpenDB);
    strip->addWidget(cmdNewDB);
    strip->addWidget(optDBFile);
    strip->addWidget(cmdImport);
    strip->addWidget(picDB, 1);
    strip->addStretch(0);

    model_ = new SongTableModel(this);
    model_->setWithMarks(true);
    model_->onEditError = [this](const DbError& e) {
        dialogs.message("Error on DB update:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
    };
    grdData = new QTableView(this);
    grdData->setObjectName("grdData");
    grdData->setModel(model_);
    grdData->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdData->setSelectionMode(QAbstractItemView::SingleSelection);
    grdData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdData->setContextMenuPolicy(Qt::CustomContextMenu);
    grdData->verticalHeader()->setDefaultSectionSize(grdData->fontMetrics().height() + 6);
    grdData->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdData->horizontalHeader()->setSectionsClickable(true);
    grdData->horizontalHeader()->setHighlightSections(false);
    grdData->horizontalHeader()->setStretchLastSection(false); // the columns share the width themselves
    grdData->horizontalHeader()->setSortIndicatorShown(false);
    grdData->setTextElideMode(Qt::ElideRight); // a cut text shows whole in its tool tip
    grdData->setWordWrap(false);
    grdData->viewport()->installEventFilter(this);
    grdData->horizontalHeader()->viewport()->installEventFilter(this);
    grdData->installEventFilter(this);
    chkUpd_Click(false);

    fetchTimer_ = new QTimer(this);
    fetchTimer_->setInterval(0);
    connect(fetchTimer_, &QTimer::timeout, this, [this] {
        // The rows first, then their text folded for the filter box.
        if (!model_->fetchRows(SongTableModel::kStepRows) && !model_->foldRows(SongTableModel::kStepRows))
            fetchTimer_->stop();
    });
    repairJob_ = new BackgroundJob(this);
    connect(repairJob_, &BackgroundJob::finished, this, &frmDataGrid::repairFinished);

    connect(cmdOpenDB, &QToolButton::clicked, this, &frmDataGrid::DB_Open);
    connect(cmdNewDB, &QToolButton::clicked, this, &frmDataGrid::DB_New);
    connect(cmdClose, &QToolButton::clicked, this, &frmDataGrid::DB_Close);
    connect(cmdRefresh, &QToolButton::clicked, this, &frmDataGrid::CaricaDB);
    connect(cmdImport, &QToolButton::clicked, this, &frmDataGrid::cmdImport_Click);
    connect(cmdSelectDB, &QToolButton::clicked, this, &frmDataGrid::cmdSelectDB_Click);
    connect(chkUpd, &QToolButton::toggled, this, &frmDataGrid::chkUpd_Click);
    connect(optDBFile, &QCheckBox::toggled, this, &frmDataGrid::optDBFile_Click);
    connect(lstQuery, &QComboBox::activated, this, &frmDataGrid::lstQuery_Click);
    connect(grdData->horizontalHeader(), &QHeaderView::sectionClicked, this, &frmDataGrid::grdData_HeadClick);
    connect(grdData, &QTableView::doubleClicked, this, &frmDataGrid::grdData_DblClick);
    connect(grdData, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& at) { emit popupRequested(grdData->viewport()->mapToGlobal(at)); });
}

bool frmDataGrid::gridEvent(QObject* watched, QEvent* e)
{
    if (watched == grdData->viewport() && e->type() == QEvent::ToolTip) return gridToolTip(e);
    if (watched == grdData->viewport() && e->type() == QEvent::Resize) AssestaLarghezza();
    if (watched == grdData->viewport() || watched == grdData->horizontalHeader()->viewport()) {
        // The keys held at a press decide a header click's direction.
        if (e->type() == QEvent::MouseButtonPress) {
            const auto mods = static_cast<QMouseEvent*>(e)->modifiers();
            HeadShift = (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) ? 1 : 0;
        }
        return false;
    }
    if (watched == grdData && e->type() == QEvent::KeyPress && chkUpd->isChecked() &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        grdData_Delete();
        return true;
    }
    return false;
}

bool frmDataGrid::databaseView() const { return optDBFile->isChecked() && !CurDB.isEmpty(); }

void frmDataGrid::CaricaDB()
{
    Hourglass wait;
    fetchTimer_->stop();
    DbError e;
    bool ok = true;
    if (!library_.isOpen() || library_.path() != CurDB) {
        stopLyricsFill();
        model_->clear();
        ok = library_.open(CurDB, &e);
        // Older libraries gain the singers' scores; one that cannot take them (read-only) still opens.
        DbError scores;
        if (ok && !ensureScoresTable(library_.database(), &scores))
            qWarning("%s: no scores kept: %s", qPrintable(CurDB), qPrintable(scores.text()));
    }
    if (ok) ok = loadShown(CurRecordSource, &e);
    if (ok) {
        RifaiCaptionDB();
        emit databaseOpen(true);
        emit importMenuEnabled(true);
        optDBFile->setEnabled(true);
        if (!ListaQuery(lstQuery)) return;
        if (!model_->allPrepared()) fetchTimer_->start();
        // Songs of an older library get their lyrics read, once the first rows are shown.
        QTimer::singleShot(0, this, &frmDataGrid::startLyricsFill);
        return;
    }
    databaseClosedInMemory();
    dialogs.message("Error on DB load:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
    CurRecordSource.clear();
    CurDB.clear();
}

bool frmDataGrid::loadShown(const QString& recordSource, DbError* err)
{
    if (!model_->load(&library_, recordSource, err)) return false;
    shownSource_ = recordSource;
    applyFilter(); // the filter stays over the new rows
    sortColumn_ = -1; // the rows come in the record source's own order
    grdData->horizontalHeader()->setSortIndicatorShown(false);
    AssestaLarghezza();
    return true;
}

void frmDataGrid::databaseClosedInMemory()
{
    stopLyricsFill();
    fetchTimer_->stop();
    model_->clear();
    library_.close();
    shownSource_.clear();
    emit databaseOpen(false);
    emit importMenuEnabled(false);
    optDBFile->setChecked(false);
    optDBFile->setEnabled(false);
    cmdImport->hide();
}

bool frmDataGrid::ListaQuery(QComboBox* list)
{
    Hourglass wait;
    list->clear();
    std::vector<LibraryObject> objects;
    DbError e;
    if (!library_.objects(&objects, &e)) {
        dialogs.message("Errore nel caricamento del Database:\n" + e.text(), LibraryDialogs::Icon::Information);
        CurRecordSource.clear();
        CurDB.clear();
        databaseClosedInMemory();
        return false;
    }
    list->addItems(listEntries(objects));
    // Show which table or query the grid comes from.
    int current = -1;
    for (int i = 0; i < list->count(); ++i)
        if (recordSourceFor(objectNameOfEntry(list->itemText(i))) == CurRecordSource ||
            objectNameOfEntry(list->itemText(i)) == CurRecordSource)
            current = i;
    list->setCurrentIndex(current);
    return true;
}

void frmDataGrid::RifaiCaptionDB()
{
    long long n = model_->rowCount();
    if (!model_->allFetched()) {
        DbError e;
        library_.count(recordSourceQuery(shownSource_), &n, &e);
    }
    setWindowTitle(captionFor(n, shownSource_, CurDB, model_->cut()));
    AssestaLarghezza();
}

void frmDataGrid::lstQuery_Click(int index)
{
    const QString name = objectNameOfEntry(lstQuery->itemText(index));
    if (name.isEmpty()) {
        if (index != 0 && lstQuery->count() > 0) {
            lstQuery->setCurrentIndex(0);
            lstQuery_Click(0);
        }
        return;
    }
    CurRecordSource = recordSourceFor(name);
    CaricaDB();
    if (!CurRecordSource.isEmpty() && writeSetting) writeSetting("RecordSource", CurRecordSource);
}

void frmDataGrid::optDBFile_Click(bool checked)
{
    if (FormLoading) return;
    if (checked) {
        picFiles->hide();
        picDB->show();
        cmdImport->hide();
        emit importMenuEnabled(false);
    } else {
        picDB->hide();
        picFiles->show();
        chkUpd->setChecked(false);
        cmdImport->setVisible(!CurDB.isEmpty());
    }
    emit importMenuEnabled(!CurDB.isEmpty());
    if (writeSetting) writeSetting("DBorFiles", checked ? "1" : "0");
}

void frmDataGrid::chkUpd_Click(bool checked)
{
    model_->setEditable(checked);
    QPalette p = grdData->palette();
    p.setColor(QPalette::Base, checked ? lstQuery->palette().color(QPalette::Base) : palette().color(QPalette::Window));
    grdData->setPalette(p);
    grdData->setSelectionBehavior(checked ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    grdData->setEditTriggers(checked ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::AnyKeyPressed
                                     : QAbstractItemView::NoEditTriggers);
    picButtons->setFocus();
}

QString frmDataGrid::chooseLibrary(const QString& title, bool save)
{
    QString path = dialogs.chooseFile({title, "Song library (*.db)", "db", QDir::currentPath(), save});
    if (path.isEmpty()) return {};
    if (!acceptLibraryFileName(&path)) {
        dialogs.message("Invalid File name ! Must be with 'db' extension or without extension.",
                        LibraryDialogs::Icon::Exclamation);
        return {};
    }
    return path;
}

void frmDataGrid::openLibrary(const QString& path)
{
    CurDB = path;
    CurRecordSource = kDefaultRecordSource;
    CaricaDB();
    if (CurDB.isEmpty() || CurRecordSource.isEmpty()) return;
    if (writeSetting) {
        writeSetting("CurDB", CurDB);
        writeSetting("RecordSource", CurRecordSource);
    }
    optDBFile->setEnabled(true);
    optDBFile->setChecked(true);
}

void frmDataGrid::DB_Open()
{
    const QString path = chooseLibrary("Open Database...", false);
    if (path.isEmpty()) return;
    openLibrary(path);
}

void frmDataGrid::DB_New()
{
    const QString path = chooseLibrary("New Database as...", true);
    if (path.isEmpty()) return;
    const QString templ = templatePath(AppPath, installedDirs);
    if (templ.isEmpty()) {
        dialogs.message("'Database.New' file not found!", LibraryDialogs::Icon::Critical);
        return;
    }
    // The file is about to be replaced: let go of it first if it is the one open.
    if (library_.isOpen() && QFileInfo(library_.path()) == QFileInfo(path)) databaseClosedInMemory();
    DbError e;
    if (!copyFileReplacing(templ, path, &e)) {
        dialogs.message("Error: " + e.number + " - " + e.description, LibraryDialogs::Icon::Exclamation);
        return;
    }
    // A journal left beside the replaced file belongs to it, not to the new library.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) QFile::remove(path + suffix);
    openLibrary(path);
}

void frmDataGrid::DB_Close()
{
    CurDB.clear();
    CurRecordSource.clear();
    if (writeSetting) {
        writeSetting("CurDB", "");
        writeSetting("RecordSource", "");
    }
    lstQuery->clear();
    chkUpd->setChecked(false);
    databaseClosedInMemory();
}

void frmDataGrid::DB_Repair()
{
    if (repairing()) return;
    const QString path = chooseLibrary("Repair & Compact Database...", false);
    if (path.isEmpty()) return;
    // The repaired file takes the old one's place: the open library lets go of it and reloads after.
    repairReopen_ = library_.isOpen() && QFileInfo(library_.path()) == QFileInfo(path);
    if (repairReopen_) {
        stopLyricsFill();
        fetchTimer_->stop();
        model_->clear();
        library_.close();
    }
    // Compacting 100,000 songs takes a while: on a worker, with its own connection,
    // and the browser refusing input until the file is back.
    repairError_ = std::make_shared<DbError>();
    setEnabled(false);
    setCursor(Qt::BusyCursor);
    repairJob_->start([path, err = repairError_](BackgroundJob&) {
        if (repairLibrary(path, err.get())) *err = {};
    });
}

bool frmDataGrid::repairing() const { return repairJob_->isRunning(); }

void frmDataGrid::repairFinished()
{
    unsetCursor();
    setEnabled(true);
    if (repairReopen_) CaricaDB();
    const DbError e = *repairError_;
    if (!e.number.isEmpty())
        dialogs.message("Errors on Repair !\nError: " + e.number + "\n" + e.description +
                            "\n\nThe library file was left as it was.",
                        LibraryDialogs::Icon::Exclamation);
}

bool frmDataGrid::showRecordSource(const QString& recordSource, DbError* err)
{
    fetchTimer_->stop();
    const QString previous = shownSource_;
    if (!loadShown(recordSource, err)) {
        DbError ignored;
        if (!previous.isEmpty()) loadShown(previous, &ignored);
        if (!model_->allPrepared()) fetchTimer_->start();
        return false;
    }
    if (!model_->allPrepared()) fetchTimer_->start();
    return true;
}

void frmDataGrid::grdData_Delete()
{
    const QModelIndex cur = grdData->currentIndex();
    if (!cur.isValid() || !dialogs.confirm("Confirm Delete ?")) return;
    DbError e;
    if (!model_->removeSong(cur.row(), &e)) {
        dialogs.message("Error on DB update:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
        return;
    }
    RifaiCaptionDB();
}

int frmDataGrid::currentColumn() const
{
    const QModelIndex cur = grdData->currentIndex();
    return cur.isValid() ? cur.column() : 0;
}

void frmDataGrid::selectRow(int row, int column)
{
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex at = model_->index(row, column);
    grdData->setCurrentIndex(at);
    grdData->scrollTo(at);
}

void frmDataGrid::FindInColumn(const QString& text)
{
    // Searching needs the grid and a column to search in.
    if (!databaseView() || model_->columnCount() == 0) return;
    const int column = currentColumn();
    const QString colName = model_->fieldName(column);
    findInLyrics_ = false;
    FindText = text;
    const QString answer = dialogs.input("Input text to find in " + colName + "...", "Find text in Database", FindText);
    if (answer.isEmpty()) return;
    FindText = doubleApostrophes(answer);
    Hourglass wait;
    const int row = model_->find(column, JetPattern(findPattern(FindText)), 0);
    if (row < 0) {
        selectRow(0, column);
        dialogs.message("'" + FindText + "' not Found in " + colName + " !", LibraryDialogs::Icon::Exclamation);
    } else {
        selectRow(row, column);
    }
    grdData->setFocus();
}

void frmDataGrid::FindNext()
{
    if (!databaseView() || model_->columnCount() == 0) return;
    if (findInLyrics_) {
        const QModelIndex cur = grdData->currentIndex();
        Hourglass wait;
        if (!findLyricsFrom(cur.isValid() ? cur.row() + 1 : 0)) {
            selectRow(0, currentColumn());
            dialogs.message("'" + lyricsWords_ + "' Not Found in Lyrics !", LibraryDialogs::Icon::Exclamation);
        }
        grdData->setFocus();
        return;
    }
    if (FindText.isEmpty()) {
        FindInColumn("");
        return;
    }
    const int column = currentColumn();
    const QString colName = model_->fieldName(column);
    const QModelIndex cur = grdData->currentIndex();
    Hourglass wait;
    const int row = model_->find(column, JetPattern(findPattern(FindText)), cur.isValid() ? cur.row() + 1 : 0);
    if (row < 0) {
        selectRow(0, column);
        dialogs.message("'" + FindText + "' Not Found in " + colName + " !", LibraryDialogs::Icon::Exclamation);
    } else {
        selectRow(row, column);
    }
    grdData->setFocus();
}

void frmDataGrid::MidiKar_Copy()
{
    int transpose = 0;
    QString source;
    if (!databaseView() || !currentSong(&transpose, &source)) return;
    if (CopyFolder.isEmpty()) CopyFolder = QDir::currentPath();
    const QString ext = source.right(3);
    QString name = model_->index(grdData->currentIndex().row(), 0).data().toString();
    name.replace('/', '_');
    const QString fileName = name + "." + ext;
    const QString chosen = dialogs.chooseFile({"Copy '" + fileName + "' file to...", ext + " Files (*." + ext + ")", ext,
                                              QDir(CopyFolder).filePath(fileName), true});
    if (chosen.isEmpty()) return;
    CopyFolder = QFileInfo(chosen).absolutePath();
    // Copying a song onto itself has nothing to do (and must not harm it).
    if (QFileInfo(chosen).exists() && QFileInfo(chosen).canonicalFilePath() == QFileInfo(source).canonicalFilePath())
        return;
    DbError e;
    bool ok = false;
    {
        Hourglass wait;
        ok = copyFileReplacing(source, chosen, &e);
    }
    if (!ok) dialogs.message("Error during copy !\n" + e.description, LibraryDialogs::Icon::Exclamation);
}

void frmDataGrid::cmdImport_Click()
{
    if (CurDB.isEmpty()) return;
    picButtons->setFocus();
    stopLyricsFill(); // the import writes the library itself
    frmImport import(library_, filesPath(), dialogs, this);
    import.reload = [this] { CaricaDB(); };
    if (import.exec() == QDialog::Accepted && !CurDB.isEmpty()) {
        optDBFile->setEnabled(true);
        optDBFile->setChecked(true);
    }
}

void frmDataGrid::cmdSelectDB_Click()
{
    if (CurDB.isEmpty()) return;
    frmSelect select(*this);
    select.exec();
}

} // namespace lirmus
