#include "frmDataGrid.h"

#include "SongTableModel.h"
#include "Twips.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace lirmus {

namespace {

// The drive list reads the mounted volumes again each time it opens, so a
// stick plugged in after start-up shows up.
class VolumeList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToPopup;
    void showPopup() override
    {
        if (aboutToPopup) aboutToPopup();
        QComboBox::showPopup();
    }
};

constexpr int kPathRole = Qt::UserRole;

} // namespace

frmDataGrid::frmDataGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName("frmDataGrid");
    setWindowTitle("Files");
    listVolumes = [] { return mountedVolumes(); };

    buildDatabaseControls();

    picFiles = new QWidget(this);
    picFiles->setObjectName("picFiles");
    auto* volumes = new VolumeList(picFiles);
    volumes->aboutToPopup = [this] { fillVolumes(); };
    drvFiles = volumes;
    drvFiles->setObjectName("drvFiles");
    drvFiles->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    dirFiles = new QTreeWidget(picFiles);
    dirFiles->setObjectName("dirFiles");
    dirFiles->setHeaderHidden(true);
    dirFiles->setExpandsOnDoubleClick(false); // a double click opens the folder instead
    dirFiles->setIndentation(px(180));
    filFiles = new QListWidget(picFiles);
    filFiles->setObjectName("filFiles");
    filFiles->setToolTip("Press F5 to load");
    filFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    filFiles->installEventFilter(this);
    // The pop-up menu serves the file list as it serves the grid.
    filFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(filFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { emit popupRequested(filFiles->viewport()->mapToGlobal(at)); });

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &frmDataGrid::refreshFiles);
    connect(drvFiles, &QComboBox::activated, this, &frmDataGrid::drvFiles_Change);
    connect(dirFiles, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { dirFiles_Change(item->data(0, kPathRole).toString()); });
    connect(filFiles, &QListWidget::itemDoubleClicked, this, &frmDataGrid::filFiles_DblClick);

    // Until a library loads the browser shows the files.
    optDBFile->setEnabled(false);
    cmdImport->hide();
    picDB->hide();
    buildFilter();
}

QString frmDataGrid::currentDir() const { return QDir::currentPath(); }

void frmDataGrid::Form_Load()
{
    FormLoading = true;
    auto setting = [this](const QString& key) { return readSetting ? readSetting(key) : QString(); };
    picFiles->show();
    DBorFiles_ = setting("DBorFiles").toInt();
    if (DBorFiles_ == 1) {
        optDBFile->setChecked(true);
        picDB->show();
        picFiles->hide();
        cmdImport->hide();
    }
    CurDB = setting("CurDB");
    if (!CurDB.isEmpty()) {
        CurRecordSource = setting("RecordSource");
        if (CurRecordSource.isEmpty()) CurRecordSource = kSongTable;
    } else {
        CurRecordSource.clear();
        optDBFile->setEnabled(false);
    }
    fillVolumes();
    showFolder(startFolder(setting("CurDir"), currentDir()));
    if (!CurDB.isEmpty()) {
        CaricaDB();
        if (CurDB.isEmpty()) picFiles->show();
    } else {
        // Nothing to show in the database view without a library.
        optDBFile->setChecked(false);
        picDB->hide();
        picFiles->show();
        cmdImport->hide();
    }
    FormLoading = false;
}

void frmDataGrid::fillVolumes()
{
    drvFiles->clear();
    for (const Volume& v : listVolumes()) drvFiles->addItem(volumeText(v), v.root);
    selectVolume();
}

void frmDataGrid::selectVolume()
{
    QStringList roots;
    for (int i = 0; i < drvFiles->count(); ++i) roots << drvFiles->itemData(i).toString();
    drvFiles->setCurrentIndex(drvFiles->findData(volumeOf(path_, roots)));
}

void frmDataGrid::showFolder(const QString& folder)
{
    path_ = nearestUsableFolder(folder);
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    watcher_->addPath(path_);
    selectVolume();
    fillFolders();
    fillFiles();
}

void frmDataGrid::fillFolders()
{
    const QString root = drvFiles->currentData().toString();
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    dirFiles->clear();
    QTreeWidgetItem* parent = nullptr;
    for (const QString& folder : folderChain(path_, root.isEmpty() ? QString("/") : root)) {
        const QString name = parent ? QDir(folder).dirName() : folder;
        auto* item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(dirFiles, {name});
        item->setData(0, kPathRole, folder);
        item->setIcon(0, openIcon);
        if (parent) parent->setExpanded(true);
        parent = item;
    }
    for (const QString& name : subfolders(path_)) {
        auto* item = new QTreeWidgetItem(parent, {name});
        item->setData(0, kPathRole, joinPath(path_, name));
        item->setIcon(0, icon);
    }
    parent->setExpanded(true);
    dirFiles->setCurrentItem(parent);
}

void frmDataGrid::fillFiles()
{
    // A refresh keeps the song the user had picked.
    const QListWidgetItem* picked = filFiles->currentItem();
    const QString keep = picked && picked->isSelected() ? picked->text() : QString();
    filFiles->clear();
    filFiles->addItems(songFiles(path_));
    if (keep.isEmpty()) return;
    const QList<QListWidgetItem*> again = filFiles->findItems(keep, Qt::MatchExactly);
    if (!again.isEmpty()) filFiles->setCurrentItem(again.front());
}

void frmDataGrid::saveCurDir()
{
    if (!FormLoading && writeSetting) writeSetting("CurDir", path_);
}

void frmDataGrid::dirFiles_Change(const QString& folder)
{
    if (folder.isEmpty()) return;
    showFolder(folder);
    saveCurDir();
}

void frmDataGrid::drvFiles_Change()
{
    if (FormLoading) return;
    // A volume that cannot be read (unplugged, not mounted) leaves us in the program's folder.
    showFolder(folderForVolume(drvFiles->currentData().toString(), currentDir()));
    saveCurDir();
}

void frmDataGrid::refreshFiles()
{
    if (folderUsable(path_)) {
        fillFolders();
        fillFiles();
        return;
    }
    showFolder(path_);
    saveCurDir();
}

void frmDataGrid::filFiles_DblClick()
{
    const QListWidgetItem* item = filFiles->currentItem();
    if (!item || !item->isSelected()) return;
    emit songChosen(joinPath(path_, item->text()), 0);
}

bool frmDataGrid::eventFilter(QObject* watched, QEvent* e)
{
    if (gridEvent(watched, e) || filterEvent(watched, e)) return true;
    if (watched == filFiles && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F5) {
            filFiles_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void frmDataGrid::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Form_Resize();
}

void frmDataGrid::Form_Resize()
{
    if (window()->isMinimized() || (parentWidget() && parentWidget()->isMinimized())) return;
    const int gap = px(60), small = px(30);
    const int stripHeight = picButtons->sizeHint().height();
    picButtons->setGeometry(0, 0, width(), stripHeight);
    const QRect grid(gap, stripHeight + small, std::max(0, width() - 2 * gap),
                     std::max(0, height() - stripHeight - small - gap));
    picFiles->setGeometry(grid);
    QRect rows = grid; // the filter box sits above the rows of the database view
    txtFilter->setVisible(picFiles->isHidden());
    chkLyrics->setVisible(picFiles->isHidden());
    if (!txtFilter->isHidden()) {
        // The filter box, its "Lyrics" switch and, while an older library's lyrics are read, their progress.
        const int h = txtFilter->sizeHint().height();
        int right = grid.right() + 1;
        const int check = chkLyrics->sizeHint().width();
        chkLyrics->setGeometry(right - check, grid.y(), check, h);
        right -= check + gap;
        if (!prgLyrics->isHidden()) {
            const int bar = std::min(220, grid.width() / 3);
            prgLyrics->setGeometry(right - bar, grid.y(), bar, h);
            right -= bar + gap;
        }
        txtFilter->setGeometry(grid.x(), grid.y(), std::max(0, right - grid.x()), h);
        rows.setTop(grid.y() + h + small);
    }
    grdData->setGeometry(rows);

    // Drive and folder lists share a left column; the songs take the rest.
    const int column = std::min(grid.width(), std::min(320, std::max(140, grid.width() * 2 / 5)));
    const int driveHeight = drvFiles->sizeHint().height();
    drvFiles->setGeometry(0, 0, column, driveHeight);
    dirFiles->setGeometry(0, driveHeight + small, column, std::max(0, grid.height() - driveHeight - small));
    filFiles->setGeometry(column + gap, 0, std::max(0, grid.width() - column - gap), grid.height());
    update();
}

bool frmDataGrid::currentSong(int* transpose, QString* file) const
{
    const QAbstractItemModel* model = grdData->model();
    const QModelIndex cur = grdData->currentIndex();
    if (!model || !cur.isValid()) return false;
    *transpose = songTransposeOf(model->index(cur.row(), 3).data().toString());
    *file = model->index(cur.row(), 4).data().toString();
    return true;
}

bool frmDataGrid::selectedSong(QString* file, int* transpose) const
{
    if (optDBFile->isChecked()) return currentSong(transpose, file);
    const QListWidgetItem* item = filFiles->currentItem();
    if (!item || !item->isSelected()) return false;
    *transpose = 0;
    *file = joinPath(path_, item->text());
    return true;
}

void frmDataGrid::chooseSelected()
{
    if (optDBFile->isChecked()) {
        playCurrentRow();
        return;
    }
    QString file;
    int transpose = 0;
    if (selectedSong(&file, &transpose)) emit songChosen(file, transpose);
}

} // namespace lirmus
