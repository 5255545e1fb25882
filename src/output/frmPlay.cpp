#include "frmPlay.h"

#include "Palette.h"
#include "Player.h"
#include "Settings.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace lirmus {

frmPlay::frmPlay(Player& player, bool vediTu, QWidget* parent) : QWidget(parent), player_(player)
{
    clock_.start();
    setObjectName("frmPlay");
    setWindowTitle("Play");
    setAcceptDrops(true);

    Transport& t = player_.transport();
    auto timer = [this](QTimer*& tm, const char* name, int ms) {
        tm = new QTimer(this);
        tm->setObjectName(name);
        tm->setInterval(ms);
    };
    timer(TimerOut, "TimerOut", 20);
    timer(Timer1, "Timer1", 125);
    timer(Timer2, "Timer2", 75);
    connect(TimerOut, &QTimer::timeout, this, [this] { player_.pump().TimerOut_Timer(); });
    connect(Timer1, &QTimer::timeout, this, [&t] { t.Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [&t] { t.Timer2_Timer(); });

    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, const QString& caption, const QString& tip) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        buttons->addWidget(b);
    };
    button(cmdInizio, "cmdInizio", "|<<", tr("To the start"));
    button(cmdRewind, "cmdRewind", "<<", tr("Back 10 %"));
    button(cmdPlay, "cmdPlay", tr("&Play"), tr("Play"));
    button(cmdPause, "cmdPause", tr("Pa&use"), tr("Pause"));
    button(cmdStop, "cmdStop", tr("S&top"), tr("Stop"));
    button(cmdForward, "cmdForward", ">>", tr("Forward 10 %"));
    button(cmdInfo, "cmdInfo", tr("&Info"), tr("Midi file information (F6)"));

    lblWarn = new QLabel(this);
    lblWarn->setObjectName("lblWarn");
    lblWarn->setFixedSize(14, 14);
    lblWarn->setAutoFillBackground(true);
    buttons->addWidget(lblWarn);

    for (int i = 0; i < 3; ++i) {
        picTime[size_t(i)] = new QLabel(this);
        picTime[size_t(i)]->setObjectName(QString("picTime(%1)").arg(i));
        picTime[size_t(i)]->setFrameShape(QFrame::Panel);
        picTime[size_t(i)]->setFrameShadow(QFrame::Sunken);
        picTime[size_t(i)]->setFixedWidth(fontMetrics().horizontalAdvance("00:00:00") + 12);
        picTime[size_t(i)]->setFixedHeight(cmdPlay->sizeHint().height());
        picTime[size_t(i)]->setAlignment(Qt::AlignCenter);
        buttons->addWidget(picTime[size_t(i)]);
    }
    picTime[0]->setToolTip(tr("Running clock"));
    picTime[1]->setToolTip(tr("Song position"));
    picTime[2]->setToolTip(tr("Song length"));
    // The running clock is a diagnostic display.
    picTime[0]->setVisible(vediTu);

    sliOut = new QSlider(Qt::Horizontal, this);
    sliOut->setObjectName("sliOut");
    sliOut->setRange(0, 100);
    sliOut->setPageStep(10);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(sliOut);

    connect(cmdPlay, &QPushButton::clicked, this, &frmPlay::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmPlay::cmdPause_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmPlay::cmdStop_Click);
    connect(cmdInizio, &QPushButton::clicked, this, &frmPlay::cmdInizio_Click);
    connect(cmdRewind, &QPushButton::clicked, this, &frmPlay::cmdRewind_Click);
    connect(cmdForward, &QPushButton::clicked, this, &frmPlay::cmdForward_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmPlay::cmdInfo_Click);
    connect(sliOut, &QSlider::sliderPressed, this, [&t] { t.sliOut_MouseDown(); });
    connect(sliOut, &QSlider::sliderReleased, this, [&t, this] {
        t.sliOut_MouseUp();
        // A drag seeks once, where the thumb was let go.
        t.sliOut_Change(sliOut->value());
    });
    connect(sliOut, &QSlider::sliderMoved, this, [&t](int v) { t.sliOut_Scroll(v); });
    connect(sliOut, &QSlider::valueChanged, this, [&t, this](int v) {
        if (!sliOut->isSliderDown()) t.sliOut_Change(v);
    });

    player_.hub().attachPlayer(this);
    showButtons(player_.state.buttons);
}

frmPlay::~frmPlay() { player_.hub().attachPlayer(nullptr); }

void frmPlay::Start_Play() { player_.transport().Start_Play(); }
void frmPlay::Stop_Play() { player_.transport().Stop_Play(); }
void frmPlay::cmdPlay_Click() { player_.transport().cmdPlay_Click(); }
void frmPlay::cmdPause_Click() { player_.transport().cmdPause_Click(); }
void frmPlay::cmdStop_Click() { player_.transport().cmdStop_Click(); }
void frmPlay::cmdInizio_Click() { player_.transport().cmdInizio_Click(); }
void frmPlay::cmdRewind_Click() { player_.transport().cmdRewind_Click(); }
void frmPlay::cmdForward_Click() { player_.transport().cmdForward_Click(); }
void frmPlay::MidiPanic() { player_.transport().MidiPanic(); }

void frmPlay::cmdInfo_Click()
{
    if (player_.transport().cmdInfo_Click()) emit infoRequested();
}

void frmPlay::closeEvent(QCloseEvent* e)
{
    if (!unloaded_) {
        unloaded_ = true;
        player_.transport().Form_Unload();
        emit unloaded();
    }
    e->accept();
}

void frmPlay::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void frmPlay::dropEvent(QDropEvent* e)
{
    const QList<QUrl> urls = e->mimeData()->urls();
    const QString file = urls.isEmpty() ? QString() : urls.first().toLocalFile();
    e->acceptProposedAction();
    player_.transport().Form_OLEDragDrop(file);
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
    sliOut->setRange(min, max);
    sliOut->setValue(value);
    sliOut->setPageStep(largeChange);
    player_.state.SliderByProgram = false;
}

void frmPlay::showSongLength(const QString& text) { picTime[2]->setText(text); }

void frmPlay::setTimerOutEnabled(bool enabled)
{
    if (enabled) TimerOut->start();
    else TimerOut->stop();
}

void frmPlay::enableTimer1() { Timer1->start(); }

double frmPlay::timerNow() const { return clock_.nsecsElapsed() / 1e9; }

void frmPlay::showButtons(const TransportButtons& b)
{
    cmdPlay->setEnabled(b.Play);
    cmdPause->setEnabled(b.Pause);
    cmdStop->setEnabled(b.Stop);
    for (QWidget* w : {static_cast<QWidget*>(cmdInizio), static_cast<QWidget*>(cmdRewind),
                       static_cast<QWidget*>(cmdForward), static_cast<QWidget*>(sliOut)})
        w->setEnabled(b.Seek);
}

void frmPlay::setTimer1Enabled(bool enabled)
{
    if (enabled) Timer1->start();
    else Timer1->stop();
}

bool frmPlay::timer1Enabled() const { return Timer1->isActive(); }

void frmPlay::setTimer2Enabled(bool enabled)
{
    if (enabled) Timer2->start();
    else Timer2->stop();
}

int frmPlay::sliderValue() const { return sliOut->value(); }

void frmPlay::setSongCaption(const QString& text) { setWindowTitle(text); }

bool frmPlay::isWarnEnabled() const { return lblWarn->isEnabledTo(this); }

void frmPlay::showClock(const QString& text) { picTime[0]->setText(text); }

void frmPlay::showPosition(const QString& text) { picTime[1]->setText(text); }

void frmPlay::setPositionValue(int percent) { sliOut->setValue(percent); }

} // namespace lirmus
