#pragma once
// Chord symbols found in karaoke texts: recognising them and writing them in
// the user's note-name language.
#include "NoteNames.h"

#include <QString>

namespace lirmus {

/// Chord notations of a song.
enum ChordNotation { kNotationUnknown = -1, kNotationItalian = 0, kNotationEnglish = 1 };

/// Exactly 14 characters starting with "A".."G" (chords padded to a fixed width).
bool isChord14(const QString& text);

/// At most 18 characters starting with "A".."G", the rest being only spaces or,
/// after leading spaces, starting with "#", a digit 1..9, "MIN" or "MAJ".
bool isChordName(const QString& text);

/// The notation of a chord text beginning with "%", judged from its root.
ChordNotation detectChordNotation(const QString& chord, const NoteNameTable& names);

/// The chord body (without "%") in the user's notation: Italian roots and
/// basses become English letters when italianNotation is off, English letters
/// Italian names when it is on; a bass that matches no name is cut off with its
/// "/"; a root that matches none leaves the chord as it is.
QString translateChord(const QString& body, ChordNotation notation, bool italianNotation,
                       const NoteNameTable& names);

/// Removes spaces (only spaces) at both ends.
QString trimBlanks(const QString& text);

} // namespace lirmus
