#include "LyricCursor.h"

#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "PlayerState.h"
#include "Settings.h"
#include "SongState.h"

#include <algorithm>
#include <cmath>

namespace lirmus {
namespace {

constexpr int kMetaLyric = 5;

bool isChord(const QString& text) { return text.startsWith(QLatin1Char('%')); }

int countdownMs(double due, double now)
{
    if (due <= 0) return 0;
    const long r = std::lround((due - now) * 1000.0);
    // A bar never grows past what a window can show: two minutes is plenty.
    return int(std::clamp(r, 0L, 120'000L));
}

} // namespace

LyricPosition FindLyricAt(const SongQueue& q, long ms)
{
    // Chord entries share the lyric kind but number chords, not lines:
    // only syllables say where the lyrics stand.
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        if (e.Time >= ms && e.Status == 255 && e.Data1 == kMetaLyric && !isChord(e.Text) && e.Value > 0)
            return {e.Value, e.Extra};
    }
    return {};
}

LyricCursor::LyricCursor(LyricDisplayState& state, const SongState& song, const PlayerState& player,
                         const Settings& settings, const MIDIOutput& out, std::function<double()> timerNow)
    : state_(state), song_(song), player_(player), settings_(settings), out_(out), timerNow_(std::move(timerNow))
{
}

void LyricCursor::attachSurface(LyricsDisplay* surface)
{
    if (surface && std::find(surfaces_.begin(), surfaces_.end(), surface) == surfaces_.end())
        surfaces_.push_back(surface);
}

void LyricCursor::detachSurface(LyricsDisplay* surface)
{
    surfaces_.erase(std::remove(surfaces_.begin(), surfaces_.end(), surface), surfaces_.end());
}

QString LyricCursor::songFile() const { return player_.SongFile; }

double LyricCursor::songPositionMs() const
{
    const OutputStateCode st = out_.stateCode();
    if (st != OutputStateCode::Playing && st != OutputStateCode::Paused) return -1;
    return out_.PositionMs() + double(player_.SendOffset);
}

int LyricCursor::rows() const { return std::clamp(settings_.KaraokeRows, 2, 4); }
int LyricCursor::CurLyricRow() const { return state_.CurLyricRow; }
int LyricCursor::SavedFontSize() const { return state_.SavedFontSize; }

void LyricCursor::setCaption(LyricCaption which, const QString& text)
{
    captions_[size_t(which)] = text;
    for (LyricsDisplay* s : surfaces_) s->captionChanged(which, text);
}

void LyricCursor::rowChanged(int row)
{
    for (LyricsDisplay* s : surfaces_) s->lyricRowChanged(row);
}

void LyricCursor::sysexChanged(int row)
{
    for (LyricsDisplay* s : surfaces_) s->sysexRowChanged(row);
}

void LyricCursor::forgetSungPart()
{
    state_.LastSungRow = 0;
    state_.LastSungColumn = 0;
    state_.LastSungLength = 0;
}

// --- The cursor ---------------------------------------------------------

void LyricCursor::StartLyric(int fromRow)
{
    if (fromRow == 1) {
        // Rows the song cannot fill must not keep the texts of before.
        for (int r = 1; r <= 4; ++r) {
            state_.LyricRowText[size_t(r)].clear();
            rowLine_[size_t(r)] = 0;
        }
        forgetSungPart();
        rowChanged(0);
    }
    // Each row takes the first line with words after the row above it, so a
    // blank line neither shows nor makes two rows show the same line.
    int next = fromRow > 1 && validRow(fromRow - 1) ? rowLine_[size_t(fromRow - 1)] + 1 : 1;
    for (int r = std::max(fromRow, 1); r <= rows(); ++r) {
        InitLyrica(r, std::max(next, r));
        next = rowLine_[size_t(r)] + 1;
    }
}

void LyricCursor::InitLyrica(int row, int line)
{
    const int count = song_.LyricLineCount();
    for (int i = std::max(line, 1); i <= count; ++i) {
        const QString& text = song_.LyricLines[i - 1];
        if (text.trimmed().isEmpty()) continue;
        ClearLyricRow(row);
        SetLyricRow(row, text);
        if (validRow(row)) rowLine_[size_t(row)] = i;
        return;
    }
}

int LyricCursor::rowHolding(long line) const
{
    if (line < 1) return 0;
    for (int r = 1; r <= rows(); ++r)
        if (rowLine_[size_t(r)] == line) return r;
    return 0;
}

bool LyricCursor::startsPage(long line) const
{
    return std::binary_search(song_.PageStarts.begin(), song_.PageStarts.end(), int(line));
}

long LyricCursor::nextWorded(long from) const
{
    for (long i = std::max(from, 1L); i <= song_.LyricLineCount(); ++i)
        if (!song_.LyricLines[int(i - 1)].trimmed().isEmpty()) return i;
    return 0;
}

void LyricCursor::holdLine(int row, long line)
{
    const QString text = line >= 1 && line <= song_.LyricLineCount() ? song_.LyricLines[int(line - 1)] : QString();
    if (rowLine_[size_t(row)] == line && state_.LyricRowText[size_t(row)] == text) return;
    // A row that shows the line already only takes its words that came since.
    if (rowLine_[size_t(row)] != line) ClearLyricRow(row);
    SetLyricRow(row, text);
    rowLine_[size_t(row)] = line;
}

void LyricCursor::PrintLyric(int line, int column, const QString& text)
{
    const int n = rows();
    int& cur = state_.CurLyricRow;
    if (cur < 1 || cur > n) cur = n; // the row count changed under a song without lines
    if (column == 1 && startsPage(line)) {
        // A new page (a lyric ending in CR LF before it) begins at the top:
        // its lines fill the rows, and rows past its end stay empty until it ends.
        cur = 1;
        long target = line;
        for (int row = 1; row <= n; ++row) {
            holdLine(row, target);
            const long next = target > 0 ? nextWorded(target + 1) : 0;
            target = next > 0 && !startsPage(next) ? next : 0;
        }
    } else if (column == 1) {
        // The next row takes the new line, the rows after it the lines that
        // follow, the row just sung the one after those. Rows that show the
        // right line already are left alone; the others are put right: a
        // blank line is never sung, and the rows filled while the song was
        // still being prepared may be empty or hold a line only in part.
        const int holding = rowHolding(line);
        const int next = cur % n + 1;
        cur = holding && rowLine_[size_t(next)] != line ? holding : next;
        long target = line;
        for (int k = 0; k < n && target > 0; ++k) {
            holdLine((cur - 1 + k) % n + 1, target);
            target = nextWorded(target + 1);
        }
    } else if (rowLine_[size_t(cur)] != line) {
        // The line is under way but not where the cursor stands.
        const int holding = rowHolding(line);
        if (holding) cur = holding;
        holdLine(cur, line);
    } else {
        holdLine(cur, line);
    }
    PaintSungPart(cur, column, int(text.size()));
}

void LyricCursor::PrintLyricA(int chordNo, int, const QString& text)
{
    setCaption(LyricCaption::ChordNow, text.mid(1));
    if (chordNo >= 0 && chordNo < song_.ChordCount())
        setCaption(LyricCaption::ChordNext, song_.ChordList[chordNo].mid(1));
}

void LyricCursor::StartLyricA()
{
    const int count = song_.ChordCount();
    if (count >= 1 && caption(LyricCaption::ChordNow).isEmpty())
        setCaption(LyricCaption::ChordNow, song_.ChordList[0].mid(1));
    if (count > 1 && caption(LyricCaption::ChordNext).isEmpty())
        setCaption(LyricCaption::ChordNext, song_.ChordList[1].mid(1));
}

double LyricCursor::CalcolaProssimaLyr(long gapMs)
{
    // The same factor the output plays the queue at, so the bar, the music
    // and the tempo control agree, clamped ones included.
    return timerNow_() + gapMs / 1000.0 * tempoFactor(out_.TempoPercent());
}

void LyricCursor::RiposizionaKaraoke(long ms)
{
    const int count = song_.LyricLineCount();
    if (count <= 0) return;
    const LyricPosition at = FindLyricAt(song_.queue, ms);
    ClearLyricRows();
    if (!at) return;
    forgetSungPart();
    // An entry that opens its line: the next syllable starts row 1 anew.
    state_.CurLyricRow = at.column <= 1 ? rows() : 1;
    long line = at.line;
    bool pageEnded = false; // the next page's lines wait for that page
    for (int r = 1; r <= rows(); ++r, ++line) {
        pageEnded = pageEnded || (r > 1 && startsPage(line));
        const bool shown = line <= count && !pageEnded;
        SetLyricRow(r, shown ? song_.LyricLines[int(line - 1)] : QString());
        rowLine_[size_t(r)] = shown ? line : 0;
    }
}

void LyricCursor::rowsChanged()
{
    if (song_.LyricLineCount() <= 0) return;
    // Where the song is now: the last entry sent while it plays, the slider
    // otherwise. The slider's whole percent may lie a line back, which
    // would paint the next syllable over a line already sung.
    const SongQueue& q = song_.queue;
    long ms;
    if (player_.CurrentIndex >= 1 && player_.CurrentIndex <= q.MsgCount)
        ms = q[player_.CurrentIndex].Time;
    else
        ms = std::lround(double(player_.SliderPercent) * song_.SongLength / 100.0);
    RiposizionaKaraoke(ms);
}

void LyricCursor::resetTextPage()
{
    state_.SysexBesideLyrics = true;
    state_.SysexShown = false;
}

void LyricCursor::keepFontSizeBeforeShrink(int points)
{
    if (state_.SavedFontSize < 0) state_.SavedFontSize = points;
}

void LyricCursor::ClearLyricDisplay()
{
    ClearLyricRows();
    state_.SysexBesideLyrics = true;
    state_.SysexShown = false;
    // Forgotten before the views resize: a shrink made now records the size
    // to come back to at the next clear instead of losing it.
    const int saved = state_.SavedFontSize;
    state_.SavedFontSize = -1;
    for (LyricsDisplay* s : surfaces_) {
        if (saved < 1) s->PreparaAltezza();
        else s->restoreFontSize(saved);
    }
    lyricMs_ = chordMs_ = 0;
    for (LyricsDisplay* s : surfaces_) s->countdownsChanged(0, 0);
    setCaption(LyricCaption::ChordNow, QString());
    setCaption(LyricCaption::ChordNext, QString());
    setCaption(LyricCaption::LyricTooltip, QString());
}

// --- Rows ---------------------------------------------------------------

void LyricCursor::ClearLyricRows()
{
    for (int r = 1; r <= 4; ++r) {
        state_.LyricRowText[size_t(r)].clear();
        rowLine_[size_t(r)] = 0;
        state_.SysexRows[size_t(r)].clear();
        state_.SysexRowSung[size_t(r)] = false;
    }
    forgetSungPart();
    rowChanged(0);
    sysexChanged(0);
}

void LyricCursor::ClearLyricRow(int row)
{
    if (!validRow(row)) return;
    state_.LyricRowText[size_t(row)].clear();
    rowLine_[size_t(row)] = 0;
    // The sung part belonged to the text that goes.
    if (row == state_.LastSungRow) forgetSungPart();
    rowChanged(row);
}

void LyricCursor::SetLyricRow(int row, const QString& text)
{
    if (!validRow(row)) return;
    state_.LyricRowText[size_t(row)] = text;
    rowLine_[size_t(row)] = 0; // the callers that show a song line say which
    rowChanged(row);
}

void LyricCursor::PaintSungPart(int row, int column, int length)
{
    if (!validRow(row)) return;
    state_.LastSungRow = row;
    state_.LastSungColumn = column;
    state_.LastSungLength = length;
    rowChanged(row);
}

void LyricCursor::ClearSysexRow(int row)
{
    if (!validRow(row)) return;
    state_.SysexRows[size_t(row)].clear();
    state_.SysexRowSung[size_t(row)] = false;
    sysexChanged(row);
}

void LyricCursor::PrintSysexRow(int row)
{
    if (!validRow(row)) return;
    state_.SysexRowSung[size_t(row)] = false;
    // The rows below may have been emptied with it (a new page).
    sysexChanged(0);
}

void LyricCursor::PrintSysexRowSung(int row)
{
    if (!validRow(row)) return;
    state_.SysexRowSung[size_t(row)] = true;
    sysexChanged(row);
}

// --- Labels, countdowns, sizes -------------------------------------------

void LyricCursor::resetLyricState()
{
    // A new song: nothing of the last one may show or count down.
    state_.NextMelodyShown = false;
    state_.NextLyricTime = 0;
    state_.NextChordTime = 0;
    state_.SysexShown = false;
    state_.SysexBesideLyrics = true;
    state_.SysexRow = 1;
    ClearLyricRows();
}

void LyricCursor::firstLyricFromStart()
{
    const SongQueue& q = song_.queue;
    state_.NextLyricTime = q.MsgQueue.empty() ? 0 : CalcolaProssimaLyr(q[0].Length);
}

void LyricCursor::drawCountdowns(double now)
{
    lyricMs_ = countdownMs(state_.NextLyricTime, now);
    chordMs_ = countdownMs(state_.NextChordTime, now);
    for (LyricsDisplay* s : surfaces_) s->countdownsChanged(lyricMs_, chordMs_);
}

void LyricCursor::PreparaAltezza()
{
    for (LyricsDisplay* s : surfaces_) s->PreparaAltezza();
}

void LyricCursor::PreparaPicLyric()
{
    for (LyricsDisplay* s : surfaces_) s->PreparaPicLyric();
}

} // namespace lirmus
