#pragma once
// The player window: transport buttons, position, the warning lamp and the
// song clock. The song, the output and the pump belong to the Player; the
// window shows what it is told and forwards its handlers.
#include "Dispatcher.h"
#include "Displays.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace lirmus {

class Player;

class frmPlay : public QWidget, private PlayerDisplay, private Transport {
    Q_OBJECT
public:
    explicit frmPlay(Player& player, QWidget* parent = nullptr);
    ~frmPlay() override;

    Player& player() { return player_; }

    QTimer* TimerOut = nullptr;
    QTimer* Timer1 = nullptr;

    /// Height the window is designed for, in twips.
    static constexpr int kDesignHeight = 1800;

    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdInfo = nullptr;
    QSlider* sliPosition = nullptr;
    QLabel* lblWarn = nullptr;
    QLabel* picTime = nullptr;
    QLabel* picTime0 = nullptr; ///< picTime(0): the running clock, shown only with VediTu
    QLabel* picTime1 = nullptr; ///< picTime(1): the song position

public slots:
    void Start_Play();
    void Stop_Play();
    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdInfo_Click();
    void MidiPanic();
    /// The output sent a tagged message: the player's dispatcher shows it.
    void MIDIOutput1_MessageSent(long tag);

signals:
    /// The window was closed by the user: the program is ending.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // What the player shows here.
    void setWarnColor(int paletteIndex) override;
    void setWarnEnabled(bool enabled) override;
    void setPositionSlider(int min, int max, int value, int largeChange) override;
    void showSongLength(const QString& text) override;
    void setTimerOutEnabled(bool enabled) override;
    void enableTimer1() override;
    double timerNow() const override;
    bool isWarnEnabled() const override;
    void showClock(const QString& text) override;
    void showPosition(const QString& text) override;
    void setPositionValue(int percent) override;

    Player& player_;
    QElapsedTimer clock_;
};

} // namespace lirmus
