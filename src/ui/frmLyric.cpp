#include "frmLyric.h"

#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "SongState.h"
#include "LyricWidgets.h"
#include "Palette.h"
#include "Settings.h"
#include "SettingsService.h"
#include "Twips.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace lirmus {
namespace {

// The window around the boxes, in twips: the title above, the band with
// countdowns, chords, marker and the command strip below. 1020 in all.
constexpr int kTitleHeight = 270;
constexpr int kChromeHeight = 1020;
constexpr int kBoxPadding = 60;
constexpr int kGuideHeight = 1200; // the pitch guide under the rows, when shown
constexpr int kGuideFrameMs = 33;
constexpr int kCmdWidth = 2040, kCmdHeight = 690;
constexpr int kLargestFontSize = 48, kSmallFontSize = 15, kFontStep = 4;

const char* const kCredits[4] = {
    "Lirmus - Midi Karaoke Player",
    "Choose a song and sing along",
    "The words turn colour as they are due",
    "Have fun!",
};

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), std::max(px(width), 0), std::max(px(height), 0));
}

} // namespace

frmLyric::frmLyric(LyricCursor& cursor, Settings& settings, SettingsService* service, QWidget* parent)
    : QWidget(parent), cursor_(cursor), state_(cursor.state()), settings_(settings), service_(service),
      render_(cursor.state(), settings)
{
    setObjectName("frmLyric");
    setWindowTitle("Lyric");

    lblTitolo = new QLabel(this);
    lblTitolo->setObjectName("lblTitolo");
    QFont bold = lblTitolo->font();
    bold.setBold(true);
    lblTitolo->setFont(bold);
    picLyr = new LyricBox(LyricBox::Kind::Lyrics, render_, this);
    picLyr->setObjectName("picLyr");
    picSysex = new LyricBox(LyricBox::Kind::TextPage, render_, this);
    picSysex->setObjectName("picSysex");
    picSysex->hide();
    picGuide = new GuideBox(render_, this);
    picGuide->setObjectName("picGuide");
    picGuide->hide();
    guideTimer_.setInterval(kGuideFrameMs);
    connect(&guideTimer_, &QTimer::timeout, this, &frmLyric::followGuide);

    lbNLyr = new QLabel("Next lyric", this);
    lbNLyr->setObjectName("lbNLyr");
    picNextLyr = new CountdownBar(paletteColor(9), this);
    picNextLyr->setObjectName("picNextLyr");
    picNextLyr->setFocusPolicy(Qt::StrongFocus);
    picNextLyrA = new CountdownBar(paletteColor(12), this);
    picNextLyrA->setObjectName("picNextLyrA");
    QFont chordFont = bold;
    chordFont.setPointSize(std::max(chordFont.pointSize(), 1) + 3);
    for (int i = 0; i < 2; ++i) {
        lblAccordo[size_t(i)] = new QLabel(this);
        lblAccordo[size_t(i)]->setObjectName(QString("lblAccordo(%1)").arg(i));
        lblAccordo[size_t(i)]->setFont(i == 0 ? chordFont : bold);
    }
    lblMarker = new QLabel(this);
    lblMarker->setObjectName("lblMarker");
    lblTurbo = new QLabel(this);
    lblTurbo->setObjectName("lblTurbo");
    lblTurbo->hide();

    picCmd = new CommandStrip(this);
    picCmd->setObjectName("picCmd");
    HSRows = new QScrollBar(Qt::Horizontal, picCmd);
    HSRows->setObjectName("HSRows");
    HSRows->setRange(2, 4);
    HSRows->setPageStep(1);
    lblRows = new QLabel(picCmd);
    lblRows->setObjectName("lblRows");
    cmdCharM = new QPushButton("A-", picCmd);
    cmdCharM->setObjectName("cmdCharM");
    cmdCharP = new QPushButton("A+", picCmd);
    cmdCharP->setObjectName("cmdCharP");
    cmdMinMax = new QPushButton(">", picCmd);
    cmdMinMax->setObjectName("cmdMinMax");
    HSRows->setGeometry(twipsRect(60, 45, 1050, 255));
    lblRows->setGeometry(twipsRect(1140, 45, 240, 255));
    picCmd->rowsCaptionAt = QPoint(px(1320), px(45));
    cmdCharM->setGeometry(twipsRect(60, 360, 600, 300));
    cmdCharP->setGeometry(twipsRect(705, 360, 600, 300));
    cmdMinMax->setGeometry(twipsRect(1350, 360, 600, 300));

    connect(cmdCharM, &QPushButton::clicked, this, &frmLyric::cmdCharM_Click);
    connect(cmdCharP, &QPushButton::clicked, this, &frmLyric::cmdCharP_Click);
    connect(cmdMinMax, &QPushButton::clicked, this, &frmLyric::cmdMinMax_Click);
    connect(HSRows, &QScrollBar::valueChanged, this, &frmLyric::HSRows_Change);

    cursor_.attachSurface(this);
    cursor_.setTextMeasure(this);
    // Captions set before the window existed.
    for (int c = 0; c <= int(LyricCaption::LyricTooltip); ++c) {
        const auto which = LyricCaption(c);
        if (!cursor_.caption(which).isEmpty()) captionChanged(which, cursor_.caption(which));
    }
    resize(px(9000), px(3000));
    CaricaKarFont();
    Form_Load();
    PreparaAltezza();
}

frmLyric::~frmLyric()
{
    cursor_.detachSurface(this);
    cursor_.setTextMeasure(nullptr);
}

void frmLyric::Form_Load()
{
    lblTurbo->setVisible(settings_.VediTu);
    cursor_.resetTextPage();
    cmdMinMax->setToolTip("Click to Enlarge Window");
    cmdCharM->setToolTip("Click to Reduce characters size");
    cmdCharP->setToolTip("Click to Enlarge characters size");
    for (int r = 1; r <= cursor_.rows(); ++r) cursor_.SetLyricRow(r, QString::fromLatin1(kCredits[r - 1]));
    {
        const QSignalBlocker quiet(HSRows); // showing the setting is no change of it
        HSRows->setValue(cursor_.rows());
    }
    lblRows->setText(QString::number(cursor_.rows()));
    cmdCharP->setEnabled(settings_.KaraokeFontSize < kLargestFontSize);
    cmdCharM->setEnabled(settings_.KaraokeFontSize >= kSmallFontSize);
    cmdMinMax->setText(settings_.KaraokeEnlarged ? "<" : ">");
}

void frmLyric::CaricaKarFont()
{
    // A family that is not installed gives way to the one the system offers
    // for it (the first of the families it lists when it offers none); the
    // setting keeps the replacement, as the window shows it.
    QString family = QString::fromStdString(settings_.KaraokeFont);
    if (!QFontDatabase::hasFamily(family)) {
        QString offered = QFontInfo(QFont(family)).family();
        if (!QFontDatabase::hasFamily(offered)) offered = QFontDatabase::families().value(0);
        if (!offered.isEmpty()) {
            family = offered;
            settings_.KaraokeFont = family.toStdString();
        }
    }
    QFont font(family);
    font.setPointSize(std::max(settings_.KaraokeFontSize, 1));
    render_.setFont(font);
    picLyr->setFont(font);
    picSysex->setFont(font);
    const QColor back = fromRgbLong(settings_.KaraokeBackColor);
    picNextLyr->setBackColor(back);
    picNextLyrA->setBackColor(back);
    picLyr->update();
    picSysex->update();
}

void frmLyric::PreparaAltezza()
{
    if (sizing_) return;
    sizing_ = true;
    bool waiting = false, triedMaximize = false;
    for (;;) {
        picSysex->hide();
        picLyr->hide();
        const int rowHeight = render_.RowHeight();
        const int lyrHeight = cursor_.rows() * rowHeight + kBoxPadding;
        const int sysHeight = 4 * rowHeight + kBoxPadding;
        int counted = 0;
        if (state_.SysexBesideLyrics) {
            picLyr->show();
            counted += lyrHeight;
        }
        if (state_.SysexShown) {
            picSysex->show();
            counted += sysHeight;
        }
        const bool guide = guideShown();
        picGuide->setVisible(guide);
        if (guide) counted += kGuideHeight;
        if (guide && !guideTimer_.isActive()) guideTimer_.start();
        if (!guide) guideTimer_.stop();
        LyricWindowHeight_ = counted + kChromeHeight;
        if (!layoutWindows) resize(width(), px(LyricWindowHeight_));
        placeBoxes();
        if (!layoutWindows || !layoutWindows()) break;
        if (!triedMaximize && !(mainMaximized && mainMaximized())) {
            triedMaximize = true;
            if (maximizeMain) maximizeMain();
            continue;
        }
        // Maximized and still too tall: a smaller font, down to a size still readable.
        cursor_.keepFontSizeBeforeShrink(settings_.KaraokeFontSize);
        if (settings_.KaraokeFontSize - kFontStep < kSmallestFontSize) break;
        if (!waiting) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            waiting = true;
        }
        settings_.KaraokeFontSize -= kFontStep;
        CaricaKarFont();
    }
    if (waiting) QGuiApplication::restoreOverrideCursor();
    sizing_ = false;
}

void frmLyric::PreparaPicLyric()
{
    CaricaKarFont();
    PreparaAltezza();
    // The options dialog may have changed the row count: the strip shows it
    // and the rows are laid out again for the current point.
    if (HSRows->value() != cursor_.rows()) {
        {
            const QSignalBlocker quiet(HSRows);
            HSRows->setValue(cursor_.rows());
        }
        lblRows->setText(QString::number(cursor_.rows()));
        cursor_.rowsChanged();
    }
}

void frmLyric::restoreFontSize(int points)
{
    settings_.KaraokeFontSize = points;
    PreparaPicLyric();
}

void frmLyric::storeInt(const char* key, long long value)
{
    if (service_) storeOptionInt(*service_, settings_, key, value);
}

void frmLyric::storeBool(const char* key, bool value)
{
    if (service_) storeOptionBool(*service_, settings_, key, value);
}

void frmLyric::focusCountdown() { picNextLyr->setFocus(); }

void frmLyric::cmdCharM_Click()
{
    const int size = settings_.KaraokeFontSize - kFontStep;
    // Stored first: the resize below may shrink the size in memory only.
    settings_.KaraokeFontSize = size;
    storeInt("KaraokeFontSize", size);
    if (size < kSmallFontSize) cmdCharM->setEnabled(false);
    cmdCharP->setEnabled(true);
    PreparaPicLyric();
    focusCountdown();
}

void frmLyric::cmdCharP_Click()
{
    const int size = settings_.KaraokeFontSize + kFontStep;
    settings_.KaraokeFontSize = size;
    storeInt("KaraokeFontSize", size);
    if (size >= kLargestFontSize) cmdCharP->setEnabled(false);
    cmdCharM->setEnabled(true);
    PreparaPicLyric();
    focusCountdown();
}

void frmLyric::HSRows_Change(int value)
{
    settings_.KaraokeRows = value;
    storeInt("KaraokeRows", value);
    lblRows->setText(QString::number(cursor_.rows()));
    PreparaPicLyric();
    cursor_.rowsChanged();
    focusCountdown();
}

void frmLyric::cmdMinMax_Click()
{
    const bool enlarge = !settings_.KaraokeEnlarged;
    settings_.KaraokeEnlarged = enlarge;
    storeBool("KaraokeEnlarged", enlarge);
    cmdMinMax->setText(enlarge ? "<" : ">");
    cmdMinMax->setToolTip(enlarge ? "Click to Reduce window" : "Click to Enlarge window");
    // The main window's layout gives the width: the player's, or the whole client area.
    if (layoutWindows) layoutWindows();
    focusCountdown();
}

void frmLyric::lyricRowChanged(int row) { picLyr->updateRow(row); }
void frmLyric::sysexRowChanged(int row) { picSysex->updateRow(row); }

void frmLyric::captionChanged(LyricCaption which, const QString& text) { showCaption(which, text, true); }

void frmLyric::countdownsChanged(int lyricMs, int chordMs) { showCountdowns(lyricMs, chordMs); }

long frmLyric::screenWidthTwips() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twips(screen ? screen->geometry().width() : 1024);
}

void frmLyric::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Form_Resize();
}

void frmLyric::Form_Resize()
{
    const int W = twips(width());
    lblTitolo->setGeometry(twipsRect(90, 0, W - 90 - 90, kTitleHeight));
    placeBoxes();
    picCmd->update();
}

void frmLyric::placeBoxes()
{
    const int W = twips(width());
    const int rowHeight = render_.RowHeight();
    int top = kTitleHeight;
    if (!picLyr->isHidden()) {
        picLyr->setGeometry(twipsRect(0, top, W, cursor_.rows() * rowHeight + kBoxPadding));
        top += cursor_.rows() * rowHeight + kBoxPadding;
    }
    if (!picSysex->isHidden()) {
        picSysex->setGeometry(twipsRect(0, top, W, 4 * rowHeight + kBoxPadding));
        top += 4 * rowHeight + kBoxPadding;
    }
    if (!picGuide->isHidden()) {
        picGuide->setGeometry(twipsRect(0, top, W, kGuideHeight));
        top += kGuideHeight;
    }
    render_.setBoxWidth(px(W));
    lbNLyr->setGeometry(twipsRect(90, top + 45, 1200, 255));
    picNextLyr->setGeometry(twipsRect(1305, top + 90, 1005, 165));
    lblAccordo[0]->setGeometry(twipsRect(2400, top, 1350, 360));
    lblAccordo[1]->setGeometry(twipsRect(3750, top + 30, 1200, 330));
    picNextLyrA->setGeometry(twipsRect(4950, top + 90, 1005, 165));
    lblTurbo->setGeometry(twipsRect(6000, top + 45, 900, 255));
    lblMarker->setGeometry(twipsRect(90, top + 405, W - kCmdWidth - 90 - 120, 270));
    picCmd->setGeometry(twipsRect(W - kCmdWidth - 120, top + 30, kCmdWidth, kCmdHeight));
}

bool frmLyric::guideShown() const { return settings_.PitchGuide && settings_.LyricsGuide; }

void frmLyric::followGuideSetting()
{
    if (guideShown() != !picGuide->isHidden()) PreparaAltezza();
}

void frmLyric::followGuide() { picGuide->setView(guideSource ? guideSource() : std::nullopt); }

} // namespace lirmus
