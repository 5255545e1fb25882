#pragma once
// The karaoke screen: the lyric rows, text page, chords, countdowns and title
// full screen on a TV or projector, for singers across a room. A second view
// of the player's lyric cursor beside the lyrics window, with a look of its
// own (ScreenRender): rows that take the height, outlined text on a gradient
// or a picture, the sung colour moving through each syllable over its
// duration, a count-in before lines after a long gap, and a card between
// songs. It changes no setting and nothing of the main window.
#include "GuideRender.h"
#include "LyricWidgets.h"
#include "LyricsDisplay.h"
#include "ScreenRender.h"
#include "SyllableTimeline.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;

namespace lirmus {

class LyricCursor;
struct Settings;

/// The screen named name; else the first other than avoid (the main
/// window's); else the primary. nullptr when there is none.
QScreen* chooseKaraokeScreen(const QString& name, const QScreen* avoid);

/// The picture of folder for a song: one of its pictures, the same for the same song ("" when none).
QString pictureForSong(const QString& folder, const QString& songFile);

class frmKaraokeScreen : public QWidget, public LyricsDisplay, public LyricControls {
    Q_OBJECT
public:
    frmKaraokeScreen(LyricCursor& cursor, const Settings& settings, QWidget* parent = nullptr);
    ~frmKaraokeScreen() override;

    /// How long the pointer may stand still before it hides.
    static constexpr int kPointerHideMs = 2000;
    /// Time between frames while the colour moves or singers are counted in.
    static constexpr int kFrameMs = 16;

    /// Shows the screen borderless and full screen on screen.
    void openOn(QScreen* screen);
    /// The screen it shows on (nullptr before openOn).
    QScreen* shownOn() const { return target_; }
    /// A screen went away: the window closes when it was its own.
    void screenRemoved(QScreen* screen);

    /// The card between songs ({} hides it).
    void setCard(const std::optional<TitleCard>& card);
    /// Where the card comes from: asked every frame (the player answers from its state).
    std::function<std::optional<TitleCard>()> cardSource;
    const std::optional<TitleCard>& card() const { return card_; }
    /// What the pitch guide shows now ({}: no guide, the rows take its room). Asked every frame.
    std::function<std::optional<GuideView>()> guideSource;
    const std::optional<GuideView>& guide() const { return guide_; }

    /// Lays the screen out again for the song and its size.
    void refit();
    /// One frame: the colour moves on, the count-in follows the music, and an
    /// image of the lines to come is drawn ahead. The frame timer calls it.
    void frame();

    // What tests and benchmarks read.
    const ScreenRender& render() const { return render_; }
    const SyllableTimeline& timeline() const { return timeline_; }
    /// Pixels of row 1..4 shown sung as last drawn.
    int sungPx(int row) const { return validRow(row) ? shown_[size_t(row)].sungPx : 0; }
    /// Count-in dots shown and the row they stand before (0 when none).
    int countInBeats() const { return countIn_.beats; }
    int countInRow() const { return countIn_.row; }
    /// The song's pixel size, and the one the rows shown now use.
    int songPixels() const { return songPixels_; }
    QTimer* pointerTimer() { return &pointerTimer_; }
    QTimer* frameTimer() { return &frameTimer_; }
    /// Called after each paint (the benchmark times the frames with it).
    std::function<void()> afterPaint;

    // LyricsDisplay: what the cursor changed.
    void lyricRowChanged(int row) override;
    void sysexRowChanged(int row) override;
    void captionChanged(LyricCaption which, const QString& text) override;
    void countdownsChanged(int lyricMs, int chordMs) override;
    void PreparaAltezza() override { refit(); }
    void PreparaPicLyric() override;
    void restoreFontSize(int) override { refit(); }

signals:
    /// The window has closed (Esc, F11, its screen gone, or closed from outside).
    void closed();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    struct ShownRow {
        QString text;
        int sungPx = 0;
    };
    struct CountIn {
        int beats = 0, row = 0;
    };
    static bool validRow(int row) { return row >= 1 && row <= 4; }
    void applyLook();
    void layOutLabels();
    /// The rows' font for the lines shown now; true when it changed.
    bool fitPage();
    int rowCount() const;
    int pageRows() const;
    QRect band(int row) const;
    QRect pageBand(int row) const;
    /// Pixels of row's text sung now: the syllables before the current one, and as much of it as its time allows.
    int sungPxNow(int row) const;
    CountIn countInNow() const;
    /// Repaints the strip of row between two sung widths.
    void updateSung(int row, int fromPx, int toPx);
    /// Repaints row, whose text was before.
    void updateRow(int row, const QString& before);
    void warmNext();
    /// Asks guideSource; the rows move when the guide comes or goes.
    void followGuide();
    void showPointer();
    SongCredits credits() const;

    LyricCursor& cursor_;
    const Settings& settings_;
    ScreenRender render_;
    SyllableTimeline timeline_;
    long timelineEntries_ = -1; // the queue size the timeline was read from
    QString timelineSong_;
    QPointer<QScreen> target_;
    std::optional<TitleCard> card_;
    std::optional<GuideView> guide_;
    QStringList songLines_;
    QSize fittedSize_;
    int fittedRows_ = 0;
    int songPixels_ = 0;
    std::array<ShownRow, 5> shown_{};
    CountIn countIn_;
    // What warmNext() last asked the helper for.
    QStringList warmedKeep_;
    int warmedPage_ = 0, warmedSong_ = 0;
    QTimer pointerTimer_;
    QTimer frameTimer_;
};

} // namespace lirmus
