#include "MidiInfoText.h"

#include "SongState.h"
#include "TimeText.h"

#include <algorithm>

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

QString midiInfoSummary(const SongState& song)
{
    QString text = QString("Format %1, %2 %3").arg(song.FileFormat).arg(song.TrackCount)
                       .arg(song.TrackCount == 1 ? "track" : "tracks");
    if (song.InitialTempo > 0) {
        const auto bpm = [](double usPerQuarter) { return int(60000000.0 / usPerQuarter + 0.5); };
        int low = bpm(double(song.InitialTempo)), high = low;
        // The segments give the tempo of every change; a broken division gives no range.
        if (song.Division > 0)
            for (const TempoSegment& t : song.tempoMap.segments())
                if (t.MsPerTick > 0) {
                    const int b = bpm(double(t.MsPerTick) * 1000.0 * song.Division);
                    low = std::min(low, b);
                    high = std::max(high, b);
                }
        text += low == high ? QString("   Tempo %1 BPM").arg(low) : QString("   Tempo %1-%2 BPM").arg(low).arg(high);
    }
    const long ms = song.SongLength > 0 ? song.SongLength : long(song.queue.lastTime());
    if (ms > 0) {
        const QString length = TimeText(double(ms) / 1000.0);
        text += "   Length " + length.left(length.lastIndexOf(':')); // however many minutes
    }
    return text;
}

QString midiInfoBoxText(const QStringList& lines) { return lines.join("\r\n"); }

} // namespace lirmus
