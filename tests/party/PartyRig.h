#pragma once
// The real party service on a free loopback port, in front of the real player
// (test device, manual clock) and a real library of songs written for the test.
#include "HttpClient.h"
#include "LibraryFixture.h"
#include "PartyDesk.h"
#include "PartyServer.h"
#include "PlayerHarness.h"
#include "SampleLyrics.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

namespace lirmus::test {

struct PartySong {
    QString name, author, category;
};

class PartyRig {
public:
    QTemporaryDir dir;
    PlayerHarness player;
    QString library;
    QHash<QString, qint64> ids;    ///< song name -> library id
    QHash<QString, QString> files; ///< song name -> file
    std::unique_ptr<PartyDesk> desk;
    std::unique_ptr<PartyServer> server;
    quint16 port = 0;

    explicit PartyRig(const QList<PartySong>& songs, const QString& pin = "4321")
    {
        library = newLibrary(dir.path());
        addSongs(songs);
        desk = std::make_unique<PartyDesk>(*player.player);
        server = std::make_unique<PartyServer>(*desk);
        server->setLibrary(library);
        server->setPin(pin);
        // Guests search before they ask: the library is read by then.
        server->catalog().refresh();
        QString error;
        port = server->start(0, &error, QHostAddress::LocalHost);
        EXPECT_NE(port, 0) << error.toStdString();
    }
    ~PartyRig()
    {
        server.reset();
        desk.reset();
    }

    /// Writes each song's file and adds it to the library.
    void addSongs(const QList<PartySong>& songs)
    {
        SongLibrary lib;
        DbError e;
        ASSERT_TRUE(lib.open(library, &e) && lib.begin(&e)) << e.text().toStdString();
        for (const PartySong& s : songs) {
            const QString file = dir.path() + "/" + s.name + ".kar";
            writeFile(file.toStdString(), karaokeSong({"la la la"}, "UTF-8", s.name.toStdString()));
            ASSERT_TRUE(lib.insertSong({s.name, s.author, s.category, 0, file}, &e)) << e.text().toStdString();
            ids[s.name] = sqlValue(lib, "SELECT rowid FROM \"All Songs\" WHERE MidiFile = '" +
                                            QString(file).replace("'", "''") + "'")
                              .toLongLong();
            files[s.name] = file;
        }
        ASSERT_TRUE(lib.commit(&e)) << e.text().toStdString();
    }

    HttpReply get(const QByteArray& path) { return http(port, "GET", path); }
    /// Asks for the song by name for singer, as the page does.
    HttpReply request(const QString& song, const QString& singer)
    {
        const QJsonObject o{{"song", ids.value(song)}, {"singer", singer}};
        return http(port, "POST", "/api/requests", QJsonDocument(o).toJson(QJsonDocument::Compact),
                    {{"Content-Type", "application/json"}});
    }
    /// A host action with this PIN ("" sends none).
    HttpReply host(const QByteArray& method, const QByteArray& path, const QByteArray& pin, const QByteArray& body = {})
    {
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!pin.isEmpty()) headers.append({"X-Lirmus-Pin", pin});
        return http(port, method, path, body, headers);
    }
    /// The queue as "singer:name" in play order, as the service gives it.
    QStringList queue()
    {
        QStringList out;
        for (const QJsonValue& v : get("/api/queue").json().array())
            out << v["singer"].toString() + ":" + v["name"].toString();
        return out;
    }
    /// The player's own queue, as "singer:file base name".
    QStringList playerQueue() const
    {
        const PlayQueue& q = player.player->playQueue();
        QStringList out;
        for (int i = 0; i < q.size(); ++i) out << q.singerAt(i) + ":" + QFileInfo(q.songs()[i]).completeBaseName();
        return out;
    }
};

} // namespace lirmus::test
