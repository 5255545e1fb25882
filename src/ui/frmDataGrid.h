#pragma once
// The song browser: the library grid or the file system, search and the
// database commands of the main menu.
#include "FileView.h"
#include "LibraryDialogs.h"
#include "SongDetails.h"
#include "SongLibrary.h"

#include <functional>
#include <memory>
#include <optional>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QTableView;
class QTimer;
class QToolButton;
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

    /// The program folder (the template "Database.new" first looked for there) and the
    /// folders of the copies installed with the program.
    QString AppPath;
    QStringList installedDirs;
    /// Messages and questions (tests answer them).
    LibraryDialogs dialogs;

    QWidget* picButtons = nullptr;    ///< the button strip
    QToolButton* cmdOpenDB = nullptr;
    QToolButton* cmdNewDB = nullptr;
    QCheckBox* optDBFile = nullptr;   ///< checked: the database grid; clear: the file lists
    QToolButton* cmdImport = nullptr;
    QWidget* picDB = nullptr;         ///< the database view's controls
    QToolButton* cmdSelectDB = nullptr;
    QToolButton* cmdClose = nullptr;
    QToolButton* chkUpd = nullptr;    ///< checked: the grid edits and deletes songs
    QToolButton* cmdRefresh = nullptr;
    QComboBox* lstQuery = nullptr;    ///< tables and stored queries
    QTableView* grdData = nullptr;
    QLineEdit* txtFilter = nullptr;   ///< search as you type over the grid's rows
    QCheckBox* chkLyrics = nullptr;   ///< the filter box searches the songs' lyrics
    QProgressBar* prgLyrics = nullptr; ///< the lyrics of an older library being read
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
    /// The song selected in the view shown (the grid or the file list) and its stored
    /// transposition; false when none is selected.
    bool selectedSong(QString* file, int* transpose) const;
    /// The song selected in the view shown is chosen to play (songChosen).
    void chooseSelected();

    // The song library.
    QString CurDB;            ///< the open library file, "" when none
    QString CurRecordSource;  ///< the record source the library loads with
    QString FindText;         ///< the last search
    QString CopyFolder;       ///< the folder songs were last copied to
    SongLibrary& library() { return library_; }
    class SongTableModel* songs() const { return model_; }
    /// The record source the grid shows now (a query builder selection may differ from CurRecordSource).
    QString shownRecordSource() const { return shownSource_; }

    /// Loads the grid from CurDB and CurRecordSource; on failure both are "".
    void CaricaDB();
    /// Fills a list with "(T)" and "(Q)" entries of the open library; false on failure.
    bool ListaQuery(QComboBox* list);
    void RifaiCaptionDB();
    void AssestaLarghezza();
    /// Shows a record source without storing it (the query builder); the grid keeps
    /// its rows when the source is refused. Only a single SELECT runs.
    bool showRecordSource(const QString& recordSource, DbError* err);
    /// A repair runs on a worker thread; the grid reloads when it ends.
    bool repairing() const;
    class BackgroundJob* repairJob() const { return repairJob_; }
    /// Sorts the grid by the field in SortKey ("[Name]" or "[Name] desc").
    void SortRecordset(const QString& SortKey);
    /// A header click: ascending, or descending with Shift, Ctrl or Alt held at the press.
    void grdData_HeadClick(int column);
    void grdData_DblClick();
    /// Asks "Confirm Delete ?" and deletes the current row's song.
    void grdData_Delete();

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
    void optDBFile_Click(bool checked);
    void chkUpd_Click(bool checked);
    void lstQuery_Click(int index);
    void cmdImport_Click();
    void cmdSelectDB_Click();

signals:
    /// The database was opened (true) or closed (false): the main menu follows.
    void databaseOpen(bool open);
    /// A song was chosen to play, with the transposition and the saved tempo change it starts with.
    void songChosen(const QString& path, int transpose, std::optional<int> tempo = {});
    /// The main menu's "Scan/Import..." follows the view and the library.
    void importMenuEnabled(bool enabled);
    /// A right click on the grid: the main window shows its pop-up menu there.
    void popupRequested(const QPoint& globalPos);

public:
    // Search as you type (frmDataGridFilter.cpp).

    /// Narrows the grid to the rows holding every word typed; blank text shows them all.
    void txtFilter_Change(const QString& text);
    /// Ctrl+K, or "/" in the grid: the filter box takes the keys.
    void focusFilter();
    /// Asks for words and goes to the first song whose lyrics hold them in order; F3 goes on.
    void FindInLyrics();
    /// The current row's song becomes a favourite, or no longer one.
    void toggleFavourite();
    /// Stores the transposition and tempo change the song starts with next time; false
    /// (after saying why) when no library is open or the song is not in it.
    bool saveKeyAndTempo(const QString& midiFile, int transpose, int tempoChange);
    /// True while the lyrics of an older library are read in the background.
    bool readingLyrics() const;
    class SlicedJob* lyricsJob() const { return fillJob_; }

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
    void buildDatabaseControls();
    bool gridEvent(QObject* watched, QEvent* e);
    QString chooseLibrary(const QString& title, bool save);
    void databaseClosedInMemory();
    /// Loads a chosen library with the default record source and keeps it in the settings.
    void openLibrary(const QString& path);
    void selectRow(int row, int column);
    int currentColumn() const;
    bool databaseView() const;
    bool loadShown(const QString& recordSource, DbError* err);
    void buildFilter();
    bool filterEvent(QObject* watched, QEvent* e);
    void applyFilter();
    void startLyricsFill();
    void stopLyricsFill();
    bool findLyricsFrom(int row);
    bool gridToolTip(QEvent* e);
    /// Plays the grid's current song, counting the play.
    void playCurrentRow();
    void repairFinished();

    QString path_;
    QFileSystemWatcher* watcher_ = nullptr;
    bool FormLoading = false;
    int DBorFiles_ = 0;
    SongLibrary library_;
    class SongTableModel* model_ = nullptr;
    QTimer* fetchTimer_ = nullptr; ///< reads the rest of the rows in idle moments
    QString shownSource_;
    int HeadShift = 0;
    int sortColumn_ = -1;          ///< the column the grid is sorted by, -1 when none
    bool sortDescending_ = false;
    bool findInLyrics_ = false;    ///< F3 goes on with a lyrics search
    QString lyricsWords_;
    class SlicedJob* fillJob_ = nullptr;
    std::unique_ptr<DetailsFill> fill_;
    class BackgroundJob* repairJob_ = nullptr;
    std::shared_ptr<DbError> repairError_;
    bool repairReopen_ = false;
};

} // namespace lirmus
