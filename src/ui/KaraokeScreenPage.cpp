#include "KaraokeScreenPage.h"

#include "Palette.h"
#include "SettingsService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace lirmus {
namespace {

const char* const kBackgrounds[] = {"Colour", "Gradient", "Pictures"};

void showColour(QPushButton* b, RgbLong c)
{
    const QColor colour = fromRgbLong(c);
    b->setStyleSheet(QString("background-color: %1; color: %2;")
                         .arg(colour.name(), colour.lightness() > 110 ? "black" : "white"));
}

} // namespace

KaraokeScreenPage::KaraokeScreenPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("picKaraokeScreen");
    cboBackground = new QComboBox(this);
    cboBackground->setObjectName("cboBackground");
    cboBackground->addItems({"The karaoke back colour", "A gradient", "A picture for each song"});
    cmdGradientTop = colourButton("Top", &top_);
    cmdGradientTop->setObjectName("cmdGradientTop");
    cmdGradientBottom = colourButton("Bottom", &bottom_);
    cmdGradientBottom->setObjectName("cmdGradientBottom");
    txtPictureFolder = new QLineEdit(this);
    txtPictureFolder->setObjectName("txtPictureFolder");
    txtPictureFolder->setPlaceholderText("A folder of pictures");
    cmdPictureFolder = new QPushButton("Choose...", this);
    cmdPictureFolder->setObjectName("cmdPictureFolder");
    connect(cmdPictureFolder, &QPushButton::clicked, this, [this] {
        if (!chooseFolder) return;
        const QString folder = chooseFolder(txtPictureFolder->text());
        if (!folder.isEmpty()) txtPictureFolder->setText(folder);
    });
    cmdTextColor = colourButton("Words", &text_);
    cmdTextColor->setObjectName("cmdTextColor");
    cmdSungColor = colourButton("Words sung", &sung_);
    cmdSungColor->setObjectName("cmdSungColor");
    cmdOutlineColor = colourButton("Outline", &outline_);
    cmdOutlineColor->setObjectName("cmdOutlineColor");
    chkOutline = new QCheckBox("Outline and shadow around the words", this);
    chkOutline->setObjectName("chkOutline");
    chkCountIn = new QCheckBox("Count singers in before the first line and after long pauses", this);
    chkCountIn->setObjectName("chkCountIn");
    spnCardSeconds = new QSpinBox(this);
    spnCardSeconds->setObjectName("spnCardSeconds");
    spnCardSeconds->setRange(0, 60);
    spnCardSeconds->setSuffix(" s");
    connect(cboBackground, &QComboBox::currentIndexChanged, this, &KaraokeScreenPage::followBackground);

    auto* gradient = new QHBoxLayout;
    gradient->addWidget(cmdGradientTop);
    gradient->addWidget(cmdGradientBottom);
    gradient->addStretch(1);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(txtPictureFolder, 1);
    pictures->addWidget(cmdPictureFolder);
    auto* colours = new QHBoxLayout;
    for (QPushButton* b : {cmdTextColor, cmdSungColor, cmdOutlineColor}) colours->addWidget(b);
    colours->addStretch(1);
    auto* form = new QFormLayout(this);
    form->addRow("Background:", cboBackground);
    form->addRow("Gradient:", gradient);
    form->addRow("Pictures:", pictures);
    form->addRow("Colours:", colours);
    form->addRow(QString(), chkOutline);
    form->addRow(QString(), chkCountIn);
    auto* card = new QLabel("Title card between songs without AutoStart:", this);
    card->setWordWrap(true);
    form->addRow(card, spnCardSeconds);
}

QPushButton* KaraokeScreenPage::colourButton(const QString& text, RgbLong* colour)
{
    auto* b = new QPushButton(text, this);
    connect(b, &QPushButton::clicked, this, [this, colour, text] {
        if (!chooseColor) return;
        const QColor c = chooseColor(fromRgbLong(*colour), text);
        if (!c.isValid()) return;
        *colour = rgbLong(c.red(), c.green(), c.blue());
        showColours();
    });
    return b;
}

void KaraokeScreenPage::showColours()
{
    showColour(cmdGradientTop, top_);
    showColour(cmdGradientBottom, bottom_);
    showColour(cmdTextColor, text_);
    showColour(cmdSungColor, sung_);
    showColour(cmdOutlineColor, outline_);
}

void KaraokeScreenPage::followBackground()
{
    const int kind = cboBackground->currentIndex();
    cmdGradientTop->setEnabled(kind != 0);
    cmdGradientBottom->setEnabled(kind != 0); // behind a picture that cannot be shown too
    txtPictureFolder->setEnabled(kind == 2);
    cmdPictureFolder->setEnabled(kind == 2);
}

void KaraokeScreenPage::load(const Settings& s)
{
    top_ = s.ScreenGradientTop;
    bottom_ = s.ScreenGradientBottom;
    text_ = s.ScreenTextColor;
    sung_ = s.ScreenSungColor;
    outline_ = s.ScreenOutlineColor;
    cboBackground->setCurrentIndex(int(s.ScreenBackground));
    txtPictureFolder->setText(QString::fromStdString(s.ScreenPictureFolder));
    chkOutline->setChecked(s.ScreenOutline);
    chkCountIn->setChecked(s.ScreenCountIn);
    spnCardSeconds->setValue(s.ScreenCardSeconds);
    showColours();
    followBackground();
}

bool KaraokeScreenPage::store(SettingsService& ini, Settings& s) const
{
    bool changed = false;
    // Only what changed is written: the file keeps the keys nobody touched.
    const auto colour = [&](const char* key, RgbLong now, RgbLong was) {
        if (now != was) changed |= storeOptionInt(ini, s, key, now);
    };
    const int back = cboBackground->currentIndex();
    if (back != int(s.ScreenBackground)) changed |= storeOptionString(ini, s, "Background", kBackgrounds[back]);
    colour("GradientTop", top_, s.ScreenGradientTop);
    colour("GradientBottom", bottom_, s.ScreenGradientBottom);
    colour("TextColor", text_, s.ScreenTextColor);
    colour("SungColor", sung_, s.ScreenSungColor);
    colour("OutlineColor", outline_, s.ScreenOutlineColor);
    const std::string folder = txtPictureFolder->text().trimmed().toStdString();
    if (folder != s.ScreenPictureFolder) changed |= storeOptionString(ini, s, "PictureFolder", folder);
    if (chkOutline->isChecked() != s.ScreenOutline) changed |= storeOptionBool(ini, s, "Outline", chkOutline->isChecked());
    if (chkCountIn->isChecked() != s.ScreenCountIn) changed |= storeOptionBool(ini, s, "CountIn", chkCountIn->isChecked());
    if (spnCardSeconds->value() != s.ScreenCardSeconds)
        changed |= storeOptionInt(ini, s, "CardSeconds", spnCardSeconds->value());
    return changed;
}

} // namespace lirmus
