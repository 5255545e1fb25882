#pragma once
// The player window: transport buttons, the position slider, the warning
// lamp and the time boxes. The song, the output and the transport belong to
// the Player; the window shows what it is told and forwards its handlers.
#include "PlayerDisplays.h"

#include <array>

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace lirmus {

class Player;

class frmPlay : public QWidget, private PlayerDisplay {
    Q_OBJECT
public:
    explicit frmPlay(Player& player, bool vediTu = false, QWidget* parent = nullptr);
    ~frmPlay() override;

    Player& player() { return player_; }

    /// Height the window is designed for, in twips.
    static constexpr int kDesignHeight = 1800;

    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdInizio = nullptr;
    QPushButton* cmdRewind = nullptr;
    QPushButton* cmdForward = nullptr;
    QPushButton* cmdInfo = nullptr;
    QPushButton* cmdSaveKey = nullptr; ///< "Save key and tempo" of the song in the library
    QSlider* sliOut = nullptr;
    QLabel* lblWarn = nullptr;
    std::array<QLabel*, 3> picTime{}; ///< running clock (VediTu only), position, length
    // The play queue: the songs after this one.
    QListWidget* lstQueue = nullptr;
    QPushButton* cmdQueueUp = nullptr;
    QPushButton* cmdQueueDown = nullptr;
    QPushButton* cmdQueueRemove = nullptr;

public slots:
    void Start_Play();
    void Stop_Play();
    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdInizio_Click();
    void cmdRewind_Click();
    void cmdForward_Click();
    void cmdInfo_Click();
    void MidiPanic();
    void cmdQueueUp_Click();
    void cmdQueueDown_Click();
    void cmdQueueRemove_Click();
    /// Files dropped on the window: one is handled as before; of several, the songs join the queue.
    void dropSongs(const QStringList& files);

signals:
    /// The window was closed by the user: the program is ending.
    void unloaded();
    /// The information window should open (cmdInfo or F6 while no queue is being built).
    void infoRequested();
    /// "Save key and tempo": the song's current transposition and tempo change go to its library record.
    void saveKeyAndTempoRequested();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void showQueue();
    void buildQueueList(QLayout* beside);

    // What the player shows here.
    void setWarnColor(int paletteIndex) override;
    void setWarnEnabled(bool enabled) override;
    void setPositionSlider(int min, int max, int value, int largeChange) override;
    void showSongLength(const QString& text) override;
    void showButtons(const TransportButtons& buttons) override;
    void setSongCaption(const QString& text) override;
    void showClock(const QString& text) override;
    void showPosition(const QString& text) override;
    void setPositionValue(int percent) override;

    Player& player_;
    bool unloaded_ = false;
};

} // namespace lirmus
