#pragma once
// The lyric cursor: which row is being sung, which line each row holds, how
// the rows roll when a new line begins, how they are rebuilt after a seek,
// and when the next syllable and chord are due. Plain code: it keeps its
// state in LyricDisplayState and tells the attached views what changed.
#include "Displays.h"
#include "LyricSurface.h"

#include <QString>

#include <array>
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

class LyricCursor final : public LyricsDisplay {
public:
    /// view is the player window (its timer and position slider); out gives the tempo change the music plays at.
    LyricCursor(LyricDisplayState& state, const SongState& song, const PlayerState& player,
                const Settings& settings, const MIDIOutput& out, const PlayerDisplay& view);

    /// A view to keep up to date (not owned); detach it before it goes.
    void attachSurface(LyricSurface* surface);
    void detachSurface(LyricSurface* surface);

    const LyricDisplayState& state() const { return state_; }
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
    void StartLyric(int fromRow) override;
    void StartLyricA() override;
    void InitLyrica(int row, int line);
    void PrintLyric(int line, int column, const QString& text) override;
    void PrintLyricA(int chordNo, int column, const QString& text) override;
    double CalcolaProssimaLyr(long gapMs) override;
    void RiposizionaKaraoke(long ms) override;
    void ClearLyricDisplay() override;
    /// The row count changed: the rows are refilled for the point the song has reached.
    void rowsChanged();

    // The rows' texts and sung part (the views draw them).
    void ClearLyricRows();
    void ClearLyricRow(int row);
    void SetLyricRow(int row, const QString& text);
    void PaintSungPart(int row, int column, int length);
    void ClearSysexRow(int row) override;
    void PrintSysexRow(int row) override;
    void PrintSysexRowSung(int row) override;

    // Labels, countdowns and sizes.
    void setNextLyricCaption(const QString& text) override { setCaption(LyricCaption::NextLyric, text); }
    void setMarkerCaption(const QString& text) override { setCaption(LyricCaption::Marker, text); }
    void setTitleCaption(const QString& text) override { setCaption(LyricCaption::Title, text); }
    void setTurboCaption(const QString& text) override { setCaption(LyricCaption::Turbo, text); }
    void resetLyricState() override;
    void firstLyricFromStart() override;
    void drawCountdowns(double now) override;
    void PreparaAltezza() override;
    void PreparaPicLyric() override;

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
    const PlayerDisplay& view_; // the player window: its timer and slider
    std::vector<LyricSurface*> surfaces_;
    std::array<QString, 7> captions_;
    std::array<long, 5> rowLine_{}; // lyric line each row shows; 0 = none or not a song line
    int lyricMs_ = 0, chordMs_ = 0;
};

} // namespace lirmus
