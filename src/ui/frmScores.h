#pragma once
// The best-scores window: one song's best performances, as a ScoreBoard it is
// handed gives them. Not modal: it stays open while songs play.
#include "ScoreBoard.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lirmus {

class frmScores : public QDialog {
    Q_OBJECT
public:
    explicit frmScores(QWidget* parent = nullptr);

    QLabel* lblSong = nullptr;      ///< the song's name and author
    QLabel* lblCount = nullptr;     ///< how many performances
    QTreeWidget* lstScores = nullptr; ///< rank, singer, score, date
    QLabel* lblEmpty = nullptr;     ///< why there are no rows, in their place
    QPushButton* cmdClose = nullptr;

    /// Shows board in place of what was shown.
    void showBoard(const ScoreBoard& board);
    /// The song shown ("" before any).
    QString song() const { return song_; }

private:
    QString song_;
};

} // namespace lirmus
