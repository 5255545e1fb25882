#pragma once
// The options dialog's page "Sing": the microphone the singer uses, with a
// level meter and the pitch heard to try it, the pitch guide and the voice in
// the recording ([SING] in the settings). Edits are held until the dialog applies them.
#include "Settings.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;

namespace lirmus {

class Microphone;
class SettingsService;

class SingPage : public QWidget {
    Q_OBJECT
public:
    explicit SingPage(QWidget* parent = nullptr);
    ~SingPage() override;

    /// Shows the settings' values and lists the inputs.
    void load(const Settings& s);
    /// Stores what changed; true when anything did.
    bool store(SettingsService& ini, Settings& s) const;
    /// The meter listens to the chosen input while the page shows.
    void listen(bool on);

    /// The text of the first item: the system's default input.
    static constexpr const char* kDefaultInput = "(the system's default input)";

    QComboBox* cboMicrophone = nullptr;
    QProgressBar* pgrLevel = nullptr;
    QLabel* lblHeard = nullptr;
    QCheckBox* chkPitchGuide = nullptr;
    QCheckBox* chkLyricsGuide = nullptr;
    QCheckBox* chkRecordVoice = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    /// The device name of the chosen item ("" = the default).
    QString chosenDevice() const;
    std::unique_ptr<Microphone> mic_;
};

/// The meter's 0..100 for a level in dB full scale (-60 dB and below: 0).
int meterPercent(float levelDb);

} // namespace lirmus
