#include "PartyApi.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace lirmus {
namespace {

// The body as a JSON object, or nullopt with *error.
std::optional<QJsonObject> objectOf(const QByteArray& body, QString* error)
{
    if (body.size() > kMaxBodyBytes) {
        *error = QStringLiteral("The request is too large.");
        return std::nullopt;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("The request is not a JSON object.");
        return std::nullopt;
    }
    return doc.object();
}

// A whole number from 1 up to what a double holds exactly; 0 for anything else.
qint64 wholeNumber(const QJsonValue& v)
{
    if (!v.isDouble()) return 0;
    const double d = v.toDouble();
    if (!(d >= 1 && d <= 9007199254740992.0) || std::floor(d) != d) return 0;
    return qint64(d);
}

} // namespace

QString cleanSinger(const QString& name)
{
    QString kept;
    for (const QChar c : name)
        if (c.isSpace()) kept += QLatin1Char(' ');
        else if (!c.isNonCharacter() && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format) kept += c;
    kept = kept.simplified();
    if (kept.size() > kMaxSingerChars) {
        kept.truncate(kMaxSingerChars);
        if (kept.back().isHighSurrogate()) kept.chop(1);
        kept = kept.trimmed();
    }
    return kept;
}

std::optional<SongRequest> parseSongRequest(const QByteArray& body, QString* error)
{
    const std::optional<QJsonObject> o = objectOf(body, error);
    if (!o) return std::nullopt;
    for (const QString& key : o->keys())
        if (key != "song" && key != "singer") {
            *error = QStringLiteral("Unknown field \"%1\": only \"song\" and \"singer\" are taken.").arg(key.left(40));
            return std::nullopt;
        }
    SongRequest r;
    r.song = wholeNumber(o->value("song"));
    if (r.song == 0) {
        *error = QStringLiteral("\"song\" must be the id of a song in the library.");
        return std::nullopt;
    }
    const QJsonValue singer = o->value("singer");
    r.singer = singer.isString() ? cleanSinger(singer.toString()) : QString();
    if (r.singer.isEmpty()) {
        *error = QStringLiteral("Say who sings: \"singer\" is missing.");
        return std::nullopt;
    }
    return r;
}

std::optional<int> parsePlace(const QByteArray& body, QString* error)
{
    const std::optional<QJsonObject> o = objectOf(body, error);
    if (!o) return std::nullopt;
    const qint64 place = wholeNumber(o->value("place"));
    if (place == 0 || place > 1'000'000) {
        *error = QStringLiteral("\"place\" must be a whole number from 1.");
        return std::nullopt;
    }
    return int(place);
}

QJsonArray songsJson(const std::vector<CatalogSong>& songs)
{
    QJsonArray a;
    for (const CatalogSong& s : songs)
        a.append(QJsonObject{{"id", s.id}, {"name", s.name}, {"author", s.author}, {"category", s.category}});
    return a;
}

QJsonArray queueJson(const QList<QueuedSong>& queue, const QHash<QString, CatalogSong>& known, double secondsLeft)
{
    QJsonArray a;
    double wait = std::max(0.0, secondsLeft);
    int place = 1;
    for (const QueuedSong& q : queue) {
        QJsonObject o{{"id", qint64(q.id)}, {"singer", q.singer}, {"place", place++}, {"wait", qint64(std::lround(wait))}};
        if (const auto it = known.find(q.file); it != known.end()) {
            o["song"] = it->id;
            o["name"] = it->name;
            o["author"] = it->author;
        } else {
            // A song the host queued from a folder: its name only, never its path.
            o["song"] = QJsonValue::Null;
            o["name"] = QFileInfo(q.file).completeBaseName();
            o["author"] = QString();
        }
        a.append(o);
        wait += kAverageSongSeconds;
    }
    return a;
}

QJsonObject errorJson(const QString& text) { return QJsonObject{{"error", text}}; }

} // namespace lirmus
