#pragma once
// What song loading and preparation show or start elsewhere. The windows
// implement these; tests use recording doubles, lirmus-info the null ones.
#include <QString>

namespace lirmus {

/// The lyrics window (frmLyric).
class SongLyricsView {
public:
    virtual ~SongLyricsView() = default;
    /// Caption of the next-lyric label lbNLyr.
    virtual void setNextLyricCaption(const QString& text) = 0;
    /// Caption of lblMarker.
    virtual void setMarkerCaption(const QString& text) = 0;
    /// Caption of the title label lblTitolo.
    virtual QString titleCaption() const = 0;
    virtual void setTitleCaption(const QString& text) = 0;
    /// Caption of the diagnostic label lblTurbo (the fast-start offset in ms).
    virtual void setTurboCaption(const QString& text) = 0;
    /// New song: the four lyric row texts and the text-page rows SysexRows
    /// emptied, SysexRow 1, SysexShown false, SysexBesideLyrics true; the
    /// countdowns NextLyricTime and NextChordTime 0, NextMelodyShown false.
    virtual void resetLyricState() = 0;
    /// Fills rows fromRow..KaraokeRows with the first lyric lines.
    virtual void StartLyric(int fromRow) = 0;
    /// Shows the first chords.
    virtual void StartLyricA() = 0;
};

/// The channel monitor (frmIndic).
class SongMonitorView {
public:
    virtual ~SongMonitorView() = default;
    /// Caption of the diagnostic label lblTrack.
    virtual void setTrackCaption(const QString& text) = 0;
    /// Caption of lblKey (the song's key).
    virtual void setKeyCaption(const QString& text) = 0;
    /// Caption of lblTempo.
    virtual void setTempoCaption(const QString& text) = 0;
    /// New song: SoloChannel = -1, then every strip disabled and red, ChannelOn and ChannelUsed false.
    virtual void ResetChannelStates() = 0;
};

/// How a message box looks.
enum class MessageIcon { Plain, Exclamation };

/// The player window (frmPlay) and the application around it.
class SongPlayerView {
public:
    virtual ~SongPlayerView() = default;
    /// Palette colour (0..15) of the lamp lblWarn.
    virtual void setWarnColor(int paletteIndex) = 0;
    /// Enabled state of lblWarn: enabled means the queue is complete.
    virtual void setWarnEnabled(bool enabled) = 0;
    /// The position slider sliOut (moved with SliderByProgram set).
    virtual void setPositionSlider(int min, int max, int value, int largeChange) = 0;
    /// picTime(2) cleared and showing the song length.
    virtual void showSongLength(const QString& text) = 0;
    /// Starts (mode >= 0) or continues (mode -1) the output of the queue.
    virtual void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) = 0;
    /// A modal message box with the given text.
    virtual void messageBox(const QString& text, MessageIcon icon) = 0;
    /// Lets pending window events run; a handler run here may raise AbortRequested.
    virtual void processEvents() = 0;
};

/// Text widths for the 85 % line rule.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    /// Width of text in the lyrics picture's current font, in twips.
    virtual long textWidthTwips(const QString& text) const = 0;
    /// Width of the screen in twips.
    virtual long screenWidthTwips() const = 0;
};

/// The views one load talks to.
struct SongViews {
    SongLyricsView& lyrics;
    SongMonitorView& monitor;
    SongPlayerView& player;
    TextMeasure& measure;
};

/// Views that show nothing (command-line tools, fuzzing, benchmarks). The text
/// measure counts a fixed width per character.
class NullSongViews : public SongLyricsView, public SongMonitorView, public SongPlayerView, public TextMeasure {
public:
    explicit NullSongViews(long twipsPerChar = 150, long screenTwips = 1920 * 15)
        : twipsPerChar_(twipsPerChar), screenTwips_(screenTwips) {}

    void setNextLyricCaption(const QString&) override {}
    void setMarkerCaption(const QString&) override {}
    QString titleCaption() const override { return title_; }
    void setTitleCaption(const QString& text) override { title_ = text; }
    void setTurboCaption(const QString&) override {}
    void resetLyricState() override {}
    void StartLyric(int) override {}
    void StartLyricA() override {}
    void setTrackCaption(const QString&) override {}
    void setKeyCaption(const QString&) override {}
    void setTempoCaption(const QString&) override {}
    void ResetChannelStates() override {}
    void setWarnColor(int) override {}
    void setWarnEnabled(bool) override {}
    void setPositionSlider(int, int, int, int) override {}
    void showSongLength(const QString&) override {}
    void OutputSong(long, long, long, int) override {}
    void messageBox(const QString&, MessageIcon) override {}
    void processEvents() override {}
    long textWidthTwips(const QString& text) const override { return long(text.size()) * twipsPerChar_; }
    long screenWidthTwips() const override { return screenTwips_; }

    /// All four roles of this object.
    SongViews views() { return SongViews{*this, *this, *this, *this}; }

private:
    long twipsPerChar_, screenTwips_;
    QString title_;
};

} // namespace lirmus
