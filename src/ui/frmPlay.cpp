#include "frmPlay.h"

#include "Palette.h"
#include "Player.h"
#include "Settings.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

namespace lirmus {

frmPlay::frmPlay(Player& player, bool vediTu, QWidget* parent) : QWidget(parent), player_(player)
{
    setObjectName("frmPlay");
    setWindowTitle("Play");
    setAcceptDrops(true);

    Transport& t = player_.transport();

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
    buttons->addStretch(1);

    // The time boxes sit beside the slider, not after the buttons: a narrow window keeps
    // every button and every box whole.
    sliOut = new QSlider(Qt::Horizontal, this);
    sliOut->setObjectName("sliOut");
    sliOut->setRange(0, 100);
    sliOut->setPageStep(10);
    auto* position = new QHBoxLayout;
    position->addWidget(sliOut, 1);
    for (int i = 0; i < 3; ++i) {
        picTime[size_t(i)] = new QLabel(this);
        picTime[size_t(i)]->setObjectName(QString("picTime(%1)").arg(i));
        picTime[size_t(i)]->setFrameShape(QFrame::Panel);
        picTime[size_t(i)]->setFrameShadow(QFrame::Sunken);
        picTime[size_t(i)]->setFixedWidth(fontMetrics().horizontalAdvance("00:00:00") + 12);
        picTime[size_t(i)]->setFixedHeight(cmdPlay->sizeHint().height());
        picTime[size_t(i)]->setAlignment(Qt::AlignCenter);
        position->addWidget(picTime[size_t(i)]);
    }
    picTime[0]->setToolTip(tr("Running clock"));
    picTime[1]->setToolTip(tr("Song position"));
    picTime[2]->setToolTip(tr("Song length"));
    // The running clock is a diagnostic display.
    picTime[0]->setVisible(vediTu);

    cmdSaveKey = new QPushButton(tr("Save key and tempo"), this);
    cmdSaveKey->setObjectName("cmdSaveKey");
    cmdSaveKey->setToolTip(tr("The song starts with this transposition and tempo change next time it is "
                              "chosen from the library"));
    cmdSaveKey->setEnabled(false);
    auto* keep = new QHBoxLayout;
    keep->addWidget(cmdSaveKey);
    keep->addStretch(1);

    auto* transport = new QVBoxLayout;
    transport->addLayout(buttons);
    transport->addLayout(position);
    transport->addLayout(keep);
    transport->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(transport, 5);
    buildQueueList(layout);

    connect(cmdPlay, &QPushButton::clicked, this, &frmPlay::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmPlay::cmdPause_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmPlay::cmdStop_Click);
    connect(cmdInizio, &QPushButton::clicked, this, &frmPlay::cmdInizio_Click);
    connect(cmdRewind, &QPushButton::clicked, this, &frmPlay::cmdRewind_Click);
    connect(cmdForward, &QPushButton::clicked, this, &frmPlay::cmdForward_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmPlay::cmdInfo_Click);
    connect(cmdSaveKey, &QPushButton::clicked, this, &frmPlay::saveKeyAndTempoRequested);
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
    showButtons(player_.state().buttons);
}

frmPlay::~frmPlay()
{
    player_.playQueue().setChanged(nullptr);
    player_.hub().attachPlayer(nullptr);
}

void frmPlay::buildQueueList(QLayout* beside)
{
    lstQueue = new QListWidget(this);
    lstQueue->setObjectName("lstQueue");
    lstQueue->setToolTip(tr("Play queue: the songs that follow"));
    // Small: the window's height is the transport's.
    lstQueue->setMinimumHeight(fontMetrics().height() * 2 + 8);
    // Narrow beside the transport: long names are cut short, the tooltip has the whole path.
    lstQueue->setMinimumWidth(fontMetrics().horizontalAdvance("MMMMMMM"));
    lstQueue->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstQueue->setTextElideMode(Qt::ElideRight);
    auto* side = new QVBoxLayout;
    side->setSpacing(2);
    auto button = [&](QPushButton*& b, const char* name, const QString& caption, const QString& tip) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setFixedWidth(fontMetrics().horizontalAdvance(caption) + 16);
        side->addWidget(b);
    };
    button(cmdQueueUp, "cmdQueueUp", QString::fromUtf8("\u25B2"), tr("Move up"));
    button(cmdQueueDown, "cmdQueueDown", QString::fromUtf8("\u25BC"), tr("Move down"));
    button(cmdQueueRemove, "cmdQueueRemove", QString::fromUtf8("\u2715"), tr("Remove from the queue"));
    side->addStretch(1);
    auto* box = new QHBoxLayout;
    box->setSpacing(2);
    box->addWidget(lstQueue, 1);
    box->addLayout(side);
    static_cast<QBoxLayout*>(beside)->addLayout(box, 2);
    lstQueue->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    connect(cmdQueueUp, &QPushButton::clicked, this, &frmPlay::cmdQueueUp_Click);
    connect(cmdQueueDown, &QPushButton::clicked, this, &frmPlay::cmdQueueDown_Click);
    connect(cmdQueueRemove, &QPushButton::clicked, this, &frmPlay::cmdQueueRemove_Click);
    connect(lstQueue, &QListWidget::currentRowChanged, this, [this] { showQueue(); });
    player_.playQueue().setChanged([this] { showQueue(); });
    showQueue();
}

void frmPlay::showQueue()
{
    const PlayQueue& queue = player_.playQueue();
    const QStringList& songs = queue.songs();
    const int row = lstQueue->currentRow();
    if (lstQueue->count() != songs.size() || [&] {
            for (int i = 0; i < songs.size(); ++i)
                if (lstQueue->item(i)->data(Qt::UserRole).toULongLong() != queue.idAt(i)) return true;
            return false;
        }()) {
        const QSignalBlocker block(lstQueue);
        lstQueue->clear();
        for (int i = 0; i < songs.size(); ++i) {
            // Whose turn it is comes first when somebody asked for the song: a narrow list cuts the end.
            const QString singer = queue.singerAt(i), name = QFileInfo(songs[i]).completeBaseName();
            auto* item = new QListWidgetItem(singer.isEmpty() ? name : singer + ": " + name, lstQueue);
            item->setData(Qt::UserRole, queue.idAt(i));
            item->setToolTip(songs[i]);
        }
        lstQueue->setCurrentRow(std::min(row, int(songs.size()) - 1));
    }
    const int cur = lstQueue->currentRow();
    cmdQueueUp->setEnabled(cur > 0);
    cmdQueueDown->setEnabled(cur >= 0 && cur < songs.size() - 1);
    cmdQueueRemove->setEnabled(cur >= 0);
}

void frmPlay::cmdQueueUp_Click()
{
    const int row = lstQueue->currentRow();
    if (!player_.playQueue().moveUp(row)) return;
    lstQueue->setCurrentRow(row - 1);
}

void frmPlay::cmdQueueDown_Click()
{
    const int row = lstQueue->currentRow();
    if (!player_.playQueue().moveDown(row)) return;
    lstQueue->setCurrentRow(row + 1);
}

void frmPlay::cmdQueueRemove_Click() { player_.playQueue().remove(lstQueue->currentRow()); }

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
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls()) files << url.toLocalFile();
    e->acceptProposedAction();
    dropSongs(files);
}

void frmPlay::dropSongs(const QStringList& files) { player_.dropSongs(files); }

void frmPlay::setWarnColor(int paletteIndex)
{
    QPalette p = lblWarn->palette();
    p.setColor(QPalette::Window, paletteColor(paletteIndex));
    lblWarn->setPalette(p);
}

void frmPlay::setWarnEnabled(bool enabled) { lblWarn->setEnabled(enabled); }

void frmPlay::setPositionSlider(int min, int max, int value, int largeChange)
{
    // The player moves it: nothing seeks.
    const QSignalBlocker quiet(sliOut);
    sliOut->setRange(min, max);
    sliOut->setValue(value);
    sliOut->setPageStep(largeChange);
}

void frmPlay::showSongLength(const QString& text) { picTime[2]->setText(text); }

void frmPlay::showButtons(const TransportButtons& b)
{
    cmdPlay->setEnabled(b.Play);
    cmdPause->setEnabled(b.Pause);
    cmdStop->setEnabled(b.Stop);
    for (QWidget* w : {static_cast<QWidget*>(cmdInizio), static_cast<QWidget*>(cmdRewind),
                       static_cast<QWidget*>(cmdForward), static_cast<QWidget*>(sliOut)})
        w->setEnabled(b.Seek);
    cmdSaveKey->setEnabled(!player_.state().SongFile.isEmpty());
}

void frmPlay::setSongCaption(const QString& text) { setWindowTitle(text); }

void frmPlay::showClock(const QString& text) { picTime[0]->setText(text); }

void frmPlay::showPosition(const QString& text) { picTime[1]->setText(text); }

void frmPlay::setPositionValue(int percent)
{
    const QSignalBlocker quiet(sliOut);
    sliOut->setValue(percent);
}

} // namespace lirmus
