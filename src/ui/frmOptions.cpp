#include "frmOptions.h"

#include "KaraokeScreenPage.h"
#include "SingPage.h"
#include "OptionsLogic.h"
#include "Palette.h"
#include "Player.h"
#include "SettingsService.h"
#include "TextEncoding.h"

#include <algorithm>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lirmus {
namespace {

constexpr const char* kSampleText = "Lirmus - Midi Karaoke player";
constexpr const char* kSampleSung = "Lirmus - Midi Kara";

/// The sample line: the whole text in the foreground colour, its sung start over it in the played colour.
class KaraokeSample : public QWidget {
public:
    explicit KaraokeSample(QWidget* parent) : QWidget(parent) {}
    QColor back, fore, played;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), back);
        // The chosen size, made smaller where the box is too small for it: never cut.
        QFont f = font();
        const QFontMetricsF wanted(f);
        const double scale = std::min({1.0, (width() - 2) / wanted.horizontalAdvance(kSampleText),
                                       height() / wanted.height()});
        if (scale < 1.0) f.setPointSizeF(std::max(1.0, f.pointSizeF() * scale));
        p.setFont(f);
        const QFontMetricsF m(f);
        const double baseline = (height() - m.height()) / 2 + m.ascent();
        p.setPen(fore);
        p.drawText(QPointF(0, baseline), kSampleText);
        p.setPen(played);
        p.drawText(QPointF(0, baseline), kSampleSung);
    }
};

QColor toColor(RgbLong c) { return fromRgbLong(c); }
RgbLong toRgbLong(const QColor& c) { return rgbLong(c.red(), c.green(), c.blue()); }

QScrollBar* scrollBar(QWidget* parent, const char* name, int min, int max, int step)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(min, max);
    bar->setSingleStep(step);
    bar->setPageStep(step);
    bar->setMinimumWidth(160);
    return bar;
}

QLabel* valueLabel(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setMinimumWidth(QFontMetrics(l->font()).horizontalAdvance("+100") + 6);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

void setValueAlwaysChanging(QScrollBar* bar, int value)
{
    // Passing through max + 1 guarantees a change, so the label is always set.
    bar->setMaximum(bar->maximum() + 1);
    bar->setValue(bar->maximum());
    bar->setValue(value);
    bar->setMaximum(bar->maximum() - 1);
}

frmOptions::frmOptions(Settings& settings, SettingsService& ini, Player& player, QWidget* parent)
    : QDialog(parent), settings_(settings), ini_(ini), player_(player)
{
    setObjectName("frmOptions");
    setWindowTitle("Opzioni");
    chooseColor = [this](const QColor& initial, const QString& title) {
        return QColorDialog::getColor(initial, this, title);
    };
    chooseSoundFontFile = [this](const QString& folder) {
        return QFileDialog::getOpenFileName(this, "Choose SoundFont...", folder, "SoundFonts (*.sf2 *.sf3)");
    };
    showMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    tbsOptions = new QTabWidget(this);
    tbsOptions->setObjectName("tbsOptions");
    const struct {
        const char* caption;
        const char* key;
        const char* tip;
    } tabs[5] = {{"Player", "Player", "Player parameters"},
                 {"Midi Output", "MidiOut", "Midi output parameters"},
                 {"Karaoke", "Karaoke", "Karaoke parameters"},
                 {"Karaoke Screen", "KaraokeScreen", "The look of the full-screen karaoke screen"},
                 {"Sing", "Sing", "The singer's microphone, the pitch guide and the score"}};
    screenPage = new KaraokeScreenPage(this);
    screenPage->chooseColor = [this](const QColor& c, const QString& title) { return chooseColor(c, title); };
    screenPage->chooseFolder = [this](const QString& folder) {
        return QFileDialog::getExistingDirectory(this, "Pictures for the karaoke screen", folder);
    };
    singPage = new SingPage(this);
    picOptions = {makePlayerPage(), makeMidiOutPage(), makeKaraokePage(), screenPage, singPage};
    for (int i = 0; i < 5; ++i) {
        picOptions[size_t(i)]->setObjectName(QString("picOptions(%1)").arg(i));
        tbsOptions->addTab(picOptions[size_t(i)], tabs[i].caption);
        tbsOptions->tabBar()->setTabData(i, QString(tabs[i].key));
        tbsOptions->setTabToolTip(i, tabs[i].tip);
    }
    connect(tbsOptions, &QTabWidget::currentChanged, this, &frmOptions::tbsOptions_Click);

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdApply = new QPushButton("Apply", this);
    cmdApply->setObjectName("cmdApply");
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {cmdOK, cmdCancel, cmdApply}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsOptions, 1);
    layout->addLayout(buttons);

    // Ctrl+Tab reaches the dialog whichever control has the focus.
    auto* nextPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextPage, &QShortcut::activated, this, [this] { Form_KeyDown(Qt::Key_Tab, Qt::ControlModifier); });

    Form_Load();
}

QWidget* frmOptions::makePlayerPage()
{
    auto* page = new QWidget;
    auto* frame = new QGroupBox("Player", page);
    chkAutoStart = new QCheckBox("AutoStart", frame);
    chkAutoStart->setObjectName("chkAutoStart");
    chkTurboStart = new QCheckBox("Turbo Start", frame);
    chkTurboStart->setObjectName("chkTurboStart");
    chkItalian = new QCheckBox("Italian Notation", frame);
    chkItalian->setObjectName("chkItalian");
    auto* inner = new QVBoxLayout(frame);
    for (QCheckBox* c : {chkAutoStart, chkTurboStart, chkItalian}) inner->addWidget(c);
    inner->addStretch(1);
    auto* outer = new QVBoxLayout(page);
    outer->addWidget(frame);
    return page;
}

QWidget* frmOptions::makeMidiOutPage()
{
    auto* page = new QWidget;
    auto* frame = new QGroupBox("Midi Output", page);
    auto* grid = new QGridLayout(frame);

    OutputDevCombo = new QComboBox(frame);
    OutputDevCombo->setObjectName("OutputDevCombo");
    OutputDevCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    OutputDevCombo->setMinimumContentsLength(30);
    // Never chosen: nothing is selected and the player uses the mapper.
    OutputDevCombo->setPlaceholderText("(not chosen: the mapper plays)");
    grid->addWidget(new QLabel("Output Device", frame), 0, 0);
    grid->addWidget(OutputDevCombo, 0, 1, 1, 2);
    chkMCI = new QCheckBox("External MCI Player", frame);
    chkMCI->setObjectName("chkMCI");
    grid->addWidget(chkMCI, 1, 0, 1, 3);

    HSMelody = scrollBar(frame, "HSMelody", 1, 16, 1);
    HSSolo = scrollBar(frame, "HSSolo", 0, 64, 5);
    HSTempo = scrollBar(frame, "HSTempo", -100, 100, 1);
    HSKey = scrollBar(frame, "HSKey", -12, 12, 1);
    HSTempo->setPageStep(10);
    HSKey->setPageStep(2);
    lblChMelody = valueLabel(frame, "lblChMelody");
    lblSoloVal = valueLabel(frame, "lblSoloVal");
    lblTempo = valueLabel(frame, "lblTempo");
    lblKey = valueLabel(frame, "lblKey");
    const struct {
        const char* caption;
        QScrollBar* bar;
        QLabel* value;
    } rows[4] = {{"Melody Channel (Norm. 04)", HSMelody, lblChMelody},
                 {"'Solo' Out Chan level (0/64)", HSSolo, lblSoloVal},
                 {"Tempo Rate change", HSTempo, lblTempo},
                 {"Key change (Flat/Sharp)", HSKey, lblKey}};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(rows[i].caption, frame), 2 + i, 0);
        grid->addWidget(rows[i].bar, 2 + i, 1);
        grid->addWidget(rows[i].value, 2 + i, 2);
    }
    chkMelodyAuto = new QCheckBox("Auto", frame);
    chkMelodyAuto->setObjectName("chkMelodyAuto");
    chkMelodyAuto->setToolTip("The Melody button silences the channel that plays along with the lyrics");
    grid->addWidget(chkMelodyAuto, 2, 3);
    connect(HSMelody, &QScrollBar::valueChanged, this, &frmOptions::HSMelody_Change);
    connect(HSSolo, &QScrollBar::valueChanged, this, &frmOptions::HSSolo_Change);
    connect(HSTempo, &QScrollBar::valueChanged, this, &frmOptions::HSTempo_Change);
    connect(HSKey, &QScrollBar::valueChanged, this, &frmOptions::HSKey_Change);

    // The built-in synthesizer's instruments.
    cmdSoundFont = new QPushButton("SoundFont...", frame);
    cmdSoundFont->setObjectName("cmdSoundFont");
    cmdSoundFont->setToolTip("Choose the SoundFont of the built-in synthesizer");
    lblSoundFont = new QLabel(frame);
    lblSoundFont->setObjectName("lblSoundFont");
    lblSoundFont->setMinimumWidth(1);
    grid->addWidget(cmdSoundFont, 6, 0);
    grid->addWidget(lblSoundFont, 6, 1, 1, 2);
    connect(cmdSoundFont, &QPushButton::clicked, this, &frmOptions::cmdSoundFont_Click);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);
    auto* outer = new QVBoxLayout(page);
    outer->addWidget(frame);
    return page;
}

QWidget* frmOptions::makeKaraokePage()
{
    auto* page = new QWidget;
    chkFLyr = new QCheckBox("Try to filter when many lyrics", page);
    chkFLyr->setObjectName("chkFLyr");

    auto* display = new QGroupBox("Karaoke display", page);
    chkCent = new QCheckBox("Centered", display);
    chkCent->setObjectName("chkCent");
    auto* displayLayout = new QVBoxLayout(display);
    displayLayout->addWidget(chkCent);
    displayLayout->addStretch(1);
    connect(chkCent, &QCheckBox::clicked, this, &frmOptions::chkCent_Click);

    // A group of three option buttons; a click runs handler(index).
    auto options = [this, page](const char* title, const char* name, const char* const captions[3],
                                std::array<QRadioButton*, 3>& buttons, void (frmOptions::*handler)(int)) {
        auto* frame = new QGroupBox(title, page);
        auto* layout = new QVBoxLayout(frame);
        auto* group = new QButtonGroup(frame);
        for (int i = 0; i < 3; ++i) {
            buttons[size_t(i)] = new QRadioButton(captions[i], frame);
            buttons[size_t(i)]->setObjectName(QString("%1(%2)").arg(name).arg(i));
            group->addButton(buttons[size_t(i)], i);
            layout->addWidget(buttons[size_t(i)]);
        }
        connect(group, &QButtonGroup::idClicked, this, handler);
        return frame;
    };
    static const char* const sizes[3] = {"Small", "Medium", "Big"};
    static const char* const rowCounts[3] = {"2", "3", "4"};
    QGroupBox* sizeFrame = options("Characters Size", "optChar", sizes, optChar, &frmOptions::optChar_Click);
    QGroupBox* rowsFrame = options("Lyric Rows", "optRows", rowCounts, optRows, &frmOptions::optRows_Click);

    auto* sample = new KaraokeSample(page);
    sample->setObjectName("picKaraoke");
    picKaraoke = sample;

    auto* colours = new QVBoxLayout;
    static const char* const colourCaptions[3] = {"Background Color", "Foreground Color", "Played Color"};
    for (int i = 0; i < 3; ++i) {
        cmdKarColor[size_t(i)] = new QPushButton(colourCaptions[i], page);
        cmdKarColor[size_t(i)]->setObjectName(QString("cmdKarColor(%1)").arg(i));
        connect(cmdKarColor[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdKarColor_Click(i); });
        colours->addWidget(cmdKarColor[size_t(i)]);
    }
    colours->addStretch(1);
    lstKarFonts = new QListWidget(page);
    lstKarFonts->setObjectName("lstKarFonts");
    lstKarFonts->setMinimumHeight(90);
    connect(lstKarFonts, &QListWidget::currentTextChanged, this, &frmOptions::lstKarFonts_Click);

    auto* frames = new QHBoxLayout;
    frames->addWidget(display);
    frames->addWidget(sizeFrame);
    frames->addWidget(rowsFrame);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(colours);
    bottom->addWidget(lstKarFonts, 1);

    // Old files do not say which code page their lyrics were written in.
    auto* encodingRow = new QHBoxLayout;
    auto* encodingLabel = new QLabel("Lyrics encoding:", page);
    cboTextEncoding = new QComboBox(page);
    cboTextEncoding->setObjectName("cboTextEncoding");
    cboTextEncoding->setEditable(true);
    cboTextEncoding->setToolTip("\"auto\" detects the encoding of each song");
    encodingLabel->setBuddy(cboTextEncoding);
    encodingRow->addWidget(chkFLyr);
    encodingRow->addStretch(1);
    encodingRow->addWidget(encodingLabel);
    encodingRow->addWidget(cboTextEncoding);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(encodingRow);
    layout->addLayout(frames);
    layout->addWidget(picKaraoke);
    layout->addLayout(bottom, 1);
    return page;
}

void frmOptions::Form_Load()
{
    const Settings& s = settings_;
    lstKarFonts->clear();
    PendingFont = s.KaraokeFont;
    PendingBackColor = s.KaraokeBackColor;
    PendingForeColor = s.KaraokeForeColor;
    PendingPlayColor = s.KaraokePlayColor;
    PendingRows = s.KaraokeRows;
    PendingFontSize = s.KaraokeFontSize;
    PendingCentered = s.KaraokeCentered;
    chkCent->setChecked(s.KaraokeCentered);

    {
        // Filling and preselecting the list is not the user's choice of a font.
        const QSignalBlocker quiet(lstKarFonts);
        lstKarFonts->addItems(QFontDatabase::families());
        const auto found = lstKarFonts->findItems(QString::fromStdString(PendingFont), Qt::MatchExactly);
        if (!found.isEmpty()) lstKarFonts->setCurrentItem(found.front());
    }
    optRows[size_t(std::clamp(s.KaraokeRows - 2, 0, 2))]->setChecked(true);
    optChar[size_t(fontSizeOption(s.KaraokeFontSize))]->setChecked(true);
    ProvaKaraoke();

    chkItalian->setChecked(s.ItalianNotation);
    chkTurboStart->setChecked(s.TurboStart);
    chkAutoStart->setChecked(!s.AutoStart);
    setValueAlwaysChanging(HSTempo, s.TempoChange);
    setValueAlwaysChanging(HSKey, s.KeyChange);
    HSSolo->setValue(s.SoloLevel);
    HSSolo_Change();
    HSMelody->setValue(s.MelodyChannel + 1);
    HSMelody_Change();
    chkMelodyAuto->setChecked(s.MelodyAuto);
    chkMCI->setChecked(s.ExternalMCI);

    // A song under way keeps its device and its output path.
    const bool songUnderWay = player_.state().buttons.Seek;
    chkMCI->setEnabled(!songUnderWay);
    OutputDevCombo->setEnabled(!songUnderWay);
    cmdSoundFont->setEnabled(!songUnderWay);
    chkFLyr->setChecked(s.FilterLyrics);
    cboTextEncoding->clear();
    cboTextEncoding->addItem(QString::fromUtf8(smf::kAutoEncoding.data(), qsizetype(smf::kAutoEncoding.size())));
    for (const std::string& name : smf::offeredEncodings()) cboTextEncoding->addItem(QString::fromStdString(name));
    const QString encoding = QString::fromStdString(s.TextEncoding);
    const int known = cboTextEncoding->findText(encoding, Qt::MatchFixedString);
    if (known >= 0) cboTextEncoding->setCurrentIndex(known);
    else cboTextEncoding->setCurrentText(encoding);

    OutputDevCombo->clear();
    for (const std::string& entry : outputDeviceEntries(player_.output()))
        OutputDevCombo->addItem(QString::fromStdString(entry));
    bool missing = false;
    OutputDevCombo->setCurrentIndex(devicePositionToSelect(s.MIDIDEVICE, OutputDevCombo->count(), &missing));
    if (missing) player_.tellMissingDevice(s.MIDIDEVICE);
    showSoundFont();
    screenPage->load(s);
    singPage->load(s);
    tbsOptions_Click();

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
}

void frmOptions::ProvaKaraoke()
{
    auto* sample = static_cast<KaraokeSample*>(picKaraoke);
    // A font that is no longer installed is shown in the family the system puts in its place.
    const QFont font(QString::fromStdString(PendingFont), PendingFontSize);
    sample->setFont(font);
    // As tall as the biggest size offered, whatever the size: choosing one moves nothing.
    sample->setFixedHeight(QFontMetrics(QFont(font.family(), optionFontSize(2))).height());
    sample->fore = toColor(PendingForeColor);
    sample->back = toColor(PendingBackColor);
    sample->played = toColor(PendingPlayColor);
    sample->update();
}

void frmOptions::AggiornaProfile()
{
    Settings& s = settings_;
    storeOptionBool(ini_, s, "ItalianNotation", chkItalian->isChecked());
    storeOptionBool(ini_, s, "TurboStart", chkTurboStart->isChecked());
    // The stored flag means "wait for Play": the box shows its inverse.
    storeOptionBool(ini_, s, "AutoStart", !chkAutoStart->isChecked());
    storeOptionInt(ini_, s, "TempoChange", HSTempo->value());
    storeOptionInt(ini_, s, "KeyChange", HSKey->value());
    storeOptionInt(ini_, s, "SoloLevel", HSSolo->value());
    // Stored 1..16; the settings keep it 0-based.
    storeOptionInt(ini_, s, "MelodyChannel", HSMelody->value());
    // Written only when changed: the file keeps the keys the dialog has always written.
    if (chkMelodyAuto->isChecked() != s.MelodyAuto) storeOptionBool(ini_, s, "MelodyAuto", chkMelodyAuto->isChecked());
    storeOptionBool(ini_, s, "ExternalMCI", chkMCI->isChecked());
    storeOptionBool(ini_, s, "FilterLyrics", chkFLyr->isChecked());
    // Written only when changed: the file keeps the keys the dialog has always written.
    const QString encoding = cboTextEncoding->currentText().trimmed();
    if (encoding.compare(QString::fromStdString(s.TextEncoding), Qt::CaseInsensitive) != 0)
        storeOptionString(ini_, s, "TextEncoding", encoding.toStdString());

    const KaraokeLook look{PendingFont,     PendingBackColor, PendingForeColor, PendingPlayColor,
                           PendingRows,     PendingFontSize,  PendingCentered};
    const bool screenChanged = screenPage->store(ini_, s);
    singPage->store(ini_, s);
    if (storeKaraokeLook(ini_, s, look) || screenChanged) player_.lyrics().PreparaPicLyric();

    // The list's own state: its page is disabled while another page shows.
    if (OutputDevCombo->isEnabledTo(picOptions[1])) {
        storeOptionInt(ini_, s, "MIDIDEVICE", OutputDevCombo->currentIndex());
        player_.openOutput();
    }
    emit applied();
}

void frmOptions::cmdOK_Click()
{
    AggiornaProfile();
    accept();
}

void frmOptions::cmdApply_Click() { AggiornaProfile(); }

void frmOptions::cmdCancel_Click() { reject(); }

void frmOptions::tbsOptions_Click()
{
    // Only the page shown can take the focus or a key.
    const int shown = tbsOptions->currentIndex();
    for (int i = 0; i < tbsOptions->count(); ++i) tbsOptions->widget(i)->setEnabled(i == shown);
}

void frmOptions::Form_KeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (key != Qt::Key_Tab || shift != Qt::ControlModifier) return;
    tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % tbsOptions->count());
}

void frmOptions::cmdKarColor_Click(int index)
{
    RgbLong* pending[3] = {&PendingBackColor, &PendingForeColor, &PendingPlayColor};
    const QColor chosen =
        chooseColor(toColor(*pending[index]), "Choose " + cmdKarColor[size_t(index)]->text() + "...");
    if (chosen.isValid()) *pending[index] = toRgbLong(chosen);
    ProvaKaraoke();
}

void frmOptions::lstKarFonts_Click(const QString& font)
{
    if (font.isEmpty()) return;
    PendingFont = font.toStdString();
    ProvaKaraoke();
}

void frmOptions::optChar_Click(int index)
{
    PendingFontSize = optionFontSize(index);
    ProvaKaraoke();
}

void frmOptions::optRows_Click(int index) { PendingRows = index + 2; }

void frmOptions::chkCent_Click() { PendingCentered = chkCent->isChecked(); }

void frmOptions::HSMelody_Change() { lblChMelody->setText(QString("%1").arg(HSMelody->value(), 2, 10, QChar('0'))); }

void frmOptions::HSSolo_Change() { lblSoloVal->setText(QString::number(HSSolo->value())); }

void frmOptions::HSTempo_Change() { lblTempo->setText(QString::fromStdString(signedText(HSTempo->value()))); }

void frmOptions::HSKey_Change() { lblKey->setText(QString::fromStdString(signedText(HSKey->value()))); }

void frmOptions::showSoundFont()
{
    const QString current = QString::fromStdString(currentSoundFont(settings_));
    lblSoundFont->setText(current.isEmpty() ? "(no SoundFont found)" : QFileInfo(current).fileName());
    lblSoundFont->setToolTip(current);
}

void frmOptions::cmdSoundFont_Click()
{
    const QString current = QString::fromStdString(currentSoundFont(settings_));
    const QString file = chooseSoundFontFile(current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    if (file.isEmpty()) return;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string problem = soundFontProblem(file.toStdString());
    QApplication::restoreOverrideCursor();
    if (!problem.empty()) {
        showMessage(QString("The SoundFont \"%1\" cannot be used: %2. The built-in synthesizer keeps %3.")
                        .arg(QFileInfo(file).fileName(), QString::fromStdString(problem),
                             current.isEmpty() ? QString("its SoundFont") : "\"" + QFileInfo(current).fileName() + "\""));
        return;
    }

    storeOptionString(ini_, settings_, "SoundFont", file.toStdString());
    MIDIOutput& out = player_.output();
    out.setSoundFont(settings_.SoundFont);
    // The synthesizer takes its SoundFont when it opens: open it again now.
    if (out.stateCode() != OutputStateCode::Closed && out.DeviceID() <= 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        player_.openOutput();
        QApplication::restoreOverrideCursor();
    }
    showSoundFont();
}

} // namespace lirmus
