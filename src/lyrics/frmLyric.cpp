#include "frmLyric.h"

#include "Palette.h"
#include "Settings.h"
#include "Twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QVBoxLayout>

namespace lirmus {

frmLyric::frmLyric(const Settings& settings, QWidget* parent) : QWidget(parent), settings_(settings)
{
    setObjectName("frmLyric");
    setWindowTitle("Lyric");

    lblTitolo = new QLabel(this);
    lblTitolo->setObjectName("lblTitolo");
    lblMarker = new QLabel(this);
    lblMarker->setObjectName("lblMarker");
    lblNextLyric = new QLabel("Next Lyric", this);
    lblNextLyric->setObjectName("lblNextLyric");

    picLyr = new QWidget(this);
    picLyr->setObjectName("picLyr");
    picLyr->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(lblTitolo);
    layout->addWidget(picLyr, 1);
    layout->addWidget(lblMarker);
    layout->addWidget(lblNextLyric);
    PreparaAltezza();
}

void frmLyric::setNextLyricCaption(const QString& text) { lblNextLyric->setText(text); }
void frmLyric::setMarkerCaption(const QString& text) { lblMarker->setText(text); }
void frmLyric::setTitleCaption(const QString& text) { lblTitolo->setText(text); }
void frmLyric::setTurboCaption(const QString& text) { turbo_ = text; }

void frmLyric::PreparaAltezza()
{
    QFont font(QString::fromStdString(settings_.KaraokeFont), settings_.KaraokeFontSize);
    picLyr->setFont(font);
    QPalette pal = picLyr->palette();
    pal.setColor(QPalette::Window, fromRgbLong(settings_.KaraokeBackColor));
    picLyr->setPalette(pal);

    const int rowHeight = twips(QFontMetrics(font).height());
    const int picLyrHeight = settings_.KaraokeRows * rowHeight + 60;
    picLyr->setMinimumHeight(px(picLyrHeight));
    LyricWindowHeight_ = picLyrHeight + 1020;
}

void frmLyric::PreparaPicLyric()
{
    PreparaAltezza();
    picLyr->update();
}

} // namespace lirmus
