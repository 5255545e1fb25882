#include "frmParty.h"

#include "PartyAddress.h"
#include "Settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lirmus {

frmParty::frmParty(Settings& settings, SettingsService& service, std::function<QString()> restart,
                   std::function<quint16()> port, QWidget* parent)
    : QDialog(parent), settings_(settings), service_(service), restart_(std::move(restart)), port_(std::move(port))
{
    setObjectName("frmParty");
    setWindowTitle("Party");
    auto* form = new QFormLayout;
    txtPort = new QSpinBox(this);
    txtPort->setObjectName("txtPort");
    txtPort->setRange(0, 65535);
    txtPort->setSpecialValueText("Off");
    txtPort->setValue(settings_.PartyPort);
    txtPort->setToolTip("The port guests' phones connect to; Off stops the service (8080 is a common choice)");
    form->addRow("&Port:", txtPort);
    txtPin = new QLineEdit(QString::fromStdString(settings_.PartyPin), this);
    txtPin->setObjectName("txtPin");
    txtPin->setMaxLength(32);
    txtPin->setToolTip("Needed to skip, pause, remove or move songs from a browser; empty turns those off");
    form->addRow("Host &PIN:", txtPin);
    txtLimit = new QSpinBox(this);
    txtLimit->setObjectName("txtLimit");
    txtLimit->setRange(1, 20);
    txtLimit->setValue(settings_.PartyLimit);
    form->addRow("Songs &waiting per singer:", txtLimit);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setWordWrap(true);
    lblAddress = new QLabel(this);
    lblAddress->setObjectName("lblAddress");
    lblAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblAddress->setAlignment(Qt::AlignCenter);
    QFont big = lblAddress->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblAddress->setFont(big);
    picQr = new QLabel(this);
    picQr->setObjectName("picQr");
    picQr->setAlignment(Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Close, this);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &frmParty::cmdOK_Click);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, &frmParty::cmdApply_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblStatus);
    layout->addWidget(lblAddress);
    layout->addWidget(picQr, 1);
    layout->addWidget(buttons);
    showStatus(QString());
}

void frmParty::cmdApply_Click()
{
    storeOptionInt(service_, settings_, "Port", txtPort->value());
    storeOptionString(service_, settings_, "Pin", txtPin->text().trimmed().toStdString());
    storeOptionInt(service_, settings_, "Limit", txtLimit->value());
    showStatus(restart_ ? restart_() : QString());
}

void frmParty::cmdOK_Click()
{
    cmdApply_Click();
    accept();
}

void frmParty::showStatus(const QString& error)
{
    const quint16 port = port_ ? port_() : 0;
    const QStringList addresses = port ? partyAddresses(port) : QStringList();
    if (!error.isEmpty()) lblStatus->setText(error);
    else if (!port) lblStatus->setText("The party is off: choose a port to let guests request songs from their phones.");
    else
        lblStatus->setText(QString("Guests on this network open this address (or scan the code) to request songs:%1")
                               .arg(settings_.PartyPin.empty() ? "" : "\nThe PIN lets the host skip, pause and reorder."));
    const QString address = addresses.value(0);
    lblAddress->setText(address);
    lblAddress->setToolTip(addresses.join('\n'));
    lblAddress->setVisible(!address.isEmpty());
    picQr->setPixmap(address.isEmpty() ? QPixmap() : QPixmap::fromImage(qrCodeScaled(address, 220)));
    picQr->setVisible(!address.isEmpty());
}

} // namespace lirmus
