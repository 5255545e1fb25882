#pragma once
// "Select from Database": a selection over the library built from lists and
// buttons (or typed by hand), shown in the browser's grid and kept as a stored query.
#include "LibrarySql.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace lirmus {

class frmDataGrid;

class frmSelect : public QDialog {
    Q_OBJECT
public:
    explicit frmSelect(frmDataGrid& browser, QWidget* parent = nullptr);

    QComboBox* lstQuery = nullptr;
    QLineEdit* lblFrom = nullptr;
    QPlainTextEdit* lblSql = nullptr;
    QListWidget* lstWhere[2] = {};
    QRadioButton* optWhere[10] = {};
    QLineEdit* txtWhere[2] = {};
    QRadioButton* OptANDOR[2] = {};
    QListWidget* lstOrder = nullptr;
    QListWidget* lstOrderAD = nullptr;
    QCheckBox* chkSQL = nullptr;
    QPushButton* cmdApplica = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdAnnulla = nullptr;
    QPushButton* cmdSaveSQL = nullptr;

    /// What a beep does (tests count them).
    std::function<void()> onBeep;

public slots:
    void ComposeSql();
    void chkSQL_Click(bool checked);
    bool cmdApplica_Click();
    void cmdOK_Click();
    void cmdAnnulla_Click();
    void cmdSaveSQL_Click();
    void lstOrderAD_Click(QListWidgetItem* item);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void lstWhere_ItemCheck(int row, QListWidgetItem* item);
    void txtWhere_Change(int row);
    void lstOrder_ItemCheck(QListWidgetItem* item);
    QString selectSql() const;

    frmDataGrid& browser_;
    bool busy_ = false;
};

} // namespace lirmus
