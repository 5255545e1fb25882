#pragma once
// The karaoke window: the lyric rows, the text page, title and marker labels.
#include "Displays.h"

#include <QWidget>

class QLabel;

namespace lirmus {

struct Settings;

class frmLyric : public QWidget, public LyricsDisplay {
    Q_OBJECT
public:
    explicit frmLyric(const Settings& settings, QWidget* parent = nullptr);

    /// The height the window asks for, in twips: its lyric rows plus the labels around them.
    int LyricWindowHeight() const { return LyricWindowHeight_; }

    QWidget* picLyr = nullptr;
    QLabel* lblTitolo = nullptr;
    QLabel* lblMarker = nullptr;
    QLabel* lblNextLyric = nullptr;

    // What the player shows here. The rows, the chords and the countdowns
    // are drawn by the karaoke display; the labels are set now.
    void setNextLyricCaption(const QString& text) override;
    void setMarkerCaption(const QString& text) override;
    void setTitleCaption(const QString& text) override;
    void setTurboCaption(const QString& text) override;
    void resetLyricState() override {}
    void StartLyric(int) override {}
    void StartLyricA() override {}
    void firstLyricFromStart() override {}
    void ClearLyricDisplay() override {}
    void RiposizionaKaraoke(long) override {}
    void drawCountdowns(double) override {}
    // The syllables, chords and countdowns are drawn by the karaoke display.
    void PrintLyric(int, int, const QString&) override {}
    void PrintLyricA(int, int, const QString&) override {}
    double CalcolaProssimaLyr(long) override { return 0; } // no countdown until the karaoke display
    // The text page is drawn by the karaoke display's text-page rows.
    void ClearSysexRow(int) override {}
    void PrintSysexRow(int) override {}
    void PrintSysexRowSung(int) override {}

public slots:
    /// Sizes the lyric rows for the current font and row count.
    void PreparaAltezza() override;
    /// Takes the karaoke look of the settings (options applied) and sizes the rows for it.
    void PreparaPicLyric() override;

private:
    const Settings& settings_;
    int LyricWindowHeight_ = 0;
    QString turbo_; // the fast-start offset, shown by the diagnostic label
};

} // namespace lirmus
