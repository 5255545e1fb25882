#pragma once
// The lyric cursor: which row is being sung, which line each row holds, how
// the rows roll when a new line begins, how they are rebuilt after a seek,
// and when the next syllable and chord are due. Plain code: it keeps its
// state in LyricDisplayState and tells the attached views what changed.
#include "LyricsDisplay.h"
#include "SongSink.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace lirmus {

class MIDIOutput;
struct LyricDisplayState;
struct PlayerState;
struct Settings;
struct SongState;
struct SongQueue;

/// Where the first lyric entry at or after a time stands: line and 1-based column; line 0 = none.
struct LyricPosition {
    long line = 0;
    long column = 0;
    explicit operator bool() const { return line > 0; }
};

/// The first syllable entry (meta 5, not a chord) at or after ms; {} when none.
LyricPosition FindLyricAt(const SongQueue& q, long ms);

/// How many characters of a row are sung once the syllable at column with length has been.
inline long sungCharacters(long column, long length) { return column + length - 1; }

class LyricCursor final {
public:
    /// timerNow gives the player's song clock in seconds; out the tempo change the music plays at.
    LyricCursor(LyricDisplayState& state, const SongState& song, const PlayerState& player,
                const Settings& settings, const MIDIOutput& out, std::function<double()> timerNow);

    /// A view to keep up to date (not owned); detach it before it goes.
    void attachSurface(LyricsDisplay* surface);
    void detachSurface(LyricsDisplay* surface);

    const LyricDisplayState& state() const { return state_; }
    /// The song whose lyrics it shows.
    const SongState& song() const { return song_; }
    const Settings& settings() const { return settings_; }
    /// The file of the song it shows ("" when none).
    QString songFile() const;
    /// Where the music stands in the song's own ms; -1 while nothing plays or is paused.
    double songPositionMs() const;
    /// Text widths for the lyric line rule: a lyrics window measures in its font (null: a fixed width).
    void setTextMeasure(const TextMeasure* measure) { measure_ = measure ? measure : &fixedMeasure_; }
    const TextMeasure& textMeasure() const { return *measure_; }
    int CurLyricRow() const;
    int SavedFontSize() const;
    /// The text of a label or tooltip as last set.
    QString caption(LyricCaption which) const { return captions_[size_t(which)]; }
    /// The countdown bars as last drawn (ms; 0 = cleared).
    int lyricCountdownMs() const { return lyricMs_; }
    int chordCountdownMs() const { return chordMs_; }
    /// Rows in use (KaraokeRows, 2..4).
    int rows() const;
    /// The lyric line row 1..4 shows; 0 when it shows none of the song's.
    long rowLine(int row) const { return validRow(row) ? rowLine_[size_t(row)] : 0; }

    // The lyric cursor.
    void StartLyric(int fromRow);
    void StartLyricA();
    void InitLyrica(int row, int line);
    void PrintLyric(int line, int column, const QString& text);
    void PrintLyricA(int chordNo, int column, const QString& text);
    double CalcolaProssimaLyr(long gapMs);
    void RiposizionaKaraoke(long ms);
    void ClearLyricDisplay();
    /// The row count changed: the rows are refilled for the point the song has reached.
    void rowsChanged();
    /// A lyrics window opens: the text page starts hidden, beside the rows.
    void resetTextPage();
    /// A view shrinks the font to fit: the size chosen before the first shrink is kept to come back to.
    void keepFontSizeBeforeShrink(int points);

    // The rows' texts and sung part (the views draw them).
    void ClearLyricRows();
    void ClearLyricRow(int row);
    void SetLyricRow(int row, const QString& text);
    void PaintSungPart(int row, int column, int length);
    void ClearSysexRow(int row);
    void PrintSysexRow(int row);
    void PrintSysexRowSung(int row);

    // Labels, countdowns and sizes.
    void setNextLyricCaption(const QString& text) { setCaption(LyricCaption::NextLyric, text); }
    void setMarkerCaption(const QString& text) { setCaption(LyricCaption::Marker, text); }
    void setTitleCaption(const QString& text) { setCaption(LyricCaption::Title, text); }
    void setTurboCaption(const QString& text) { setCaption(LyricCaption::Turbo, text); }
    void resetLyricState();
    void firstLyricFromStart();
    void drawCountdowns(double now);
    void PreparaAltezza();
    void PreparaPicLyric();

private:
    void setCaption(LyricCaption which, const QString& text);
    void rowChanged(int row);
    void sysexChanged(int row);
    void forgetSungPart();
    /// The row showing lyric line `line`; 0 when none does.
    int rowHolding(long line) const;
    /// Row shows lyric line `line` as the song now has it (blank or past the end included).
    void holdLine(int row, long line);
    /// The first line with words from line `from` on; 0 when none.
    /// Whether lyric line `line` begins a new page (a CR LF line end before it).
    bool startsPage(long line) const;
    long nextWorded(long from) const;
    static bool validRow(int row) { return row >= 1 && row <= 4; }

    LyricDisplayState& state_;
    const SongState& song_;
    const PlayerState& player_;
    const Settings& settings_;
    const MIDIOutput& out_;
    std::function<double()> timerNow_;
    FixedTextMeasure fixedMeasure_;
    const TextMeasure* measure_ = &fixedMeasure_;
    std::vector<LyricsDisplay*> surfaces_;
    std::array<QString, 7> captions_;
    std::array<long, 5> rowLine_{}; // lyric line each row shows; 0 = none or not a song line
    int lyricMs_ = 0, chordMs_ = 0;
};

} // namespace lirmus
