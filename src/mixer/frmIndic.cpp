#include "frmIndic.h"

#include "ControllerTable.h"
#include "Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace lirmus {

frmIndic::frmIndic(const ControllerTable& table, bool vediTu, QWidget* parent) : QWidget(parent), table_(table)
{
    setObjectName("frmIndic");
    setWindowTitle("Midi Out");

    for (int ch = 0; ch < 16; ++ch) {
        QFrame* strip = new QFrame(this);
        strip->setObjectName(QString("picMidi(%1)").arg(ch));
        strip->setFrameShape(QFrame::StyledPanel);
        strip->setGeometry(0, px(ch * kStripHeight), px(kStripWidth), px(kStripHeight));
        picMidi[ch] = strip;
        QPushButton* on = new QPushButton(QString::asprintf("%02d", ch + 1), strip);
        on->setObjectName(QString("cmdOn(%1)").arg(ch));
        on->setGeometry(1, 1, px(330), px(kStripHeight) - 2);
        cmdOn[ch] = on;
    }

    picMidiOut = new QFrame(this);
    picMidiOut->setObjectName("picMidiOut");
    picMidiOut->setFrameShape(QFrame::StyledPanel);
    picMidiOut->setAutoFillBackground(true);

    picMelody = new QFrame(picMidiOut);
    picMelody->setObjectName("picMelody");
    picMelody->setAutoFillBackground(true);
    cmdMelody = new QPushButton("Melody", picMelody);
    cmdMelody->setObjectName("cmdMelody");
    cmdMelody->move(2, 2);
    picMelody->resize(cmdMelody->sizeHint() + QSize(4, 4));

    cmdGsReset = new QPushButton("GS Reset", picMidiOut);
    cmdGsReset->setObjectName("cmdGsReset");
    cmdGsReset->move(px(45), px(60));
    cmdPanic = new QPushButton("Panic!!", picMidiOut);
    cmdPanic->setObjectName("cmdPanic");
    cmdPanic->setToolTip("Don't worry...");
    cmdPanic->move(px(45), px(480));

    // Master sliders: two columns of four, only the table's rows visible.
    for (int row = 0; row < 8; ++row) {
        const int x = 1500 + (row / 4) * 1900, y = 60 + (row % 4) * 480;
        lblMast[row] = new QLabel(picMidiOut);
        lblMast[row]->setObjectName(QString("lblMast(%1)").arg(row));
        lblMast[row]->setGeometry(px(x), px(y), px(700), px(300));
        sliMC[row] = new QSlider(Qt::Horizontal, picMidiOut);
        sliMC[row]->setObjectName(QString("sliMC(%1)").arg(row));
        sliMC[row]->setGeometry(px(x + 700), px(y), px(1100), px(300));
        const bool used = row < table.rows();
        if (used) {
            sliMC[row]->setRange(table.CtrlMin[row], table.CtrlMax[row]);
            sliMC[row]->setValue(table.CtrlMaster[row]);
            lblMast[row]->setText(QString::fromStdString(table.CtrlName[row]).left(7));
        }
        lblMast[row]->setVisible(used);
        sliMC[row]->setVisible(used);
    }

    lblTrack = new QLabel(picMidiOut);
    lblTrack->setObjectName("lblTrack");
    lblTrack->move(px(45), px(1700));
    lblTrack->setVisible(vediTu);

    placeMasterPanel(false);
    movePicMelody(45, 960);
}

void frmIndic::movePicMelody(int left, int top) { picMelody->move(px(left), px(top)); }

void frmIndic::setStripWidth(int width)
{
    for (QFrame* strip : picMidi) strip->resize(std::max(0, px(width)), strip->height());
    picMidiOut->resize(std::max(0, px(width)), px(kMasterPanelHeight));
}

void frmIndic::setMasterVisible(int row, bool visible)
{
    if (row < 0 || row >= 8 || row >= table_.rows()) return; // rows the table lacks stay hidden
    lblMast[row]->setVisible(visible);
    sliMC[row]->setVisible(visible);
}

void frmIndic::placeMasterPanel(bool atTop)
{
    picMidiOut->move(0, atTop ? 0 : px(kMasterPanelTop));
    picMidiOut->raise();
}

void frmIndic::setStripEnabled(int ch, bool enabled)
{
    if (ch >= 0 && ch < 16) picMidi[size_t(ch)]->setEnabled(enabled);
}

void frmIndic::setTrackCaption(const QString& text)
{
    if (lblTrack) lblTrack->setText(text);
}

} // namespace lirmus
