#include "frmAbout.h"

#include "SystemInfo.h"
#include "TimerTest.h"
#include "Twips.h"

#include <algorithm>
#include <chrono>

#include <QApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace lirmus {
namespace {

const QColor kLightGreen(0, 255, 0), kLightRed(255, 0, 0), kLightBlue(0, 0, 255);

void setColours(QLabel* label, const QColor& fore, const QColor& back)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, fore);
    if (back.isValid()) p.setColor(QPalette::Window, back);
    label->setPalette(p);
}

QLabel* linkLabel(const QString& text, const QString& url, QWidget* parent)
{
    auto* l = new QLabel(QString("<a href=\"%1\">%2</a>").arg(url, text), parent);
    l->setTextInteractionFlags(Qt::TextBrowserInteraction);
    // Open through the desktop, like any other link on this system.
    QObject::connect(l, &QLabel::linkActivated, [](const QString& u) { QDesktopServices::openUrl(QUrl(u)); });
    return l;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmAbout");
    const QString title = "Lirmus";
    setWindowTitle("Info on " + title);

    lblTitle = new QLabel(title, this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(QString("%1.%2").arg(LIRMUS_VERSION_MAJOR).arg(LIRMUS_VERSION_MINOR), this);
    lblVersion->setObjectName("lblVersion");
    auto* description = new QLabel(tr("Midi Karaoke Player: plays .mid and .kar songs with "
                                      "their lyrics, syllable by syllable."), this);
    description->setWordWrap(true);
    lblCPU = new QLabel("CPU Performance: ", this);
    lblCPU->setObjectName("lblCPU");
    lblCPU->setVisible(false);
    lblUse = new QLabel("Please. Use me on 800 x 600 Screen resolution!", this);
    lblUse->setObjectName("lblUse");
    lblUse->setAutoFillBackground(true);
    lblUse->setVisible(false);
    cmdSysInfo = new QPushButton(tr("&System Info..."), this);
    cmdSysInfo->setObjectName("cmdSysInfo");
    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(2000);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblTitle, 0, 0, 1, 2);
    grid->addWidget(lblVersion, 1, 0, 1, 2);
    grid->addWidget(description, 2, 0, 1, 2);
    grid->addWidget(linkLabel(tr("Sound by FluidSynth"), "https://www.fluidsynth.org", this), 3, 0);
    grid->addWidget(linkLabel(tr("Windows by Qt"), "https://www.qt.io", this), 3, 1);
    grid->addWidget(lblCPU, 4, 0, 1, 2);
    grid->addWidget(lblUse, 5, 0, 1, 2);
    grid->addWidget(cmdSysInfo, 6, 0);
    grid->addWidget(cmdOK, 6, 1);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);
    Form_Load();
}

void frmAbout::Form_Load()
{
    setFixedWidth(px(6000));
    const QScreen* screen = QGuiApplication::primaryScreen();
    Test_Timers();
    if (screen && twips(screen->geometry().width()) != kDesignScreenWidth) {
        QApplication::beep();
        lblUse->setVisible(true);
        Timer1->start();
    }
    // Sized once every line is visible: the wrapped description needs the
    // height its width gives it, or its last line is cut off.
    setFixedHeight(std::max(layout()->totalHeightForWidth(width()), layout()->totalMinimumSize().height()));
    if (screen) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

void frmAbout::Test_Timers()
{
    auto millis = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    // Measured in one go, without yielding to the event loop: it lasts about 30 ms
    // and nothing, no click on the main window either, can run before the box is modal.
    showScore(lirmus::Test_Timers(millis));
}

void frmAbout::showScore(double score)
{
    lblCPU->setText(QString("CPU Performance: %1%").arg(roundedScore(score), 2, 10, QChar('0')));
    switch (scoreColour(score)) {
    case ScoreColour::LightGreen: setColours(lblCPU, kLightGreen, QColor()); break;
    case ScoreColour::LightRed: setColours(lblCPU, kLightRed, QColor()); break;
    case ScoreColour::Unchanged: break;
    }
    lblCPU->setVisible(true);
}

void frmAbout::Timer1_Timer()
{
    if (++ticks_ <= 7) QApplication::beep();
    // Swap the warning's colours between light red and light blue.
    const bool redText = ticks_ % 2 == 1;
    setColours(lblUse, redText ? kLightRed : kLightBlue, redText ? kLightBlue : kLightRed);
}

void frmAbout::cmdSysInfo_Click()
{
    const std::string program = findSystemInfoProgram(qEnvironmentVariable("PATH").toStdString());
    if (program.empty() || !QProcess::startDetached(QString::fromStdString(program), {}))
        QMessageBox::information(this, windowTitle(), "System informations not available!");
}

} // namespace lirmus
