#include "frmMain.h"

#include "AppState.h"
#include "ScoreBoard.h"
#include "SingController.h"
#include "frmDataGrid.h"
#include "frmLyric.h"
#include "frmScores.h"

namespace lirmus {

// The main window's part in singing: the controller that listens and scores,
// the guides it feeds and the best scores window.

void frmMain::connectSinging()
{
    sing_ = new SingController(state_.player, state_.settings, this);
    sing_->library = [this]() -> SongLibrary* { return frmDataGrid_ ? &frmDataGrid_->library() : nullptr; };
    frmLyric_->guideSource = [this] { return sing_->guide(); };
    connect(sing_, &SingController::songScored, frmLyric_,
            [this](int score) { frmLyric_->picGuide->setIdleText(QString("Last song: %1").arg(score)); });
    // A song just scored may change the list open beside it.
    connect(sing_, &SingController::songScored, this, [this] {
        if (scores_) scores_->showBoard(scoreBoardOf(scores_->song()));
    });
}

void frmMain::showBestScores(const QString& song)
{
    if (!scores_) {
        scores_ = new frmScores(this);
        scores_->setAttribute(Qt::WA_DeleteOnClose);
    }
    scores_->showBoard(scoreBoardOf(song));
    scores_->show();
    scores_->raise();
    scores_->activateWindow();
}

frmScores* frmMain::scoresWindow() const { return scores_; }

ScoreBoard frmMain::scoreBoardOf(const QString& song) const
{
    return scoreBoard(frmDataGrid_ ? &frmDataGrid_->library() : nullptr, song, QLocale());
}

} // namespace lirmus
