#include "MidiInfoText.h"

#include "SongState.h"

namespace lirmus {

QStringList midiInfoChordLines(const SongState& song)
{
    QStringList lines;
    lines.reserve(song.ChordList.size());
    for (const QString& chord : song.ChordList) lines << chord.mid(1);
    return lines;
}

QStringList midiInfoLyricLines(const SongState& song)
{
    QStringList lines = song.LyricLines;
    if (song.InfoTexts.isEmpty()) return lines;
    // The box adds a line break before every line but its first: after the
    // header's own break that leaves an empty line below it, as above it.
    if (!lines.isEmpty()) lines << QString();
    lines << QString(kInfoTextsHeader) << QString() << song.InfoTexts;
    return lines;
}

QString midiInfoBoxText(const QStringList& lines) { return lines.join("\r\n"); }

} // namespace lirmus
