#pragma once
// "Import in DataBase": song files of a folder, or of a whole folder tree,
// ticked by folder and by file, added to "All Songs" with counters and a summary.
#include "LibraryDialogs.h"
#include "LibraryImport.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace lirmus {

class BackgroundJob;
class SlicedJob;

class frmImport : public QDialog {
    Q_OBJECT
public:
    frmImport(SongLibrary& library, const QString& folder, const LibraryDialogs& dialogs, QWidget* parent = nullptr);
    /// Commits what an unfinished import wrote.
    ~frmImport() override;

    /// Reloads the browser's grid (after an import, also a failed one).
    std::function<void()> reload;

    QListWidget* lstFolders = nullptr;
    QListWidget* lstFiles = nullptr;
    QCheckBox* chkFolders = nullptr;
    QLabel* lblAuthor = nullptr;
    QLabel* lblCategory = nullptr;
    QLineEdit* txtAuthor = nullptr;
    QLineEdit* txtCategory = nullptr;
    QCheckBox* chkTitles = nullptr;   ///< Name and Author from the songs' title lines
    QCheckBox* chkCopies = nullptr;   ///< adds songs whose bytes the library already has
    QPushButton* cmdFilesSel = nullptr;
    QPushButton* cmdFilesDes = nullptr;
    QPushButton* cmdFoldersSel = nullptr;
    QPushButton* cmdFoldersDes = nullptr;
    QLabel* Label1[3] = {};
    QWidget* picImported = nullptr;
    QLabel* lblImported = nullptr;
    QLabel* lblNotImported = nullptr;
    QPushButton* cmdFolder = nullptr; ///< "Folder...": another folder to import
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdAnnulla = nullptr;

    QString ImportFolder;

    /// The folder tree is read on a worker thread.
    bool scanning() const;
    /// The import runs a few files per turn of the event loop; Cancel or Esc stops it
    /// between two files, keeping the songs written so far.
    bool importing() const { return importing_; }
    /// The import, its slices and their finish (tests set the slice size).
    SlicedJob* importJob() const { return importJob_; }

public slots:
    void ListCurrentFolder();
    void ListSubFolders();
    void chkFolders_Click(bool checked);
    void cmdFilesSel_Click() { setAllFiles(true); }
    void cmdFilesDes_Click() { setAllFiles(false); }
    void cmdFoldersSel_Click() { setAllFolders(true); }
    void cmdFoldersDes_Click() { setAllFolders(false); }
    void cmdOK_Click();
    /// Asks for another folder and lists its songs (and its sub-folders' when ticked).
    void cmdFolder_Click();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void fillLists();
    void UpdateSelCount();
    void setAllFiles(bool on);
    void setAllFolders(bool on);
    void lstFiles_ItemCheck(QListWidgetItem* item);
    void lstFolders_ItemCheck(QListWidgetItem* item);
    void setBusy(bool busy);
    void importStep(int file, ImportResult result, const DbError& e);
    void importFinished(bool cancelled);
    /// The running counters: added, and not added for any reason.
    void showCounts();
    void scanFinished();

    SongLibrary& library_;
    LibraryDialogs dialogs_;
    ImportList list_;
    bool ListBusy = false;
    bool importing_ = false;
    SlicedJob* importJob_ = nullptr;
    SongImporter importer_;
    BackgroundJob* scanJob_ = nullptr;
    std::shared_ptr<ImportList> scanned_;
};

} // namespace lirmus
