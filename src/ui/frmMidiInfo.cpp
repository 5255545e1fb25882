#include "frmMidiInfo.h"

#include "Jobs.h"
#include "MidiInfoText.h"
#include "SongState.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTextCursor>

namespace lirmus {
namespace {

QPlainTextEdit* textBox(QWidget* parent, const char* name)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    return box;
}

} // namespace

frmMidiInfo::frmMidiInfo(const SongState& song, QWidget* parent) : QWidget(parent, Qt::Window), song_(song)
{
    setObjectName("frmMidiInfo");
    setWindowTitle("Midi Info");
    setAttribute(Qt::WA_DeleteOnClose);

    txtInfo = textBox(this, "txtInfo");
    txtLyrics = textBox(this, "txtLyrics");
    txtChords = textBox(this, "txtChords");
    auto* grid = new QGridLayout(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = lblSummary->font();
    bold.setBold(true);
    lblSummary->setFont(bold);
    grid->addWidget(lblSummary, 0, 0, 1, 2);
    grid->addWidget(new QLabel("Midi File info", this), 1, 0, 1, 2);
    grid->addWidget(txtInfo, 2, 0, 1, 2);
    grid->addWidget(new QLabel("Lyric", this), 3, 0);
    grid->addWidget(new QLabel("Chords", this), 3, 1);
    grid->addWidget(txtLyrics, 4, 0);
    grid->addWidget(txtChords, 4, 1);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(4, 3);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);

    // A few hundred lines per slice: a song of thousands of syllables fills in
    // moments and an Esc is still seen between two slices.
    fill_ = new SlicedJob(this);
    fill_->unitsPerSlice = 200;
    fill_->sliceMillis = 10;
    fill_->step = [this] { return addLine(); };
    connect(fill_, &SlicedJob::finished, this, &frmMidiInfo::fillFinished);

    resize(640, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y());
    }
}

bool frmMidiInfo::filling() const { return fill_->isRunning(); }

bool frmMidiInfo::addLine()
{
    while (box_ < pending_.size() && line_ >= pending_[box_].lines.size()) {
        ++box_;
        line_ = 0;
    }
    if (box_ >= pending_.size()) return false;
    const Pending& p = pending_[box_];
    QTextCursor end(p.box->document());
    end.movePosition(QTextCursor::End);
    end.insertText(line_ == 0 ? p.lines[line_] : "\n" + p.lines[line_]);
    ++line_;
    return true;
}

void frmMidiInfo::Form_Activate()
{
    // Activations while we fill do not start again.
    if (filling()) return;
    stop_ = false;
    txtInfo->clear();
    txtLyrics->clear();
    txtChords->clear();
    lblSummary->setText(midiInfoSummary(song_));
    QString info = song_.SongText;
    txtInfo->setPlainText(info.replace("\r\n", "\n"));
    pending_ = {{txtChords, midiInfoChordLines(song_)}, {txtLyrics, midiInfoLyricLines(song_)}};
    box_ = 0;
    line_ = 0;
    fill_->start(true);
}

void frmMidiInfo::fillFinished(bool cancelled)
{
    pending_.clear();
    if (!cancelled && !txtLyrics->document()->isEmpty()) txtLyrics->setFocus();
}

void frmMidiInfo::Form_KeyDown(int key)
{
    if (key != Qt::Key_Escape) return;
    stop_ = true;
    fill_->cancel();
    close();
}

void frmMidiInfo::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) Form_KeyDown(e->key());
    else QWidget::keyPressEvent(e);
}

void frmMidiInfo::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) Form_Activate();
    else if (isVisible()) close(); // it shows the song only while the user looks at it
}

frmMidiInfo* showMidiInfo(const SongState& song, QWidget* parent)
{
    auto* window = parent ? parent->findChild<frmMidiInfo*>("frmMidiInfo", Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) window = new frmMidiInfo(song, parent);
    const bool wasActive = window->isActiveWindow();
    window->show();
    window->raise();
    window->activateWindow();
    // Already active (asked again from its own keyboard focus), or on a platform
    // that does not activate it: no activation comes, so fill it here.
    if (wasActive || !window->isActiveWindow()) window->Form_Activate();
    return window;
}

} // namespace lirmus
