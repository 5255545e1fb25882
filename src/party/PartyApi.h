#pragma once
// The guests' JSON: what a request body may hold, and how songs and the queue
// are written. Plain code; the server answers what these say.
#include "RequestDesk.h"
#include "SongCatalog.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace lirmus {

/// The largest request body taken.
constexpr qsizetype kMaxBodyBytes = 16 * 1024;
/// The longest singer's name kept.
constexpr int kMaxSingerChars = 40;
/// A song's length when the wait is estimated (the library does not keep lengths).
constexpr int kAverageSongSeconds = 210;

/// A guest's request: a library song id and a singer's name.
struct SongRequest {
    qint64 song = 0;
    QString singer;
};

/// Reads {"song": N, "singer": "NAME"}: N a positive whole number (never a path or any other
/// text), NAME not blank (blanks folded, control characters dropped, cut at kMaxSingerChars);
/// no other keys. nullopt with *error saying what is wrong.
std::optional<SongRequest> parseSongRequest(const QByteArray& body, QString* error);
/// Reads {"place": P} with P a whole number from 1; nullopt with *error otherwise.
std::optional<int> parsePlace(const QByteArray& body, QString* error);
/// A singer's name as the queue keeps it.
QString cleanSinger(const QString& name);

/// {"id", "name", "author", "category"} of each song.
QJsonArray songsJson(const std::vector<CatalogSong>& songs);
/// The queue in play order: {"id", "singer", "song", "name", "author", "place", "wait"} with
/// the library's texts where it holds the file (else the file's base name, song null), the
/// place from 1 and the estimated wait in seconds, counted from secondsLeft.
QJsonArray queueJson(const QList<QueuedSong>& queue, const QHash<QString, CatalogSong>& known, double secondsLeft);
/// {"error": text}.
QJsonObject errorJson(const QString& text);

} // namespace lirmus
