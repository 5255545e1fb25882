#pragma once
// The karaoke screen: the lyric rows, text page, chords, countdowns, title
// and marker full screen on a TV or projector, for the singers. A second view
// of the player's lyric cursor beside the lyrics window: it draws the same
// state with the same LyricRender, in a font of its own sized so the widest
// line of the song fits the screen. It changes no setting and nothing of the
// main window.
#include "LyricRender.h"
#include "LyricsDisplay.h"
#include "LyricWidgets.h"

#include <QPointer>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;

namespace lirmus {

class LyricCursor;
struct Settings;

/// The largest pixel size of family at which every line is at most width
/// pixels wide and rows lines are at most height pixels tall (at least minPx).
int fitPixelSize(const QFont& family, const QStringList& lines, int width, int height, int rows, int minPx = 8);

/// The screen named name; else the first other than avoid (the main
/// window's); else the primary. nullptr when there is none.
QScreen* chooseKaraokeScreen(const QString& name, const QScreen* avoid);

class frmKaraokeScreen : public QWidget, public LyricsDisplay, public LyricControls {
    Q_OBJECT
public:
    frmKaraokeScreen(LyricCursor& cursor, const Settings& settings, QWidget* parent = nullptr);
    ~frmKaraokeScreen() override;

    /// How long the pointer may stand still before it hides.
    static constexpr int kPointerHideMs = 2000;
    /// How long after a row changes the rows to come are drawn ahead.
    static constexpr int kWarmDelayMs = 15;

    /// Shows the screen borderless and full screen on screen.
    void openOn(QScreen* screen);
    /// The screen it shows on (nullptr before openOn).
    QScreen* shownOn() const { return target_; }
    /// A screen went away: the window closes when it was its own.
    void screenRemoved(QScreen* screen);

    /// Lays the boxes out again and refits the font to the song's lines.
    void refit();
    /// The lines the font was fitted to.
    const QStringList& fittedLines() const { return fitted_; }
    const LyricRender& render() const { return render_; }
    QTimer* pointerTimer() { return &pointerTimer_; }

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
    void applyLook();
    void layOut();
    /// The song's lines, or what the rows show when no song has any.
    QStringList linesToFit() const;
    void showPointer();
    /// Draws the rows shown and the next lines of the song ahead, between syllables.
    void warmRows();

    LyricCursor& cursor_;
    const Settings& settings_;
    LyricRender render_;
    QPointer<QScreen> target_;
    QStringList fitted_;
    int fittedRows_ = 0;
    QSize fittedSize_;
    QTimer pointerTimer_;
    QTimer warmTimer_;
    // The sung part as last painted: the next syllable repaints only what it adds.
    int sungRow_ = 0;
    QString sungText_;
    int sungEdge_ = -1;
};

} // namespace lirmus
