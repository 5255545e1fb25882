#pragma once
// The song browser: the library grid or the file system, search and the
// database commands of the main menu.
#include <QWidget>

class QCheckBox;
class QTableView;

namespace lirmus {

class frmDataGrid : public QWidget {
    Q_OBJECT
public:
    explicit frmDataGrid(QWidget* parent = nullptr);

    QCheckBox* optDBFile = nullptr;   ///< checked: the database grid; clear: the file lists
    QTableView* grdData = nullptr;

    /// The grid's current row: the song's transposition (column 3) and file (column 4).
    bool currentSong(int* transpose, QString* file) const;

public slots:
    void Form_Resize();
    void filFiles_DblClick();
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
};

} // namespace lirmus
