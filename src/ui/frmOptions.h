#pragma once
// The options dialog: player options, MIDI output options (device, external
// player, melody channel, solo level, default tempo and key change, the
// built-in synthesizer's SoundFont) and the look of the karaoke lyrics with a
// live sample. Made for one "Options..." command and gone when it closes.
#include "Settings.h"

#include <array>
#include <functional>
#include <string>

#include <QColor>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;

namespace lirmus {

class KaraokeScreenPage;
class SingPage;
class Player;
class SettingsService;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    frmOptions(Settings& settings, SettingsService& ini, Player& player, QWidget* parent = nullptr);

    QTabWidget* tbsOptions = nullptr;
    std::array<QWidget*, 5> picOptions{};
    KaraokeScreenPage* screenPage = nullptr; ///< picOptions(3), the karaoke screen's look
    SingPage* singPage = nullptr;            ///< picOptions(4), the microphone and the pitch guide
    // "Player"
    QCheckBox* chkAutoStart = nullptr;
    QCheckBox* chkTurboStart = nullptr;
    QCheckBox* chkItalian = nullptr;
    // "Midi Output"
    QComboBox* OutputDevCombo = nullptr;
    QCheckBox* chkMCI = nullptr;
    QScrollBar* HSMelody = nullptr;
    QCheckBox* chkMelodyAuto = nullptr;      ///< the Melody button follows the channel found in each song
    QScrollBar* HSSolo = nullptr;
    QScrollBar* HSTempo = nullptr;
    QScrollBar* HSKey = nullptr;
    QLabel* lblChMelody = nullptr;
    QLabel* lblSoloVal = nullptr;
    QLabel* lblTempo = nullptr;
    QLabel* lblKey = nullptr;
    QPushButton* cmdSoundFont = nullptr;
    QLabel* lblSoundFont = nullptr;
    // "Karaoke"
    QCheckBox* chkFLyr = nullptr;
    QCheckBox* chkCent = nullptr;
    std::array<QRadioButton*, 3> optChar{};
    std::array<QRadioButton*, 3> optRows{};
    QWidget* picKaraoke = nullptr;
    std::array<QPushButton*, 3> cmdKarColor{};
    QListWidget* lstKarFonts = nullptr;
    QComboBox* cboTextEncoding = nullptr; ///< "auto" or the encoding song texts are read with

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    // The karaoke edits, held until they are applied.
    std::string PendingFont;
    RgbLong PendingBackColor = 0;
    RgbLong PendingForeColor = 0;
    RgbLong PendingPlayColor = 0;
    int PendingRows = 2;
    int PendingFontSize = 24;
    bool PendingCentered = true;

    /// The colour chooser: an invalid colour when cancelled (tests answer for the user).
    std::function<QColor(const QColor& initial, const QString& title)> chooseColor;
    /// The SoundFont file chooser, opening in folder: "" when cancelled.
    std::function<QString(const QString& folder)> chooseSoundFontFile;
    /// A warning for the user.
    std::function<void(const QString& text)> showMessage;

    /// Applies every control to the settings and stores them; the lyrics
    /// window and the output device follow.
    void AggiornaProfile();
    /// Redraws the sample from the pending values.
    void ProvaKaraoke();
    /// Ctrl+Tab goes to the next page (the dialog sees it before its controls).
    void Form_KeyDown(int key, Qt::KeyboardModifiers shift);

public slots:
    void cmdOK_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    void tbsOptions_Click();
    void cmdKarColor_Click(int index);
    void lstKarFonts_Click(const QString& font);
    void optChar_Click(int index);
    void optRows_Click(int index);
    void chkCent_Click();
    void HSMelody_Change();
    void HSSolo_Change();
    void HSTempo_Change();
    void HSKey_Change();
    void cmdSoundFont_Click();

signals:
    /// The settings were applied (the main window lays out the lyrics window again).
    void applied();

private:
    QWidget* makePlayerPage();
    QWidget* makeMidiOutPage();
    QWidget* makeKaraokePage();
    void Form_Load();
    void showSoundFont();

    Settings& settings_;
    SettingsService& ini_;
    Player& player_;
};

/// A scroll bar set to value so that its change handler runs even when it already holds it.
void setValueAlwaysChanging(QScrollBar* bar, int value);

} // namespace lirmus
