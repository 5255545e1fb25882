#include "frmSelect.h"

#include "frmDataGrid.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lirmus {

namespace {

const QStringList kFields = {"Name", "Author", "Category", "Transpose", "MidiFile"};

QListWidget* fieldList(QWidget* parent, const QString& name)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    for (const QString& f : kFields) {
        auto* item = new QListWidgetItem(f, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    list->setFixedHeight(list->sizeHintForRow(0) * 5 + 2 * list->frameWidth() + 2);
    return list;
}

} // namespace

frmSelect::frmSelect(frmDataGrid& browser, QWidget* parent)
    : QDialog(parent ? parent : browser.window()), browser_(browser)
{
    setObjectName("frmSelect");
    setWindowTitle("Select from Database");
    setModal(true);
    onBeep = [] { QApplication::beep(); };

    lstQuery = new QComboBox(this);
    lstQuery->setObjectName("lstQuery");
    lblFrom = new QLineEdit(kSelectFrom, this);
    lblFrom->setObjectName("lblFrom");
    lblFrom->setReadOnly(true);
    lblSql = new QPlainTextEdit(this);
    lblSql->setObjectName("lblSql");
    lblSql->setReadOnly(true);
    lblSql->setFixedHeight(lblSql->fontMetrics().height() * 3 + 12);

    // Row 0 holds buttons 0..4 (Like = <> < >), row 1 buttons 5..9 (> < <> = Like): both show Like first.
    const char* captions[10] = {"Like", "=", "<>", "<", ">", ">", "<", "<>", "=", "Like"};
    auto* whereBox = new QGroupBox("Where", this);
    auto* where = new QGridLayout(whereBox);
    for (int row = 0; row < 2; ++row) {
        lstWhere[row] = fieldList(whereBox, QString("lstWhere(%1)").arg(row));
        txtWhere[row] = new QLineEdit(whereBox);
        txtWhere[row]->setObjectName(QString("txtWhere(%1)").arg(row));
        auto* group = new QButtonGroup(this);
        auto* ops = new QHBoxLayout;
        for (int k = 0; k < 5; ++k) {
            const int index = row == 0 ? k : 9 - k;
            optWhere[index] = new QRadioButton(captions[index], whereBox);
            optWhere[index]->setObjectName(QString("optWhere(%1)").arg(index));
            group->addButton(optWhere[index]);
            ops->addWidget(optWhere[index]);
        }
        optWhere[row == 0 ? 0 : 9]->setChecked(true);
        auto* valueColumn = new QVBoxLayout;
        valueColumn->addLayout(ops);
        valueColumn->addWidget(txtWhere[row]);
        valueColumn->addStretch(1);
        where->addWidget(lstWhere[row], row * 2, 0, Qt::AlignTop);
        where->addLayout(valueColumn, row * 2, 1);
        if (row == 0) {
            auto* join = new QHBoxLayout;
            auto* joinGroup = new QButtonGroup(this);
            for (int j = 0; j < 2; ++j) {
                OptANDOR[j] = new QRadioButton(j == 0 ? "AND" : "OR", whereBox);
                OptANDOR[j]->setObjectName(QString("OptANDOR(%1)").arg(j));
                joinGroup->addButton(OptANDOR[j]);
                join->addWidget(OptANDOR[j]);
            }
            join->addStretch(1);
            OptANDOR[0]->setChecked(true);
            where->addLayout(join, 1, 0, 1, 2);
        }
    }
    auto* warning = new QLabel("For 'Like' command use '*' as wildcard. Example: 'A*' that begin with 'A', or "
                               "'*AB*' that contain 'AB'. Don't use ' in string.",
                               whereBox);
    warning->setWordWrap(true);
    where->setRowStretch(3, 1); // spare height below the rows, not between them
    where->addWidget(warning, 4, 0, 1, 2);

    auto* orderBox = new QGroupBox("Order by", this);
    auto* order = new QVBoxLayout(orderBox);
    lstOrder = fieldList(orderBox, "lstOrder");
    lstOrderAD = new QListWidget(orderBox);
    lstOrderAD->setObjectName("lstOrderAD");
    lstOrderAD->setFixedHeight(lstOrder->height());
    auto* hint = new QLabel("Click here for 'Ascending' or Descending'", orderBox);
    hint->setWordWrap(true);
    order->addWidget(lstOrder);
    order->addWidget(hint);
    order->addWidget(lstOrderAD);
    order->addStretch(1);

    chkSQL = new QCheckBox("Edit SQL (Adv. Users)", this);
    chkSQL->setObjectName("chkSQL");
    cmdApplica = new QPushButton("Apply", this);
    cmdOK = new QPushButton("OK", this);
    cmdAnnulla = new QPushButton("Cancel", this);
    cmdSaveSQL = new QPushButton("Save SQL as Query", this);
    cmdOK->setDefault(true);

    auto* source = new QHBoxLayout;
    source->addWidget(new QLabel("Select from", this));
    source->addWidget(lstQuery, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(whereBox, 3);
    middle->addWidget(orderBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkSQL);
    buttons->addStretch(1);
    buttons->addWidget(cmdSaveSQL);
    buttons->addWidget(cmdApplica);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdAnnulla);
    auto* top = new QVBoxLayout(this);
    top->addLayout(source);
    top->addLayout(middle, 1);
    top->addWidget(lblFrom);
    top->addWidget(lblSql);
    top->addLayout(buttons);
    resize(720, 520);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    chkSQL_Click(false);

    for (int row = 0; row < 2; ++row) {
        connect(lstWhere[row], &QListWidget::itemChanged, this,
                [this, row](QListWidgetItem* item) { lstWhere_ItemCheck(row, item); });
        connect(txtWhere[row], &QLineEdit::textChanged, this, [this, row] { txtWhere_Change(row); });
    }
    for (QRadioButton* b : optWhere) connect(b, &QRadioButton::clicked, this, &frmSelect::ComposeSql);
    for (QRadioButton* b : OptANDOR) connect(b, &QRadioButton::clicked, this, &frmSelect::ComposeSql);
    connect(lstOrder, &QListWidget::itemChanged, this, &frmSelect::lstOrder_ItemCheck);
    connect(lstOrderAD, &QListWidget::itemClicked, this, &frmSelect::lstOrderAD_Click);
    connect(chkSQL, &QCheckBox::toggled, this, &frmSelect::chkSQL_Click);
    connect(cmdApplica, &QPushButton::clicked, this, &frmSelect::cmdApplica_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSelect::cmdOK_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &frmSelect::cmdAnnulla_Click);
    connect(cmdSaveSQL, &QPushButton::clicked, this, &frmSelect::cmdSaveSQL_Click);

    browser_.ListaQuery(lstQuery);
    connect(lstQuery, &QComboBox::currentIndexChanged, this, &frmSelect::ComposeSql);
    if (lstQuery->count() > 0) lstQuery->setCurrentIndex(0);
    ComposeSql();
}

void frmSelect::ComposeSql()
{
    if (chkSQL->isChecked()) {
        onBeep();
        return;
    }
    SelectSpec spec;
    spec.source = objectNameOfEntry(lstQuery->currentText());
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < lstWhere[row]->count(); ++i) {
            if (lstWhere[row]->item(i)->checkState() != Qt::Checked) continue;
            spec.rows[row].field = lstWhere[row]->item(i)->text();
            break;
        }
        for (int index = row * 5; index < row * 5 + 5; ++index) {
            if (!optWhere[index]->isChecked()) continue;
            spec.rows[row].op = optWhere[index]->text();
            break;
        }
        spec.rows[row].value = txtWhere[row]->text();
    }
    spec.orJoin = !OptANDOR[0]->isChecked();
    for (int i = 0; i < lstOrderAD->count(); ++i) spec.order << lstOrderAD->item(i)->text();
    lblSql->setPlainText(lirmus::ComposeSql(spec));
}

void frmSelect::lstWhere_ItemCheck(int row, QListWidgetItem* item)
{
    if (busy_) return;
    if (item->checkState() == Qt::Checked) {
        busy_ = true; // one field per row
        for (int i = 0; i < lstWhere[row]->count(); ++i)
            if (lstWhere[row]->item(i) != item) lstWhere[row]->item(i)->setCheckState(Qt::Unchecked);
        busy_ = false;
    }
    ComposeSql();
}

void frmSelect::txtWhere_Change(int row)
{
    const QString text = txtWhere[row]->text();
    if (text.contains('\'')) {
        txtWhere[row]->setText(withoutFirstApostrophe(text)); // runs this again for the next one
        return;
    }
    ComposeSql();
}

void frmSelect::lstOrder_ItemCheck(QListWidgetItem* item)
{
    const QString field = item->text();
    if (item->checkState() == Qt::Checked) {
        lstOrderAD->addItem(field + " Asc");
    } else {
        for (int i = lstOrderAD->count() - 1; i >= 0; --i)
            if (lstOrderAD->item(i)->text().startsWith(field)) delete lstOrderAD->takeItem(i);
    }
    ComposeSql();
}

void frmSelect::lstOrderAD_Click(QListWidgetItem* item)
{
    if (!item) return;
    item->setText(toggleDirection(item->text()));
    ComposeSql();
}

void frmSelect::chkSQL_Click(bool checked)
{
    lblSql->setReadOnly(!checked);
    QPalette p = lblSql->palette();
    p.setColor(QPalette::Base, checked ? lstOrder->palette().color(QPalette::Base) : palette().color(QPalette::Window));
    lblSql->setPalette(p);
    if (!checked) ComposeSql();
}

QString frmSelect::selectSql() const { return lblFrom->text() + lblSql->toPlainText(); }

bool frmSelect::cmdApplica_Click()
{
    DbError e;
    if (!browser_.showRecordSource(selectSql(), &e)) {
        browser_.dialogs.message("Error on SQL:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
        return false;
    }
    browser_.RifaiCaptionDB();
    return true;
}

void frmSelect::cmdOK_Click()
{
    if (cmdApplica_Click()) accept();
}

void frmSelect::cmdAnnulla_Click()
{
    if (browser_.shownRecordSource() != browser_.CurRecordSource) {
        DbError e;
        if (browser_.showRecordSource(browser_.CurRecordSource, &e)) browser_.RifaiCaptionDB();
        else browser_.dialogs.message("Error on SQL:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
    }
    reject();
}

void frmSelect::cmdSaveSQL_Click()
{
    const QString name = browser_.dialogs.input("Please input Query name:", "Lirmus", "");
    if (name.isEmpty()) return;
    DbError e;
    if (!browser_.library().createView(name, translateLike(kViewSelectFrom + lblSql->toPlainText()), &e)) {
        browser_.dialogs.message("Error on Create Query:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
        return;
    }
    if (!browser_.showRecordSource(selectSql(), &e)) {
        browser_.dialogs.message("Error on SQL:\n" + e.text(), LibraryDialogs::Icon::Exclamation);
        return;
    }
    browser_.CurRecordSource = browser_.shownRecordSource();
    browser_.RifaiCaptionDB();
    browser_.lstQuery->addItem("(Q)" + name);
    accept();
}

void frmSelect::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        reject(); // at once, without restoring the grid
        return;
    }
    QDialog::keyPressEvent(e);
}

} // namespace lirmus
