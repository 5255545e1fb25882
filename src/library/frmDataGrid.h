#pragma once
// The song browser: the library grid or the file system, search and the
// database commands of the main menu.
#include "FileView.h"

#include <functional>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QListWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace lirmus {

class frmDataGrid : public QWidget {
    Q_OBJECT
public:
    explicit frmDataGrid(QWidget* parent = nullptr);

    /// [DATABASE] settings of the browser, by key ("" when missing); set before Form_Load.
    std::function<QString(const QString& key)> readSetting;
    std::function<void(const QString& key, const QString& value)> writeSetting;
    /// The volumes the drive list offers (the mounted ones unless a test says otherwise).
    std::function<QList<Volume>()> listVolumes;

    QWidget* picButtons = nullptr;    ///< the button strip
    QCheckBox* optDBFile = nullptr;   ///< checked: the database grid; clear: the file lists
    QTableView* grdData = nullptr;
    QWidget* picFiles = nullptr;      ///< the file view, laid over the grid
    QComboBox* drvFiles = nullptr;    ///< volumes
    QTreeWidget* dirFiles = nullptr;  ///< the folder, its parents and its subfolders
    QListWidget* filFiles = nullptr;  ///< the songs of the folder

    /// Reads the saved view and folder and fills the lists.
    void Form_Load();

    /// The folder the file list shows.
    QString filesPath() const { return path_; }
    /// "DBorFiles" as read at load: the view the library will restore.
    int DBorFiles() const { return DBorFiles_; }

    /// The grid's current row: the song's transposition (column 3) and file (column 4).
    bool currentSong(int* transpose, QString* file) const;

public slots:
    void Form_Resize();
    void filFiles_DblClick();
    void dirFiles_Change(const QString& folder);
    void drvFiles_Change();
    /// Reads the folder again; a folder that has gone gives way to the nearest one above it.
    void refreshFiles();
    void DB_New();
    void DB_Open();
    void DB_Close();
    void DB_Repair();
    void FindInColumn(const QString& text = QString());
    void FindNext();
    void MidiKar_Copy();

signals:
    /// The database was opened (true) or closed (false): the main menu follows.
    void databaseOpen(bool open);
    /// A song was chosen to play, with the transposition it starts with.
    void songChosen(const QString& path, int transpose);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fillVolumes();
    void selectVolume();
    void showFolder(const QString& folder);
    void fillFolders();
    void fillFiles();
    void saveCurDir();
    QString currentDir() const;

    QString path_;
    QFileSystemWatcher* watcher_ = nullptr;
    bool FormLoading = false;
    int DBorFiles_ = 0;
};

} // namespace lirmus
