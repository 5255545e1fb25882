#pragma once
// A song's title and artist as singers see them on the karaoke screen: the
// song's own title lines ("@T" texts: the first is the title, the second the
// artist), else its file name.
#include <QString>
#include <QStringList>

namespace lirmus {

struct SongCredits {
    QString title;
    QString artist; ///< "" when the song names none
    bool operator==(const SongCredits&) const = default;
};

/// Credits from a song's title lines; the file name (without folder and extension,
/// underscores as blanks) when it has none.
SongCredits creditsFrom(const QStringList& titleLines, const QString& fileName);

/// Reads the title lines of the song file at path (a file that cannot be read gives its name).
SongCredits readSongCredits(const QString& path);

} // namespace lirmus
