#pragma once
// "Party...": the guests' web service's port, the host's PIN and the limit of
// songs per singer, with the address guests open and its QR code.
#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace lirmus {

class SettingsService;
struct Settings;

class frmParty : public QDialog {
    Q_OBJECT
public:
    /// restart: starts the service again as the settings say, "" or what went wrong;
    /// port: the port it listens on now (0 = off).
    frmParty(Settings& settings, SettingsService& service, std::function<QString()> restart,
             std::function<quint16()> port, QWidget* parent = nullptr);

    QSpinBox* txtPort = nullptr;
    QLineEdit* txtPin = nullptr;
    QSpinBox* txtLimit = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblAddress = nullptr;
    QLabel* picQr = nullptr;

public slots:
    /// Stores the fields and starts the service again; the address follows.
    void cmdApply_Click();
    /// Applies and closes.
    void cmdOK_Click();

private:
    /// Shows whether guests can reach the service, where, and its QR code.
    void showStatus(const QString& error);

    Settings& settings_;
    SettingsService& service_;
    std::function<QString()> restart_;
    std::function<quint16()> port_;
};

} // namespace lirmus
