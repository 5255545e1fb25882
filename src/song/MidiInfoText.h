#pragma once
// The texts of the MIDI information window, line by line: the window adds
// them one at a time so that Esc can stop a long list.
#include <QString>
#include <QStringList>

namespace lirmus {

struct SongState;

/// The header above the information texts in the lyric box.
inline constexpr const char* kInfoTextsHeader = "------------------ RIZIVUVO ------------------";

/// The lines of the "Chords" box: every chord without its "%".
QStringList midiInfoChordLines(const SongState& song);

/// The lines of the "Lyric" box: the lyric lines, then, when the song has
/// information texts, an empty line, the header and the texts (each text
/// after a line break of its own, as the box adds them).
QStringList midiInfoLyricLines(const SongState& song);

/// What the window shows above the texts: the file's format and tracks, its tempo (with the
/// range when it changes) and its length, e.g. "Format 1, 9 tracks   Tempo 120 BPM   Length 04:15".
QString midiInfoSummary(const SongState& song);

/// A box's text as the window builds it: each line after a line break, except the first.
QString midiInfoBoxText(const QStringList& lines);

} // namespace lirmus
