#include "LyricExtraction.h"

#include "Midifile.h"
#include "Settings.h"

#include <cmath>

namespace lirmus {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

bool isBlank(const QString& text) { return trimBlanks(text).isEmpty(); }

bool startsNewLine(const QString& text)
{
    if (text.isEmpty()) return false;
    const QChar c = text[0];
    return c == QLatin1Char('\r') || c == QLatin1Char('|') || c == QLatin1Char('\\') ||
           c == QLatin1Char('/') || c == QLatin1Char('<');
}

} // namespace

LyricExtraction::LyricExtraction(SongState& song, const Settings& settings, SongSink& sink,
                                 const TextMeasure& measure)
    : song_(song), settings_(settings), sink_(sink), measure_(measure)
{
}

LineEnd takeLineEnd(QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == QLatin1Char('\r') || text[end - 1] == QLatin1Char('\n'))) --end;
    if (end == text.size()) return LineEnd::None;
    const bool page = QStringView(text).mid(end).contains(QLatin1String("\r\n"));
    text.truncate(end);
    return page ? LineEnd::Page : LineEnd::Line;
}

bool LyricExtraction::textMeta(long index, int metaType, QString text, int track, int lyricTrack)
{
    // A lyric event may end in CR or LF: its line ends with it. Text events keep their marks only.
    const LineEnd lineEnd = metaType == 5 ? takeLineEnd(text) : LineEnd::None;
    if (lineEnd != LineEnd::None && isBlank(text)) {
        // A bare line end belongs to the syllable before it.
        if (lyricTrack == -1 || lyricTrack == track) endLine(lineEnd);
        return false;
    }
    if (!text.startsWith(QLatin1Char('@'))) {
        if (text.size() >= 2 && text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
            text = QLatin1Char('%') + trimBlanks(text.mid(1, text.size() - 2));
    } else if (text.startsWith(QLatin1String("@T"))) {
        QString& title = song_.SongTitle;
        title = title.isEmpty() ? text.mid(2) : title + QLatin1Char(' ') + text.mid(2);
        song_.TitleLines << text.mid(2);
        sink_.songCaption(SongCaption::Title, title);
        song_.SongText += text + kLineEnd;
        return false;
    }

    if (!text.startsWith(QLatin1Char('%'))) {
        if (startsNewLine(text))
            text = QLatin1Char('<') + text.mid(1);
        else if (text.startsWith(QLatin1String(" /")))
            text = QLatin1Char('<') + text.mid(2);
    }

    bool lyricEntry = false;
    if ((text.size() > 14 && !text.startsWith(QLatin1Char('<'))) || song_.queue[index].Time == 0) {
        if (isChordName(text)) {
            // Listed as a chord, but the entry stays a plain text entry.
            text = addChord(QLatin1Char('%') + trimBlanks(text), index);
        } else if (metaType != 3) {
            if (!isBlank(text)) song_.SongText += text + kLineEnd;
            return false;
        }
    } else if (isChord14(text)) {
        text = addChord(QLatin1Char('%') + trimBlanks(text), index);
        makeLyricEntry(index, text);
        lyricEntry = true;
    } else if (metaType == 5 || lyricTrack == -1 || lyricTrack == track) {
        int line = 0;
        if (!textLyricsSeen_ && metaType == 1 && isChordName(text)) {
            text = addChord(QLatin1Char('%') + trimBlanks(text), index);
            line = song_.CurrentLine;
        }
        if (line == 0) {
            if (metaType == 1) textLyricsSeen_ = true;
            if (lyricTrack == -1 || lyricTrack == track) {
                text = addSyllable(text, index, track);
                if (!text.isEmpty()) line = song_.CurrentLine;
                endLine(lineEnd);
            }
        }
        if (line <= 0) return false;
        makeLyricEntry(index, text);
        lyricEntry = true;
    } else {
        return false;
    }

    if (!lyricEntry) {
        if (metaType == 2 || (metaType == 3 && text.toUpper() == QLatin1String("SOFT KARAOKE")))
            song_.SongText += text + kLineEnd;
        song_.queue[index].Text = text;
    }
    return true;
}

void LyricExtraction::endLine(LineEnd end)
{
    if (end == LineEnd::None || song_.LyricLines.isEmpty()) return;
    LyricState& st = song_.lyricState;
    st.NewLinePending = true;
    st.NewPagePending = st.NewPagePending || end == LineEnd::Page;
}

void LyricExtraction::makeLyricEntry(long index, const QString& text)
{
    QueueEntry& e = song_.queue[index];
    e.Data1 = 5;
    e.Text = text;
    e.Value = song_.CurrentLine;
    e.Extra = song_.CurrentPosition;
}

bool LyricExtraction::sysex(long index, const std::string& data)
{
    QueueEntry& e = song_.queue[index];
    if (data.size() < 3 || data[2] != '$') {
        e.Text = QString::fromLatin1(data.data(), qsizetype(data.size()));
        return true;
    }
    e.Status = 255;
    e.Data2 = data.size() >= 5 ? uint8_t(data[4]) : 0;
    // The text runs from the sixth byte to the first line feed after it, else to the first F7.
    size_t end = data.find('\n', 5);
    if (end == std::string::npos) end = data.find('\xF7');
    std::string raw;
    if (data.size() > 5) raw = end == std::string::npos ? data.substr(5) : (end > 5 ? data.substr(5, end - 5) : "");
    const QString text = QString::fromStdString(decode_ ? decode_(raw) : decodeMidiText(raw));

    switch (e.Data2) {
    case 1:
        e.Data1 = 5;
        makeLyricEntry(index, addChord(QLatin1Char('%') + text, index));
        return true;
    case 4: case 5: case 6: case 7: {
        e.Data1 = 10;
        e.Text = TogliInterrogativi(trimBlanks(text));
        if (e.Text.isEmpty()) return true;
        if (isChannelLabel(e.Text)) return false;
        song_.InfoTexts.append(e.Text);
        return true;
    }
    case 8:
        e.Data1 = 10;
        return !song_.InfoTexts.isEmpty();
    default:
        return false;
    }
}

QString LyricExtraction::addSyllable(QString text, long index, int track)
{
    LyricState& st = song_.lyricState;
    if (song_.LyricLines.isEmpty()) {
        st.NewLinePending = false;
        st.NewPagePending = false;
        st.LastTrack = -1;
        st.LastTime = -1;
    }
    text = cleanSyllable(text);
    if (text.isEmpty()) return {};
    bool newPage = false;
    if (st.NewLinePending) {
        if (!text.startsWith(QLatin1Char('<'))) text.prepend(QLatin1Char('<'));
        st.NewLinePending = false;
        newPage = st.NewPagePending;
        st.NewPagePending = false;
    }
    if (text.endsWith(QLatin1Char('|'))) {
        text.chop(1);
        st.NewLinePending = true;
    }
    const long limit = long(std::nearbyint(double(measure_.screenWidthTwips()) * 0.85));

    QueueEntry& e = song_.queue[index];
    if (text.startsWith(QLatin1Char('<')) || song_.LyricLines.isEmpty()) {
        if (text.startsWith(QLatin1Char('<'))) text.remove(0, 1);
        if (song_.LyricLines.size() > 1 && isBlank(song_.LyricLines.last()))
            song_.LyricLines.last() = text;
        else
            song_.LyricLines.append(text);
        if (isBlank(text)) return {};
        if (newPage) song_.PageStarts.push_back(song_.LyricLineCount());
        const long last = song_.LastSyllableEntry;
        if (last > 0 && text.size() > 6 && song_.queue[last].Time == e.Time) {
            // A whole line given together with its first syllable: keep the line.
            song_.LyricLines.removeLast();
            if (!song_.PageStarts.empty() && song_.PageStarts.back() > song_.LyricLineCount())
                song_.PageStarts.back() = song_.LyricLineCount();
            if (!song_.LyricLines.isEmpty()) song_.LyricLines.last() = text;
            song_.queue[last].Text = text;
            return {};
        }
    } else {
        QString& line = song_.LyricLines.last();
        line += text;
        if (measure_.textWidthTwips(line) > limit && line.endsWith(QLatin1Char(' '))) st.NewLinePending = true;
    }

    song_.CurrentLine = song_.LyricLineCount();
    song_.CurrentPosition = int(song_.LyricLines.last().size() + 1 - text.size());

    if (st.LastTime != -1 && st.LastTime == e.Time) e.Time += 1;
    st.LastTime = e.Time;
    st.LastTrack = track;
    markLast(song_.LastSyllableEntry, index, 1);
    return text;
}

void LyricExtraction::markLast(long& last, long index, uint8_t flag)
{
    // The one before learns how long it lasts; only the newest keeps the mark.
    QueueEntry& previous = song_.queue[last];
    previous.Length = song_.queue[index].Time - previous.Time;
    previous.Flag = 0;
    last = index;
    song_.queue[index].Flag = flag;
}

QString LyricExtraction::addChord(QString text, long index)
{
    text.remove(QChar(0));
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash >= 0) text = trimBlanks(text.left(slash)) + QLatin1Char('/') + trimBlanks(text.mid(slash + 1));

    int& notation = song_.lyricState.ChordNotation;
    if (song_.ChordList.isEmpty() || notation == kNotationUnknown)
        notation = detectChordNotation(text, kNoteNames);
    if (notation != kNotationUnknown)
        text = QLatin1Char('%') + translateChord(text.mid(1), ChordNotation(notation), settings_.ItalianNotation,
                                                 kNoteNames);

    song_.ChordList.append(text);
    song_.CurrentLine = song_.ChordCount();
    song_.CurrentPosition = 1;
    markLast(song_.LastChordEntry, index, 2);
    return text;
}

QString LyricExtraction::cleanSyllable(QString text)
{
    text.remove(QChar(0));
    int pairs = 0;
    for (qsizetype at = text.indexOf(QLatin1String("??")); at >= 0; at = text.indexOf(QLatin1String("??"), at)) {
        text.remove(at, 2);
        ++pairs;
    }
    if (pairs >= 2) return {};
    text.remove(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('_'))) text.chop(1);
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return isBlank(text) ? QString() : text;
}

QString LyricExtraction::TogliInterrogativi(const QString& text)
{
    for (QChar c : text)
        if (c != QLatin1Char('?') && c != QLatin1Char(' ')) return text;
    return {};
}

bool LyricExtraction::isChannelLabel(const QString& text)
{
    const QString u = text.toUpper();
    if (u.startsWith(QLatin1String("CANALE "))) return true;
    if (!u.startsWith(QLatin1String("CH"))) return false;
    const QString head = u.left(8);
    return head.contains(QLatin1Char('.')) || head.contains(QLatin1Char(':')) ||
           (u.size() >= 3 && u[2] == QLatin1Char(' '));
}

} // namespace lirmus

