#pragma once
// The lyric views' role: what the lyric cursor tells the views that show it.
// The cursor keeps everything a view shows in LyricDisplayState and its
// captions; a view (the lyrics window, the full-screen karaoke screen) is told
// which part changed and paints it from that state. Several views may show
// the same cursor.
#include <QString>

namespace lirmus {

/// The labels and tooltips a lyric view shows.
enum class LyricCaption { NextLyric, Marker, Title, Turbo, ChordNow, ChordNext, LyricTooltip };

class LyricsDisplay {
public:
    virtual ~LyricsDisplay() = default;
    /// Karaoke row 1..4 changed (text or sung part); 0: every karaoke row.
    virtual void lyricRowChanged(int row) = 0;
    /// Text-page row 1..4 changed; 0: the whole text page.
    virtual void sysexRowChanged(int row) = 0;
    /// A label or tooltip changed.
    virtual void captionChanged(LyricCaption which, const QString& text) = 0;
    /// Countdown bars: ms left to the next syllable and chord; 0 or less clears a bar.
    virtual void countdownsChanged(int lyricMs, int chordMs) = 0;
    /// Sizes the rows and the window for the current font; may shrink the font (see SavedFontSize).
    virtual void PreparaAltezza() = 0;
    /// Applies the karaoke font and colours, then PreparaAltezza.
    virtual void PreparaPicLyric() = 0;
    /// The font size chosen before an automatic shrink comes back, then PreparaPicLyric.
    virtual void restoreFontSize(int points) = 0;
};

} // namespace lirmus
