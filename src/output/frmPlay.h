#pragma once
// The player window: transport buttons, position, the warning lamp and the
// song clock. Song loading, the output pump and the transport live in plain
// classes of this folder; the window forwards to them.
#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

namespace lirmus {

class frmPlay : public QWidget {
    Q_OBJECT
public:
    explicit frmPlay(QWidget* parent = nullptr);

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

protected:
    void closeEvent(QCloseEvent* e) override;
};

} // namespace lirmus
