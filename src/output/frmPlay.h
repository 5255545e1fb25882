#pragma once
// The player window: transport buttons, position, the warning lamp and the
// song clock. Song loading, the output pump and the transport live in plain
// classes of this folder; the window forwards to them.
#include "MIDIOutput.h"
#include "OutputQueue.h"
#include "SongState.h"

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace lirmus {

struct ControllerTable;
struct Settings;

class frmPlay : public QWidget, private OutputView {
    Q_OBJECT
public:
    frmPlay(const Settings& settings, const ControllerTable& controllers, QWidget* parent = nullptr);
    ~frmPlay() override;

    /// Opens the output device the settings name ([LOAD] MIDIDEVICE, a list position).
    void openOutput();

    /// How the output component's errors are shown (tests replace the message box).
    std::function<void(const QString&)> showError;

    MIDIOutput MIDIOutput1;
    SongState song;
    PlayerFlags flags;
    PlayerState player;
    QTimer* TimerOut = nullptr;
    QTimer* Timer1 = nullptr;

    /// Height the window is designed for, in twips.
    static constexpr int kDesignHeight = 1800;

    QString SongFile;        ///< the song to play next
    int SongTranspose = 0;   ///< its stored transposition (from the library)

    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdInfo = nullptr;
    QSlider* sliPosition = nullptr;
    QLabel* lblWarn = nullptr;
    QLabel* picTime = nullptr;

public slots:
    void Start_Play();
    void Stop_Play();
    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdInfo_Click();
    void MidiPanic();

signals:
    /// The window was closed by the user: the program is ending.
    void unloaded();
    /// The lyrics window's title label should show text.
    void titleCaptionChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // What the output pump shows.
    void setWarnColor(int paletteIndex) override;
    void setTitleCaption(const QString& text) override;
    void setTimerOutEnabled(bool enabled) override;
    void enableTimer1() override;
    void firstLyricFromStart() override;
    double timerNow() const override;
    void processEvents() override;

    const Settings& settings_;
    OutputPump pump_;
    QElapsedTimer clock_;
    QElapsedTimer eventsRun_; // when window events last ran
};

} // namespace lirmus
