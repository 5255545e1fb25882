#pragma once
// The options dialog's page "Karaoke Screen": the look of the full-screen
// karaoke screen ([KARAOKE SCREEN] in the settings). Edits are held until
// the dialog applies them.
#include "Settings.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace lirmus {

class SettingsService;

class KaraokeScreenPage : public QWidget {
    Q_OBJECT
public:
    explicit KaraokeScreenPage(QWidget* parent = nullptr);

    /// Asks for a colour (tests answer in its place).
    std::function<QColor(const QColor& initial, const QString& title)> chooseColor;
    /// Asks for a folder ("" = cancelled).
    std::function<QString(const QString& folder)> chooseFolder;

    /// Shows the settings' values.
    void load(const Settings& s);
    /// Stores what changed; true when anything did.
    bool store(SettingsService& ini, Settings& s) const;

    QComboBox* cboBackground = nullptr;
    QPushButton* cmdGradientTop = nullptr;
    QPushButton* cmdGradientBottom = nullptr;
    QLineEdit* txtPictureFolder = nullptr;
    QPushButton* cmdPictureFolder = nullptr;
    QPushButton* cmdTextColor = nullptr;
    QPushButton* cmdSungColor = nullptr;
    QPushButton* cmdOutlineColor = nullptr;
    QCheckBox* chkOutline = nullptr;
    QCheckBox* chkCountIn = nullptr;
    QSpinBox* spnCardSeconds = nullptr;

private:
    /// A colour button showing *colour, which it edits.
    QPushButton* colourButton(const QString& text, RgbLong* colour);
    void showColours();
    void followBackground();

    // The edits, held until stored.
    RgbLong top_ = 0, bottom_ = 0, text_ = 0, sung_ = 0, outline_ = 0;
};

} // namespace lirmus
