#include "frmPlay.h"

#include "Palette.h"
#include "Player.h"
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

frmPlay::frmPlay(Player& player, QWidget* parent) : QWidget(parent), player_(player)
{
    clock_.start();
    player_.hub().attachPlayer(this);
    player_.dispatcher().setTransport(this);
    player_.MIDIOutput1.MessageSent = [this](long tag) { MIDIOutput1_MessageSent(tag); };

    TimerOut = new QTimer(this);
    TimerOut->setObjectName("TimerOut");
    TimerOut->setInterval(20);
    connect(TimerOut, &QTimer::timeout, this, [this] { player_.pump().TimerOut_Timer(); });
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

    picTime0 = new QLabel(this);
    picTime0->setObjectName("picTime(0)");
    picTime0->setVisible(player_.settings().VediTu);
    buttons->addWidget(picTime0);
    picTime1 = new QLabel(this);
    picTime1->setObjectName("picTime(1)");
    buttons->addWidget(picTime1);

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

void frmPlay::MIDIOutput1_MessageSent(long tag) { player_.dispatcher().MIDIOutput1_MessageSent(tag); }

frmPlay::~frmPlay()
{
    player_.MIDIOutput1.MessageSent = nullptr;
    player_.dispatcher().setTransport(nullptr);
    player_.hub().attachPlayer(nullptr);
}

void frmPlay::closeEvent(QCloseEvent* e)
{
    Stop_Play();
    player_.pump().closeOnUnload();
    emit unloaded();
    e->accept();
}

void frmPlay::setWarnColor(int paletteIndex)
{
    QPalette p = lblWarn->palette();
    p.setColor(QPalette::Window, paletteColor(paletteIndex));
    lblWarn->setPalette(p);
}

void frmPlay::setWarnEnabled(bool enabled) { lblWarn->setEnabled(enabled); }

void frmPlay::setPositionSlider(int min, int max, int value, int largeChange)
{
    player_.state.SliderByProgram = true;
    sliPosition->setRange(min, max);
    sliPosition->setValue(value);
    sliPosition->setPageStep(largeChange);
    player_.state.SliderByProgram = false;
}

void frmPlay::showSongLength(const QString& text) { picTime->setText(text); }

void frmPlay::setTimerOutEnabled(bool enabled)
{
    if (enabled) TimerOut->start();
    else TimerOut->stop();
}

void frmPlay::enableTimer1() { Timer1->start(); }

double frmPlay::timerNow() const { return clock_.nsecsElapsed() / 1e9; }

bool frmPlay::isWarnEnabled() const { return lblWarn->isEnabledTo(this); }

void frmPlay::showClock(const QString& text) { picTime0->setText(text); }

void frmPlay::showPosition(const QString& text) { picTime1->setText(text); }

void frmPlay::setPositionValue(int percent)
{
    const bool was = player_.state.SliderByProgram;
    player_.state.SliderByProgram = true;
    sliPosition->setValue(percent);
    player_.state.SliderByProgram = was;
}

} // namespace lirmus
