#pragma once
// The karaoke window: the lyric rows and the text page, chords, marker and
// title, the countdown bars and the strip that sets rows, character size and
// window size. It shows what the player's lyric cursor keeps and is one of
// the cursor's views.
#include "LyricRender.h"
#include "LyricsDisplay.h"
#include "LyricWidgets.h"
#include "SongSink.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QScrollBar;

namespace lirmus {

class CommandStrip;
class CountdownBar;
class LyricBox;
class LyricCursor;
class SettingsService;
struct LyricDisplayState;
struct Settings;

class frmLyric : public QWidget, public LyricsDisplay, public TextMeasure, public LyricControls {
    Q_OBJECT
public:
    /// service may be null (the window then changes only the settings in memory).
    frmLyric(LyricCursor& cursor, Settings& settings, SettingsService* service, QWidget* parent = nullptr);
    ~frmLyric() override;

    /// The smallest size the automatic shrink goes down to, in points.
    static constexpr int kSmallestFontSize = 8;

    /// The height the window asks for, in twips.
    int LyricWindowHeight() const { return LyricWindowHeight_; }

    // The main window's part in sizing (unset: the window stands alone and always fits).
    /// Lays out the child windows; true when they do not fit.
    std::function<bool()> layoutWindows;
    /// Whether the main window is maximized, and a way to maximize it.
    std::function<bool()> mainMaximized;
    std::function<void()> maximizeMain;
    /// What the pitch guide shows now, asked while the settings show it here.
    std::function<std::optional<GuideView>()> guideSource;
    /// Shows or hides the pitch guide under the rows as the settings say (the window's height follows).
    void followGuideSetting();

    void Form_Load();
    void CaricaKarFont();
    void PreparaAltezza() override;
    void PreparaPicLyric() override;
    void cmdCharM_Click();
    void cmdCharP_Click();
    void cmdMinMax_Click();
    void HSRows_Change(int value);

    // LyricsDisplay: what the cursor changed.
    void lyricRowChanged(int row) override;
    void sysexRowChanged(int row) override;
    void captionChanged(LyricCaption which, const QString& text) override;
    void countdownsChanged(int lyricMs, int chordMs) override;
    void restoreFontSize(int points) override;

    // TextMeasure: widths in picLyr's font, for the song's line rule.
    long textWidthTwips(const QString& text) const override { return render_.textWidth(text); }
    long screenWidthTwips() const override;

    const LyricRender& render() const { return render_; }

    GuideBox* picGuide = nullptr;
    CommandStrip* picCmd = nullptr;
    QScrollBar* HSRows = nullptr;
    QLabel* lblRows = nullptr;
    QPushButton* cmdCharM = nullptr;
    QPushButton* cmdCharP = nullptr;
    QPushButton* cmdMinMax = nullptr;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Form_Resize();
    void placeBoxes();
    void storeInt(const char* key, long long value);
    void storeBool(const char* key, bool value);
    void focusCountdown();
    /// The guide's picture for now.
    void followGuide();
    bool guideShown() const;

    LyricCursor& cursor_;
    const LyricDisplayState& state_;
    Settings& settings_;
    SettingsService* service_;
    LyricRender render_;
    int LyricWindowHeight_ = 0;
    QTimer guideTimer_;
    bool sizing_ = false; // PreparaAltezza lets the main window resize: no second one meanwhile
};

} // namespace lirmus
