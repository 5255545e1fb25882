#pragma once
// Drawing the karaoke screen: its background, the rows with an outline and a
// shadow and their sung part up to any pixel, the count-in, the title and the
// card between songs. Text is drawn once into images (ahead of time where it
// can be), so a frame of the wipe only copies a sliver of two images.
#include "RowImages.h"
#include "ScreenLayout.h"
#include "SongCredits.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>

class QPainter;

namespace lirmus {

struct Settings;

/// What the card between songs shows.
struct TitleCard {
    SongCredits credits;
    QString singer;  ///< who asked for it ("" when nobody did)
    int place = 0;   ///< its place in the queue, 1-based; 0 when it is not queued
    int count = 0;   ///< songs in the queue
    QString partyAddress; ///< where guests request songs ("" when the party service is off)
    QImage partyQr;       ///< the QR code of partyAddress (null: none shown)
    int score = -1;  ///< the total of the song just sung, -1 = none
    int best = -1;   ///< the song's best score kept in the library, -1 = none
    bool ended = false; ///< the card of the song just sung (with its score), not of the next
    bool operator==(const TitleCard&) const = default;
};

class ScreenRender {
public:
    explicit ScreenRender(const Settings& settings);

    /// The screen's size: the bands follow, the background is drawn again.
    void setSize(const QSize& size);
    /// Makes room for the pitch guide under the title, or gives it back to the rows.
    void setGuide(bool on);
    bool guide() const { return guide_; }
    const QSize& size() const { return size_; }
    const ScreenGeometry& geometry() const { return geometry_; }
    /// The picture behind the text when the background is pictures ("" = none: the gradient).
    void setPicture(const QString& path);
    const QString& picture() const { return picture_; }
    /// The colours or the background in the settings changed: draw everything afresh.
    void lookChanged();

    /// The whole background, as large as the screen.
    const QImage& background() const;

    /// The rows' font (a page's size); RowHeight follows.
    void setRowFont(const QFont& font);
    const QFont& rowFont() const { return rowFont_; }
    int rowHeight() const { return rowHeight_; }
    /// Band of row 1..count among count rows (and pageRows text-page rows below them), centred in the rows band.
    QRect rowBand(int row, int count, int pageRows = 0) const;
    /// Where text starts in a band: centred.
    int textLeft(const QString& text, const QRect& band) const;
    /// Width of text in the rows' font.
    int textWidth(const QString& text) const;

    /// Row text in band, sung up to sungPx pixels from its left (0 none, textWidth all).
    void drawRow(QPainter& p, const QRect& band, const QString& text, int sungPx) const;
    /// Has text's images drawn ahead by the helper thread, so showing it later costs a copy;
    /// at the rows' font, or at pixels when given. Returns false when they are there or asked for.
    bool warm(const QString& text, int pixels = 0) const;
    /// Whether text's images are complete.
    bool isWarm(const QString& text) const;
    /// Forgets the images of every text but these (at any size).
    void keepOnly(const QStringList& texts) const;
    /// The count-in before the row text in band: beatsLeft dots, the first to go at the left.
    void drawCountIn(QPainter& p, const QRect& band, const QString& text, int beatsLeft) const;
    /// Where drawCountIn draws.
    QRect countInRect(const QRect& band, const QString& text) const;

    /// The song's title and artist in the title band.
    void drawTitle(QPainter& p, const SongCredits& credits) const;
    /// The card between songs, over the whole screen.
    void drawCard(QPainter& p, const TitleCard& card) const;

    QColor textColor() const;
    QColor sungColor() const;
    QColor outlineColor() const;

private:
    struct Entry {
        QString text;
        RowImages images;
    };
    /// text's images at the rows' font: made now when the helper has not made them.
    const RowImages& images(const QString& text) const;
    QString keyOf(const QString& text, int pixels) const;
    RowStyle rowStyle() const;
    /// Takes in what the helper has made.
    void collect() const;
    /// Where guests request songs, and its QR code, in the card's corner.
    void drawPartyCorner(QPainter& p, const TitleCard& card) const;
    void drawText(QPainter& p, const QRect& box, const QString& text, const QFont& font, const QColor& fill,
                  Qt::Alignment align) const;

    const Settings& settings_;
    QSize size_;
    ScreenGeometry geometry_;
    bool guide_ = false;
    QString picture_;
    mutable QImage background_;
    QFont rowFont_;
    int rowHeight_ = 1;
    // By pixel size and text: a page that shrinks and grows back finds them.
    mutable QHash<QString, Entry> images_;
    mutable QSet<QString> asked_;  // given to the helper, not back yet
    int generation_ = 0;           // a new look makes what is under way worthless
    mutable RowImageMaker maker_;
    mutable QString titleKey_; // what titleImage_ shows
    mutable QImage titleImage_;
};

} // namespace lirmus
