#include "frmScores.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lirmus {

frmScores::frmScores(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmScores");
    setWindowTitle("Best Scores");
    setModal(false);

    lblSong = new QLabel(this);
    lblSong->setObjectName("lblSong");
    QFont bold = lblSong->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    lblSong->setFont(bold);
    lblSong->setWordWrap(true);
    lblSong->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCount = new QLabel(this);
    lblCount->setObjectName("lblCount");

    lstScores = new QTreeWidget(this);
    lstScores->setObjectName("lstScores");
    lstScores->setHeaderLabels({"#", "Singer", "Score", "Date"});
    lstScores->setRootIsDecorated(false);
    lstScores->setSelectionMode(QAbstractItemView::NoSelection);
    lstScores->setFocusPolicy(Qt::NoFocus);
    lstScores->setAlternatingRowColors(true);
    QHeaderView* header = lstScores->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch); // the singer's name takes the room left

    lblEmpty = new QLabel(this);
    lblEmpty->setObjectName("lblEmpty");
    lblEmpty->setAlignment(Qt::AlignCenter);
    lblEmpty->setWordWrap(true);
    lblEmpty->setMinimumHeight(80);

    cmdClose = new QPushButton("Close", this);
    cmdClose->setObjectName("cmdClose");
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSong);
    layout->addWidget(lblCount);
    layout->addWidget(lstScores, 1);
    layout->addWidget(lblEmpty, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    resize(440, 380);
}

void frmScores::showBoard(const ScoreBoard& board)
{
    song_ = board.song;
    lblSong->setText(board.heading);
    lblSong->setVisible(!board.heading.isEmpty());
    lblCount->setText(board.count);
    lblCount->setVisible(!board.count.isEmpty());
    lstScores->clear();
    for (const ScoreRow& r : board.rows) {
        auto* item = new QTreeWidgetItem(
            lstScores, {QString::number(r.rank), r.singer, QString::number(r.score), r.date});
        for (int c : {0, 2}) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    const bool empty = board.rows.empty();
    lstScores->setVisible(!empty);
    lblEmpty->setText(board.message);
    lblEmpty->setVisible(empty);
}

} // namespace lirmus
