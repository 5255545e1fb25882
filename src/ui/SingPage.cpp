#include "SingPage.h"

#include "Microphone.h"
#include "NoteNames.h"
#include "SettingsService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace lirmus {

int meterPercent(float levelDb) { return std::clamp(int(std::lround((levelDb + 60.0f) * 100.0f / 60.0f)), 0, 100); }

SingPage::SingPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("picSing");
    cboMicrophone = new QComboBox(this);
    cboMicrophone->setObjectName("cboMicrophone");
    pgrLevel = new QProgressBar(this);
    pgrLevel->setObjectName("pgrLevel");
    pgrLevel->setRange(0, 100);
    pgrLevel->setTextVisible(false);
    lblHeard = new QLabel(this);
    lblHeard->setObjectName("lblHeard");
    chkPitchGuide = new QCheckBox("Show the pitch guide and score singers on the karaoke screen", this);
    chkPitchGuide->setObjectName("chkPitchGuide");
    chkLyricsGuide = new QCheckBox("Show the pitch guide in the lyrics window too", this);
    chkLyricsGuide->setObjectName("chkLyricsGuide");
    chkRecordVoice = new QCheckBox("Mix the microphone into the recording of the audio file", this);
    chkRecordVoice->setObjectName("chkRecordVoice");
    chkRecordVoice->setToolTip("The takes written to the audio file ([LOAD] AudioFile) hold the singer's "
                               "voice with the song, where it was sung.");
    auto* form = new QFormLayout(this);
    form->addRow("Microphone:", cboMicrophone);
    form->addRow("Level:", pgrLevel);
    form->addRow("Heard:", lblHeard);
    form->addRow(QString(), chkPitchGuide);
    form->addRow(QString(), chkLyricsGuide);
    form->addRow(QString(), chkRecordVoice);
    // The lyrics window's guide is the karaoke screen's guide shown there as well.
    connect(chkPitchGuide, &QCheckBox::toggled, chkLyricsGuide, &QWidget::setEnabled);
    connect(cboMicrophone, &QComboBox::currentIndexChanged, this, [this] {
        if (mic_) listen(true);
    });
}

SingPage::~SingPage() = default;

void SingPage::load(const Settings& s)
{
    const QSignalBlocker block(cboMicrophone);
    cboMicrophone->clear();
    cboMicrophone->addItem(kDefaultInput);
    cboMicrophone->addItems(Microphone::deviceNames());
    const QString chosen = QString::fromStdString(s.Microphone);
    if (!chosen.isEmpty()) {
        // A device not plugged in now stays chosen.
        if (cboMicrophone->findText(chosen) < 0) cboMicrophone->addItem(chosen);
        cboMicrophone->setCurrentIndex(cboMicrophone->findText(chosen));
    }
    chkPitchGuide->setChecked(s.PitchGuide);
    chkLyricsGuide->setChecked(s.LyricsGuide);
    chkLyricsGuide->setEnabled(s.PitchGuide);
    chkRecordVoice->setChecked(s.RecordVoice);
}

QString SingPage::chosenDevice() const
{
    return cboMicrophone->currentIndex() <= 0 ? QString() : cboMicrophone->currentText();
}

bool SingPage::store(SettingsService& ini, Settings& s) const
{
    bool changed = false;
    const std::string device = chosenDevice().toStdString();
    if (device != s.Microphone) changed |= storeOptionString(ini, s, "Microphone", device);
    if (chkPitchGuide->isChecked() != s.PitchGuide) changed |= storeOptionBool(ini, s, "PitchGuide", chkPitchGuide->isChecked());
    if (chkLyricsGuide->isChecked() != s.LyricsGuide)
        changed |= storeOptionBool(ini, s, "LyricsGuide", chkLyricsGuide->isChecked());
    if (chkRecordVoice->isChecked() != s.RecordVoice)
        changed |= storeOptionBool(ini, s, "RecordVoice", chkRecordVoice->isChecked());
    return changed;
}

void SingPage::listen(bool on)
{
    mic_.reset();
    pgrLevel->setValue(0);
    if (!on) return;
    mic_ = std::make_unique<Microphone>();
    if (!mic_->start(chosenDevice())) {
        lblHeard->setText(mic_->error());
        return;
    }
    lblHeard->setText("-");
    connect(mic_.get(), &Microphone::frames, this, [this](const QVector<LiveFrame>& frames) {
        pgrLevel->setValue(meterPercent(mic_->levelDb()));
        const float midi = frames.back().pitch.midi;
        if (midi > 0) {
            const int key = int(std::lround(midi));
            const std::string_view name = kNoteNames[size_t(key % 12)].substr(0, 2);
            lblHeard->setText(QString::fromLatin1(name.data(), 2).trimmed() + QString::number(key / 12 - 1));
        }
    });
    connect(mic_.get(), &Microphone::failed, this, [this](const QString& why) { lblHeard->setText(why); });
}

void SingPage::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    listen(true);
}

void SingPage::hideEvent(QHideEvent* e)
{
    listen(false);
    QWidget::hideEvent(e);
}

} // namespace lirmus
