#include "frmPlay.h"

#include "Palette.h"
#include "Settings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace lirmus {

frmPlay::frmPlay(const Settings& settings, const ControllerTable& controllers, QWidget* parent)
    : QWidget(parent), settings_(settings), pump_(song, flags, player, controllers, MIDIOutput1, *this)
{
    clock_.start();
    showError = [this](const QString& text) { QMessageBox::warning(this, "Lirmus", text); };
    // The output's reports and errors come from its own thread: run them here, in order.
    QPointer<frmPlay> self(this);
    MIDIOutput1.setPoster([self](std::function<void()> f) {
        QMetaObject::invokeMethod(
            qApp, [self, f = std::move(f)] { if (self) f(); }, Qt::QueuedConnection);
    });
    MIDIOutput1.onError = [this](int, const std::string& message) { showError(QString::fromStdString(message)); };
    MIDIOutput1.setSoundFont(settings.SoundFont);
    MIDIOutput1.setAudioFile(settings.AudioFile);

    TimerOut = new QTimer(this);
    TimerOut->setObjectName("TimerOut");
    TimerOut->setInterval(20);
    connect(TimerOut, &QTimer::timeout, this, [this] { pump_.TimerOut_Timer(); });
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(125);

    setObjectName("frmPlay");
    setWindowTitle("Play");

    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const QString& caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
    };
    button(cmdPlay, "cmdPlay", tr("&Play"));
    button(cmdPause, "cmdPause", tr("Pa&use"));
    button(cmdStop, "cmdStop", tr("S&top"));
    button(cmdInfo, "cmdInfo", tr("&Info"));
    // Nothing to play until a song is chosen.
    cmdPlay->setEnabled(false);
    cmdPause->setEnabled(false);
    cmdStop->setEnabled(false);

    lblWarn = new QLabel(this);
    lblWarn->setObjectName("lblWarn");
    lblWarn->setFixedSize(14, 14);
    lblWarn->setAutoFillBackground(true);
    buttons->addWidget(lblWarn);

    picTime = new QLabel("00:00", this);
    picTime->setObjectName("picTime");
    buttons->addWidget(picTime);

    sliPosition = new QSlider(Qt::Horizontal, this);
    sliPosition->setObjectName("sliPosition");
    sliPosition->setRange(0, 100);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(sliPosition);

    connect(cmdPlay, &QPushButton::clicked, this, &frmPlay::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmPlay::cmdPause_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmPlay::cmdStop_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmPlay::cmdInfo_Click);
}

// The transport arrives with the playback subsystem; until then these are the
// named entry points the menus are wired to.
void frmPlay::Start_Play() {}
void frmPlay::Stop_Play() {}
void frmPlay::cmdPlay_Click() {}
void frmPlay::cmdPause_Click() {}
void frmPlay::cmdStop_Click() {}
void frmPlay::cmdInfo_Click() {}
void frmPlay::MidiPanic() {}

frmPlay::~frmPlay()
{
    pump_.closeOnUnload();
}

void frmPlay::openOutput()
{
    // The stored list position preselects the device; -1 (never chosen) is the first entry.
    pump_.OpenOutputDevice(std::max(0, settings_.MIDIDEVICE), settings_.ExternalMCI);
}

void frmPlay::closeEvent(QCloseEvent* e)
{
    Stop_Play();
    pump_.closeOnUnload();
    emit unloaded();
    e->accept();
}

void frmPlay::setWarnColor(int paletteIndex)
{
    QPalette p = lblWarn->palette();
    p.setColor(QPalette::Window, paletteColor(paletteIndex));
    lblWarn->setPalette(p);
}

void frmPlay::setTitleCaption(const QString& text) { emit titleCaptionChanged(text); }

void frmPlay::setTimerOutEnabled(bool enabled)
{
    if (enabled) TimerOut->start();
    else TimerOut->stop();
}

void frmPlay::enableTimer1() { Timer1->start(); }

// The lyric countdown arrives with the lyrics display.
void frmPlay::firstLyricFromStart() {}

double frmPlay::timerNow() const { return clock_.nsecsElapsed() / 1e9; }

void frmPlay::processEvents()
{
    // Called once per queue entry: running the window's events every few ms
    // keeps a stop click prompt without slowing a batch of 1500 entries.
    if (eventsRun_.isValid() && eventsRun_.elapsed() < 4) return;
    QCoreApplication::processEvents();
    eventsRun_.start();
}

} // namespace lirmus
