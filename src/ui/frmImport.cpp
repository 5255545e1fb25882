#include "frmImport.h"

#include "Jobs.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lirmus {

namespace {

QListWidgetItem* checkItem(QListWidget* list, const QString& text, bool checked)
{
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

frmImport::frmImport(SongLibrary& library, const QString& folder, const LibraryDialogs& dialogs, QWidget* parent)
    : QDialog(parent), library_(library), dialogs_(dialogs)
{
    setObjectName("frmImport");
    setWindowTitle("Import in DataBase");
    setModal(true);

    chkFolders = new QCheckBox("Include Sub-Folders", this);
    chkFolders->setObjectName("chkFolders");
    lstFolders = new QListWidget(this);
    lstFolders->setObjectName("lstFolders");
    lstFolders->setEnabled(false);
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName("lstFiles");
    lstFiles->setUniformItemSizes(true); // quick with thousands of songs
    for (QListWidget* list : {lstFolders, lstFiles}) list->setTextElideMode(Qt::ElideMiddle);
    cmdFoldersSel = new QPushButton("Select All", this);
    cmdFoldersDes = new QPushButton("Deselect All", this);
    cmdFilesSel = new QPushButton("Select All", this);
    cmdFilesDes = new QPushButton("Deselect All", this);
    cmdFoldersSel->hide();
    cmdFoldersDes->hide();
    lblAuthor = new QLabel("Author", this);
    lblCategory = new QLabel("Category", this);
    txtAuthor = new QLineEdit(this);
    txtAuthor->setObjectName("txtAuthor");
    txtAuthor->setMaxLength(30);
    txtCategory = new QLineEdit(this);
    txtCategory->setObjectName("txtCategory");
    txtCategory->setMaxLength(20);
    chkTitles = new QCheckBox("Names from the songs' titles", this);
    chkTitles->setObjectName("chkTitles");
    chkTitles->setToolTip("Name and Author from the title lines a song carries (@T); songs without "
                          "them are named from their file and folders");
    chkCopies = new QCheckBox("Add songs already in DB under another name", this);
    chkCopies->setObjectName("chkCopies");
    chkCopies->setToolTip("A file with the very bytes of a song in the library is left out unless this is ticked");
    Label1[0] = new QLabel("Import", this);
    Label1[1] = new QLabel("0", this);
    Label1[2] = new QLabel(" songs in Database", this);
    for (int i = 0; i < 3; ++i) Label1[i]->setObjectName(QString("Label1(%1)").arg(i));
    picImported = new QWidget(this);
    picImported->setObjectName("picImported");
    lblImported = new QLabel("0", picImported);
    lblImported->setObjectName("lblImported");
    lblNotImported = new QLabel("0", picImported);
    lblNotImported->setObjectName("lblNotImported");
    cmdFolder = new QPushButton("Folder...", this);
    cmdFolder->setObjectName("cmdFolder");
    cmdFolder->setToolTip("Import the songs of another folder");
    cmdOk = new QPushButton("Ok", this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setDefault(true);
    cmdAnnulla = new QPushButton("Cancel", this);
    cmdAnnulla->setObjectName("cmdAnnulla");

    auto* counters = new QHBoxLayout(picImported);
    counters->setContentsMargins(0, 0, 0, 0);
    counters->addWidget(new QLabel("Imported:", picImported));
    counters->addWidget(lblImported);
    counters->addSpacing(12);
    counters->addWidget(new QLabel("Not imported:", picImported));
    counters->addWidget(lblNotImported);
    picImported->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(chkFolders, 0, 0);
    grid->addWidget(lstFolders, 1, 0);
    grid->addWidget(lstFiles, 1, 1);
    auto* folderButtons = new QHBoxLayout;
    folderButtons->addWidget(cmdFoldersSel);
    folderButtons->addWidget(cmdFoldersDes);
    folderButtons->addStretch(1);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(cmdFilesSel);
    fileButtons->addWidget(cmdFilesDes);
    fileButtons->addStretch(1);
    grid->addLayout(folderButtons, 2, 0);
    grid->addLayout(fileButtons, 2, 1);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);

    auto* names = new QHBoxLayout;
    names->addWidget(lblAuthor);
    names->addWidget(txtAuthor, 3);
    names->addSpacing(12);
    names->addWidget(lblCategory);
    names->addWidget(txtCategory, 2);
    auto* options = new QHBoxLayout;
    options->addWidget(chkTitles);
    options->addSpacing(12);
    options->addWidget(chkCopies);
    options->addStretch(1);
    auto* count = new QHBoxLayout;
    count->setSpacing(0);
    count->addWidget(Label1[0]);
    count->addSpacing(4);
    count->addWidget(Label1[1]);
    count->addWidget(Label1[2]);
    count->addSpacing(12);
    count->addStretch(1);
    count->addWidget(picImported);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdFolder);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdAnnulla);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid, 1);
    top->addLayout(names);
    top->addLayout(options);
    top->addLayout(count);
    top->addLayout(buttons);
    resize(640, 420);

    connect(chkFolders, &QCheckBox::toggled, this, &frmImport::chkFolders_Click);
    connect(cmdFilesSel, &QPushButton::clicked, this, &frmImport::cmdFilesSel_Click);
    connect(cmdFilesDes, &QPushButton::clicked, this, &frmImport::cmdFilesDes_Click);
    connect(cmdFoldersSel, &QPushButton::clicked, this, &frmImport::cmdFoldersSel_Click);
    connect(cmdFoldersDes, &QPushButton::clicked, this, &frmImport::cmdFoldersDes_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmImport::cmdOK_Click);
    connect(cmdFolder, &QPushButton::clicked, this, &frmImport::cmdFolder_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmImport::reject);
    connect(lstFiles, &QListWidget::itemChanged, this, &frmImport::lstFiles_ItemCheck);
    connect(lstFolders, &QListWidget::itemChanged, this, &frmImport::lstFolders_ItemCheck);

    importJob_ = new SlicedJob(this);
    importJob_->step = [this] { return importer_.next(); };
    connect(importJob_, &SlicedJob::finished, this, &frmImport::importFinished);
    scanJob_ = new BackgroundJob(this);
    connect(scanJob_, &BackgroundJob::finished, this, &frmImport::scanFinished);

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    ImportFolder = folder;
    ListCurrentFolder();
}

frmImport::~frmImport()
{
    // The jobs go first: their steps use the members below.
    delete scanJob_;
    delete importJob_;
    if (importing_) importer_.end();
}

bool frmImport::scanning() const { return scanJob_->isRunning(); }

void frmImport::setBusy(bool busy)
{
    // Cancel stays: it stops the job.
    for (QWidget* w : {static_cast<QWidget*>(chkFolders), static_cast<QWidget*>(lstFiles),
                       static_cast<QWidget*>(chkTitles), static_cast<QWidget*>(chkCopies),
                       static_cast<QWidget*>(cmdFolder),
                       static_cast<QWidget*>(cmdFilesSel), static_cast<QWidget*>(cmdFilesDes),
                       static_cast<QWidget*>(cmdFoldersSel), static_cast<QWidget*>(cmdFoldersDes)})
        w->setEnabled(!busy);
    lstFolders->setEnabled(!busy && chkFolders->isChecked());
    if (busy) setCursor(Qt::BusyCursor);
    else unsetCursor();
    UpdateSelCount();
}

void frmImport::fillLists()
{
    ListBusy = true;
    lstFolders->clear();
    lstFiles->clear();
    for (const lirmus::ImportFolder& f : list_.folders) checkItem(lstFolders, f.path, f.checked);
    for (const ImportFile& f : list_.files) checkItem(lstFiles, f.text, f.checked);
    if (lstFolders->count() > 0) lstFolders->setCurrentRow(0);
    if (list_.ticked() > 0) lstFiles->setCurrentRow(0);
    ListBusy = false;
    UpdateSelCount();
}

void frmImport::ListCurrentFolder()
{
    list_ = listCurrentFolder(ImportFolder);
    fillLists();
    const AuthorCategory ac = AuthorCategoryFromPath(ImportFolder);
    txtAuthor->setText(ac.author);
    txtCategory->setText(ac.category);
}

void frmImport::ListSubFolders()
{
    if (scanning()) return;
    list_ = {};
    fillLists();
    // A tree of thousands of folders takes a while: read it off the GUI thread.
    scanned_ = std::make_shared<ImportList>();
    scanJob_->start([folder = ImportFolder, out = scanned_](BackgroundJob& job) {
        *out = listSubFolders(folder, [&job] { return !job.cancelRequested(); });
    });
    setBusy(true);
}

void frmImport::scanFinished()
{
    // After a Cancel the lists show what was found until then.
    list_ = std::move(*scanned_);
    fillLists();
    setBusy(false);
}

void frmImport::cmdFolder_Click()
{
    if (importing_ || scanning() || !dialogs_.chooseFolder) return;
    const QString folder = dialogs_.chooseFolder("Import from folder...", ImportFolder);
    if (folder.isEmpty()) return;
    ImportFolder = folder;
    if (chkFolders->isChecked()) ListSubFolders();
    else ListCurrentFolder();
}

void frmImport::chkFolders_Click(bool checked)
{
    for (QWidget* w : {static_cast<QWidget*>(lblAuthor), static_cast<QWidget*>(lblCategory),
                       static_cast<QWidget*>(txtAuthor), static_cast<QWidget*>(txtCategory)})
        w->setEnabled(!checked);
    if (checked) {
        txtAuthor->clear();
        txtCategory->clear();
        ListSubFolders();
        cmdFoldersSel->show();
        cmdFoldersDes->show();
    } else {
        cmdFoldersSel->hide();
        cmdFoldersDes->hide();
        lstFolders->setEnabled(false);
        ListCurrentFolder();
    }
}

void frmImport::UpdateSelCount()
{
    const int ticked = list_.ticked();
    Label1[1]->setText(QString::number(ticked));
    cmdOk->setEnabled(ticked > 0 && !importing_);
}

void frmImport::lstFiles_ItemCheck(QListWidgetItem* item)
{
    if (ListBusy) return;
    list_.files[size_t(lstFiles->row(item))].checked = item->checkState() == Qt::Checked;
    UpdateSelCount();
}

void frmImport::lstFolders_ItemCheck(QListWidgetItem* item)
{
    if (ListBusy) return;
    const int folder = lstFolders->row(item);
    const bool on = item->checkState() == Qt::Checked;
    list_.folders[size_t(folder)].checked = on;
    ListBusy = true;
    for (size_t i = 0; i < list_.files.size(); ++i) {
        if (list_.files[i].folder != folder) continue;
        list_.files[i].checked = on;
        lstFiles->item(int(i))->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        lstFiles->setCurrentRow(int(i));
    }
    ListBusy = false;
    UpdateSelCount();
}

void frmImport::setAllFiles(bool on)
{
    ListBusy = true;
    for (size_t i = 0; i < list_.files.size(); ++i) {
        list_.files[i].checked = on;
        lstFiles->item(int(i))->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    ListBusy = false;
    if (lstFiles->count() > 0) lstFiles->setCurrentRow(0);
    UpdateSelCount();
}

void frmImport::setAllFolders(bool on)
{
    ListBusy = true;
    for (size_t i = 0; i < list_.folders.size(); ++i) {
        list_.folders[i].checked = on;
        lstFolders->item(int(i))->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    ListBusy = false;
    if (lstFolders->count() > 0) lstFolders->setCurrentRow(0);
    setAllFiles(on);
}

void frmImport::cmdOK_Click()
{
    if (importing_ || scanning() || list_.ticked() == 0) return;
    importing_ = true;
    setBusy(true);
    lblImported->setText("0");
    lblNotImported->setText("0");
    picImported->show();
    importer_.onResult = [this](int i, ImportResult result, const DbError& e) { importStep(i, result, e); };
    importer_.titlesFromSongs = chkTitles->isChecked();
    importer_.addCopies = chkCopies->isChecked();
    if (importer_.begin(library_, list_, ImportFolder, chkFolders->isChecked(), txtAuthor->text(), txtCategory->text()))
        importJob_->start();
    else
        importFinished(false);
}

void frmImport::importStep(int file, ImportResult result, const DbError& e)
{
    QListWidgetItem* item = lstFiles->item(file);
    if (result != ImportResult::Added) {
        ListBusy = true;
        item->setCheckState(Qt::Unchecked);
        ListBusy = false;
    }
    lstFiles->setCurrentItem(item); // the list follows the import

    if (result == ImportResult::Failed)
        dialogs_.message(importErrorMessage(SongImporter::midiFileOf(list_, file, ImportFolder, chkFolders->isChecked()), e),
                         LibraryDialogs::Icon::Exclamation);
    showCounts();
}

void frmImport::showCounts()
{
    const ImportCounts& c = importer_.counts();
    lblImported->setText(QString::number(c.added));
    lblNotImported->setText(QString::number(c.already + c.failed + c.skipped + c.copies));
}

void frmImport::importFinished(bool cancelled)
{
    const bool ok = importer_.end();
    importing_ = false;
    showCounts();
    if (reload) reload();
    if (!ok) {
        setBusy(false);
        dialogs_.message("Error on DB update:\n" + importer_.fatal().text(), LibraryDialogs::Icon::Exclamation);
        return;
    }
    if (cancelled) {
        // Stopped: the songs added are unticked, the rest stays ticked for another go.
        ListBusy = true;
        for (int i = 0; i < importer_.position(); ++i) {
            if (!list_.files[size_t(i)].checked) continue;
            list_.files[size_t(i)].checked = false;
            lstFiles->item(i)->setCheckState(Qt::Unchecked);
        }
        ListBusy = false;
        setBusy(false);
        return;
    }
    unsetCursor();
    dialogs_.message(importReport(list_.ticked(), importer_.counts(), importer_.skipped, importer_.copies),
                     LibraryDialogs::Icon::Information);
    accept();
}

void frmImport::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmImport::reject()
{
    // During a job Cancel, Esc and the close button stop it; the window stays to show where.
    if (importing_) importJob_->cancel();
    else if (scanning()) scanJob_->cancel();
    else QDialog::reject();
}

} // namespace lirmus
