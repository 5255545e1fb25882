#include "frmIndic.h"

#include "ControllerTable.h"
#include "MonitorWidgets.h"
#include "Palette.h"
#include "Player.h"
#include "Settings.h"
#include "Twips.h"
#include "frmPrograms.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <type_traits>

namespace lirmus {
namespace {

// Strip geometry at design size, twips. Everything right of the small
// sliders' left edge stretches when the layout widens the strip.
constexpr int kButtonsWidth = 500;
constexpr int kCaptionX = 510;
constexpr int kStretchFrom = 615;
constexpr int kSmallSliderWidth = 810, kSmallSliderHeight = 105;
constexpr int kMeterX = 1500, kMeterY = 15, kMeterWidth = 750, kMeterHeight = 120;
constexpr int kOutX = 1440, kOutY = 135, kOutWidth = 870, kOutHeight = 210;
constexpr int kProgramX = 2400;
constexpr int kDrumLabelColour = 4; // red

// Tiny sliders need a thin groove to show their handle at all.
const char* kStripSliderStyle =
    "QSlider::groove:horizontal { height: 2px; background: #808080; }"
    "QSlider::handle:horizontal { width: 5px; margin: -3px 0; background: #202020; }";

void paint(QWidget* w, int paletteIndex)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, paletteColor(paletteIndex));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QString arrayName(const char* control, int index) { return QString("%1(%2)").arg(control).arg(index); }

} // namespace

frmIndic::frmIndic(Player& player, SettingsService* service, QWidget* parent)
    : QWidget(parent), player_(player), table_(player.controllers())
{
    setObjectName("frmIndic");
    setWindowTitle("Midi Out");
    player.setSettingsService(service);
    for (int ch = 0; ch < 16; ++ch) buildStrip(ch);
    buildMasterPanel();
    placeMasterPanel(false);
    movePicMelody(45, 960);
    Form_Load();
}

frmIndic::~frmIndic() = default;

void frmIndic::buildStrip(int ch)
{
    StripFrame* strip = new StripFrame(this);
    strip->setObjectName(arrayName("picMidi", ch));
    strip->setFrameShape(QFrame::StyledPanel);
    picMidi[size_t(ch)] = strip;

    QFrame* but = new QFrame(strip);
    but->setObjectName(arrayName("picBut", ch));
    but->setFocusPolicy(Qt::StrongFocus);
    picBut[size_t(ch)] = but;
    QFont small = font();
    small.setPixelSize(9);
    QPushButton* on = new QPushButton(QString::asprintf("%02d", ch + 1), but);
    on->setObjectName(arrayName("cmdOn", ch));
    on->setFont(small);
    connect(on, &QPushButton::clicked, this, [this, ch] { cmdOn_Click(ch); });
    cmdOn[size_t(ch)] = on;
    QPushButton* solo = new QPushButton("S", but);
    solo->setObjectName(arrayName("cmdSolo", ch));
    solo->setFont(small);
    connect(solo, &QPushButton::clicked, this, [this, ch] { cmdSolo_Click(ch); });
    cmdSolo[size_t(ch)] = solo;

    const char* names[4] = {"sliOut", "sliC1", "sliC2", "sliC3"};
    for (int row = 0; row < 4; ++row) {
        QSlider* s = new QSlider(Qt::Horizontal, strip);
        s->setObjectName(arrayName(names[row], ch));
        s->setRange(0, 127);
        s->setFocusPolicy(Qt::NoFocus);
        if (row > 0) s->setStyleSheet(kStripSliderStyle);
        connect(s, &QSlider::valueChanged, this, [this, s, ch, row](int v) {
            showStripTip(s, row, v);
            mixer().setStripValue(row, ch, v);
        });
        (row == 0 ? sliOut : row == 1 ? sliC1 : row == 2 ? sliC2 : sliC3)[size_t(ch)] = s;
    }
    sliC1[size_t(ch)]->installEventFilter(this); // right click centres the pan

    ppgrMidi[size_t(ch)] = new LevelMeter(strip);
    ppgrMidi[size_t(ch)]->setObjectName(arrayName("ppgrMidi", ch));

    ClickLabel* program = new ClickLabel(strip);
    program->setObjectName(arrayName("lblProgram", ch));
    program->setToolTip("Click here to change Instrument");
    program->setFont(small);
    connect(program, &ClickLabel::clicked, this, [this, ch] { lblProgram_Click(ch); });
    lblProgram[size_t(ch)] = program;
    layoutStrip(ch, kStripWidth);
}

void frmIndic::buildMasterPanel()
{
    picMidiOut = new QFrame(this);
    picMidiOut->setObjectName("picMidiOut");
    picMidiOut->setFrameShape(QFrame::StyledPanel);
    picMidiOut->setAutoFillBackground(true);

    auto button = [](QPushButton*& b, const char* name, const QString& caption, QWidget* parent, QRect twipsRect) {
        b = new QPushButton(caption, parent);
        b->setObjectName(name);
        b->setGeometry(px(twipsRect.x()), px(twipsRect.y()), px(twipsRect.width()), px(twipsRect.height()));
    };
    button(cmdGsReset, "cmdGsReset", "GS Reset", picMidiOut, QRect(45, 60, 1000, 390));
    connect(cmdGsReset, &QPushButton::clicked, this, [this] { mixer().cmdGsReset_Click(); });
    // The other resets fill the column under "Melody", free in every layout.
    button(cmdGmReset, "cmdGmReset", "GM Reset", picMidiOut, QRect(45, 1440, 1000, 390));
    connect(cmdGmReset, &QPushButton::clicked, this, [this] { mixer().cmdGmReset_Click(); });
    button(cmdXgReset, "cmdXgReset", "XG Reset", picMidiOut, QRect(45, 1860, 1000, 390));
    connect(cmdXgReset, &QPushButton::clicked, this, [this] { mixer().cmdXgReset_Click(); });
    button(cmdPanic, "cmdPanic", "Panic!!", picMidiOut, QRect(45, 480, 1000, 390));
    cmdPanic->setToolTip("Don't worry...");
    connect(cmdPanic, &QPushButton::clicked, this, [this] { mixer().cmdPanic_Click(); });

    picMelody = new QFrame(picMidiOut);
    picMelody->setObjectName("picMelody");
    picMelody->resize(px(1000), px(420));
    button(cmdMelody, "cmdMelody", "Melody", picMelody, QRect(45, 45, 910, 330));
    connect(cmdMelody, &QPushButton::clicked, this, [this] { cmdMelody_Click(); });
    paint(picMelody, Mixer::kLampOn);

    auto label = [this](auto*& l, const char* name, QRect twipsRect) {
        l = new std::remove_reference_t<decltype(*l)>(picMidiOut);
        l->setObjectName(name);
        l->setGeometry(px(twipsRect.x()), px(twipsRect.y()), px(twipsRect.width()), px(twipsRect.height()));
    };
    auto upDown = [this](QScrollBar*& u, const char* name, int range, int large, QRect twipsRect) {
        u = new QScrollBar(Qt::Horizontal, picMidiOut);
        u->setObjectName(name);
        u->setRange(-range, range);
        u->setSingleStep(1);
        u->setPageStep(large);
        u->setGeometry(px(twipsRect.x()), px(twipsRect.y()), px(twipsRect.width()), px(twipsRect.height()));
    };
    label(Label2, "Label2", QRect(1140, 60, 660, 270));
    Label2->setText("Tempo");
    label(lblTempo, "lblTempo", QRect(1800, 60, 560, 270));
    upDown(udTempo, "udTempo", 200, 5, QRect(1140, 360, 1220, 240));
    label(lblpTempo, "lblpTempo", QRect(1140, 630, 1220, 270));
    label(Label1, "Label1", QRect(1140, 1020, 660, 270));
    Label1->setText("Key");
    label(lblKey, "lblKey", QRect(1800, 1020, 560, 270));
    upDown(udTrans, "udTrans", 12, 2, QRect(1140, 1320, 1220, 240));
    label(lblTrans, "lblTrans", QRect(1140, 1590, 1220, 270));
    for (ClickLabel* l : {lblTempo, lblpTempo})
        connect(l, &ClickLabel::clicked, this, [this] { udTempo->setValue(0); });
    for (ClickLabel* l : {lblKey, lblTrans})
        connect(l, &ClickLabel::clicked, this, [this] { udTrans->setValue(0); });
    connect(udTempo, &QScrollBar::valueChanged, this, [this] { udTempo_Change(); });
    connect(udTrans, &QScrollBar::valueChanged, this, [this] { udTrans_Change(); });

    // One master slider per controller row, one under the other.
    for (int row = 0; row < 8; ++row) {
        const int y = 60 + row * 290;
        label(lblMast[size_t(row)], qPrintable(arrayName("lblMast", row)), QRect(2440, y, 700, 270));
        QSlider* s = new QSlider(Qt::Horizontal, picMidiOut);
        s->setObjectName(arrayName("sliMC", row));
        s->setGeometry(px(3140), px(y), px(1100), px(270));
        s->installEventFilter(this);
        connect(s, &QSlider::valueChanged, this, [this, s, row](int v) {
            if (row < table_.rows()) s->setToolTip(controllerTooltip(table_.CtrlName[size_t(row)], v));
            mixer().sliMC_Change(row, v);
        });
        sliMC[size_t(row)] = s;
    }
    label(lblTrack, "lblTrack", QRect(1140, 1950, 1260, 270)); // beside the resets, short of the master sliders
}

void frmIndic::Form_Load()
{
    lblTrack->setVisible(player_.settings().VediTu);
    for (QLabel* l : {static_cast<QLabel*>(lblTempo), static_cast<QLabel*>(lblKey), static_cast<QLabel*>(lblpTempo),
                      static_cast<QLabel*>(lblTrans)})
        l->setText(QString());

    for (int row = 0; row < 8; ++row) {
        const bool used = row < table_.rows();
        // The stored master levels shown: nothing is sent.
        const QSignalBlocker quiet(sliMC[size_t(row)]);
        if (used) {
            sliMC[size_t(row)]->setRange(table_.CtrlMin[size_t(row)], table_.CtrlMax[size_t(row)]);
            sliMC[size_t(row)]->setValue(table_.CtrlMaster[size_t(row)]);
            sliMC[size_t(row)]->setToolTip(controllerTooltip(table_.CtrlName[size_t(row)], sliMC[size_t(row)]->value()));
            lblMast[size_t(row)]->setText(QString::fromStdString(table_.CtrlName[size_t(row)]).left(7));
        }
        lblMast[size_t(row)]->setVisible(used);
        sliMC[size_t(row)]->setVisible(used);
    }

    std::array<QString, 3> letters;
    for (int row = 1; row <= 3 && row < table_.rows(); ++row)
        letters[size_t(row - 1)] = QString::fromStdString(table_.CtrlName[size_t(row)]).left(1);
    for (int ch = 0; ch < 16; ++ch) {
        picMidi[size_t(ch)]->setCaptions(letters, px(kCaptionX));
        paint(picBut[size_t(ch)], Mixer::kLampOn);
        for (int row = 1; row <= 3 && row < table_.rows(); ++row)
            stripSliderOf(ch, row)->setToolTip(QString::fromStdString(table_.CtrlName[size_t(row)]));
    }
    ResetProgramLabels();
    ResetChannelSliders();
}

void frmIndic::layoutStrip(int ch, int widthTwips)
{
    // Positions right of the small sliders' edge scale with the strip.
    const double k = double(std::max(widthTwips, kStripWidth) - kStretchFrom) / (kStripWidth - kStretchFrom);
    auto x = [k](int t) { return px(kStretchFrom + int((t - kStretchFrom) * k)); };
    auto place = [&](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(x(left), stripY(top), x(left + width) - x(left), stripY(top + height) - stripY(top));
    };
    const int height = stripY(kStripHeight);
    picMidi[size_t(ch)]->setGeometry(0, ch * height, px(widthTwips), height);
    // A frame of the panel shows round the buttons: its colour is the channel's state.
    constexpr int inset = 3;
    picBut[size_t(ch)]->setGeometry(0, 0, px(kButtonsWidth), height);
    cmdOn[size_t(ch)]->setGeometry(inset, inset, px(300) - inset, height - 2 * inset);
    cmdSolo[size_t(ch)]->setGeometry(px(300) + 1, inset, px(kButtonsWidth - 300) - 1 - inset, height - 2 * inset);
    // Taller strips, larger numbers.
    QFont numbers = cmdOn[size_t(ch)]->font();
    numbers.setPixelSize(std::clamp(height * 2 / 5, 9, 13));
    cmdOn[size_t(ch)]->setFont(numbers);
    cmdSolo[size_t(ch)]->setFont(numbers);
    for (int row = 1; row <= 3; ++row)
        place(stripSliderOf(ch, row), kStretchFrom, (row - 1) * kSmallSliderHeight, kSmallSliderWidth,
              kSmallSliderHeight);
    place(ppgrMidi[size_t(ch)], kMeterX, kMeterY, kMeterWidth, kMeterHeight);
    place(sliOut[size_t(ch)], kOutX, kOutY, kOutWidth, kOutHeight);
    place(lblProgram[size_t(ch)], kProgramX, 0, kStripWidth - kProgramX - 30, kStripHeight);
}

int frmIndic::stripY(int t) const { return px(t) * stripHeight_ / kStripHeight; }

QSlider* frmIndic::stripSliderOf(int ch, int row) const
{
    if (ch < 0 || ch >= 16) return nullptr;
    switch (row) {
    case 0: return sliOut[size_t(ch)];
    case 1: return sliC1[size_t(ch)];
    case 2: return sliC2[size_t(ch)];
    case 3: return sliC3[size_t(ch)];
    default: return nullptr;
    }
}

void frmIndic::movePicMelody(int left, int top) { picMelody->move(px(left), px(top)); }

void frmIndic::setStripSize(int width, int height)
{
    stripHeight_ = std::max(height, kStripHeight);
    for (int ch = 0; ch < 16; ++ch) layoutStrip(ch, std::max(0, width));
    picMidiOut->resize(std::max(px(kStripWidth), px(width)), px(kMasterPanelHeight));
    // The master sliders take the panel's width beside their labels.
    for (QSlider* s : sliMC) s->resize(std::max(px(1100), picMidiOut->width() - s->x() - 6), s->height());
}

void frmIndic::setMasterVisible(int row, bool visible)
{
    if (row < 0 || row >= 8 || row >= table_.rows()) return; // rows the table lacks stay hidden
    lblMast[size_t(row)]->setVisible(visible);
    sliMC[size_t(row)]->setVisible(visible);
}

void frmIndic::placeMasterPanel(bool atTop)
{
    picMidiOut->move(0, atTop ? 0 : 16 * stripY(kStripHeight) + px(kMasterPanelTop - 16 * kStripHeight));
    picMidiOut->raise();
    // At the top the panel has only the player's band: the key's controls close up under the
    // tempo's, and the two extra resets take the place "Melody" leaves under "Panic!!".
    const int keyTop = atTop ? 900 : 1020;
    auto moveTo = [](QWidget* w, int x, int y) { w->move(px(x), px(y)); };
    moveTo(Label1, 1140, keyTop);
    moveTo(lblKey, 1800, keyTop);
    moveTo(udTrans, 1140, keyTop + 300);
    moveTo(lblTrans, 1140, keyTop + 570);
    moveTo(cmdGmReset, 45, atTop ? 900 : 1440);
    moveTo(cmdXgReset, 45, atTop ? 1320 : 1860);
}

bool frmIndic::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
        for (int ch = 0; ch < 16; ++ch)
            if (watched == sliC1[size_t(ch)]) {
                sliC1[size_t(ch)]->setValue(64); // the centre of a pan
                return true;
            }
        for (int row = 0; row < 8; ++row)
            if (watched == sliMC[size_t(row)]) {
                sliMC[size_t(row)]->setValue(row == 0 ? 127 : 0);
                return true;
            }
    }
    return QWidget::eventFilter(watched, e);
}

// ---- the user's controls ----

void frmIndic::cmdOn_Click(int ch)
{
    if (mixer().cmdOn_Click(ch)) cmdPanic->setFocus();
    else picBut[size_t(ch)]->setFocus();
}

void frmIndic::cmdSolo_Click(int ch)
{
    if (mixer().cmdSolo_Click(ch)) cmdPanic->setFocus();
}

void frmIndic::cmdMelody_Click()
{
    if (mixer().cmdMelody_Click()) cmdPanic->setFocus();
}

void frmIndic::udTempo_Change()
{
    mixer().udTempo_Change(udTempo->value());
    lblpTempo->setText(signedCaption(udTempo->value(), "%"));
}

void frmIndic::udTrans_Change()
{
    // No second change may start while the output restarts.
    if (transChanging_) return;
    transChanging_ = true;
    udTrans->setEnabled(false);
    udTrans->repaint();
    lblTrans->setText(signedCaption(udTrans->value()));
    mixer().udTrans_Change(udTrans->value());
    udTrans->setEnabled(true);
    transChanging_ = false;
}

void frmIndic::lblProgram_Click(int ch)
{
    const Settings& s = player_.settings();
    frmPrograms chooser(s, ch, player_.channels().Program[size_t(ch)], this);
    if (ch == ChannelState::kDrumChannel)
        chooser.move(mapToGlobal(QPoint(px(120), picMidi[size_t(ch)]->y())));
    chooser.exec();
    if (chooser.ProgramChoice < 0) return;
    mixer().sendProgramChange(ch, chooser.ProgramChoice);
    if (chooser.ChoiceIsDrums && chooser.DrumKitIndex >= 0 && size_t(chooser.DrumKitIndex) < s.DrumKits.size())
        setProgramCaption(ch, "Drum " + QString::fromStdString(drumKitName(s.DrumKits[size_t(chooser.DrumKitIndex)])));
    else if (!chooser.ChoiceIsDrums)
        setProgramCaption(ch, QString::fromStdString(s.ProgramNames[size_t(chooser.ProgramChoice)]));
}

void frmIndic::pgrMidi_Change(int ch) { ppgrMidi[size_t(ch)]->update(); }

// ---- what the player shows ----

void frmIndic::setTrackCaption(const QString& text) { lblTrack->setText(text); }
void frmIndic::setKeyCaption(const QString& text) { lblKey->setText(text); }
void frmIndic::setTempoCaption(const QString& text) { lblTempo->setText(text); }

void frmIndic::ResetChannelSliders()
{
    for (int ch = 0; ch < 16; ++ch) {
        for (int row = 0; row < 4; ++row) setStripSlider(ch, row, 0);
        setMeter(ch, 0);
    }
}

void frmIndic::ResetProgramLabels()
{
    for (int ch = 0; ch < 16; ++ch) lblProgram[size_t(ch)]->setText(QString());
    ClickLabel* drums = lblProgram[size_t(ChannelState::kDrumChannel)];
    drums->setText("Drum Standard");
    QFont f = drums->font();
    f.setBold(true);
    drums->setFont(f);
    QPalette pal = drums->palette();
    pal.setColor(QPalette::WindowText, paletteColor(kDrumLabelColour));
    drums->setPalette(pal);
}

void frmIndic::showTempoAndKey(int tempoPercent, int transpose)
{
    // The transport sets the song's tempo and transposition itself: only the controls and labels follow.
    {
        const QSignalBlocker quiet(udTempo);
        udTempo->setValue(tempoPercent);
    }
    lblpTempo->setText(signedCaption(udTempo->value(), "%"));
    const QSignalBlocker quiet(udTrans);
    udTrans->setValue(transpose);
    lblTrans->setText(signedCaption(udTrans->value()));
}

void frmIndic::setStripEnabled(int ch, bool enabled)
{
    if (ch < 0 || ch >= 16) return;
    picMidi[size_t(ch)]->setEnabled(enabled);
    showMuted(ch);
}

void frmIndic::setStripColor(int ch, int paletteIndex)
{
    if (ch < 0 || ch >= 16) return;
    paint(picBut[size_t(ch)], paletteIndex);
    lamp_[size_t(ch)] = paletteIndex;
    showMuted(ch);
}

void frmIndic::showMuted(int ch)
{
    // A channel the song uses but the mixer keeps off: its number button is lit red, so it
    // cannot be taken for a channel the song never used (greyed, in the same red frame).
    const bool muted = picMidi[size_t(ch)]->isEnabled() && lamp_[size_t(ch)] == Mixer::kLampOff;
    QPushButton* on = cmdOn[size_t(ch)];
    if (on->property("muted").toBool() == muted) return;
    on->setProperty("muted", muted);
    on->setStyleSheet(muted ? "QPushButton { background: #c00000; color: white; border: 1px solid #500000; }" : "");
    on->setToolTip(muted ? "Muted: click to hear this channel again" : QString());
}

void frmIndic::setMeter(int ch, int value)
{
    if (ch < 0 || ch >= 16) return;
    ppgrMidi[size_t(ch)]->setValue(value);
}

void frmIndic::setProgramCaption(int ch, const QString& text)
{
    if (ch >= 0 && ch < 16) lblProgram[size_t(ch)]->setText(text);
}

void frmIndic::setStripSlider(int ch, int row, int value)
{
    QSlider* s = stripSliderOf(ch, row);
    if (!s || s->value() == value) return;
    // The player moved it: nothing is sent again.
    const QSignalBlocker quiet(s);
    s->setValue(value);
    showStripTip(s, row, value);
}

void frmIndic::showStripTip(QSlider* slider, int row, int value)
{
    if (row < table_.rows()) slider->setToolTip(controllerTooltip(table_.CtrlName[size_t(row)], value));
}

Mixer& frmIndic::mixer() { return player_.mixer(); }

// ---- what the mixer changes ----

void frmIndic::setMelodyPanel(int paletteIndex, bool enabled)
{
    paint(picMelody, paletteIndex);
    picMelody->setEnabled(enabled);
}


} // namespace lirmus
