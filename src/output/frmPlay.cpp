#include "frmPlay.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lirmus {

frmPlay::frmPlay(QWidget* parent) : QWidget(parent)
{
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

void frmPlay::closeEvent(QCloseEvent* e)
{
    Stop_Play();
    emit unloaded();
    e->accept();
}

} // namespace lirmus
