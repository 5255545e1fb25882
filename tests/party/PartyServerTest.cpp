// The guests' service over real HTTP: search, requests taking turns, what is
// refused, the host's PIN, live updates and many guests at once.
#include "PartyRig.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWebSocket>

#include "PartyApi.h"

using namespace lirmus;
using namespace lirmus::test;

namespace {

const QList<PartySong> kSongs = {
    {"Alpha Blues", "Ann Artist", "Blues"},    {"Beta Rock", "Bob Band", "Rock"},
    {"Gamma Pop", "Ann Artist", "Pop"},         {"Delta Dawn", "Cleo Choir", "Country"},
    {"Épsilon Café", "Dé Duo", "Chanson"},      {"<img src=x onerror=alert(1)>", "<b>Bold</b>", "Tricks"},
};

QStringList names(const QJsonArray& a)
{
    QStringList out;
    for (const QJsonValue& v : a) out << v["name"].toString();
    return out;
}

} // namespace

TEST(PartyService, SearchFindsWordsOfNameAuthorAndCategoryAndNeverShowsPaths)
{
    PartyRig rig(kSongs);
    HttpReply r = rig.get("/api/songs?q=alp");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    const QJsonArray hits = r.json().array();
    ASSERT_EQ(hits.size(), 1);
    const QJsonObject alpha = hits[0].toObject();
    EXPECT_EQ(alpha["id"].toInteger(), rig.ids["Alpha Blues"]);
    EXPECT_EQ(alpha["author"].toString(), "Ann Artist");
    EXPECT_EQ(alpha["category"].toString(), "Blues");
    EXPECT_EQ(alpha.keys(), QStringList({"author", "category", "id", "name"})) << "no path goes out";

    EXPECT_EQ(names(rig.get("/api/songs?q=ann").json().array()), QStringList({"Alpha Blues", "Gamma Pop"}));
    EXPECT_EQ(names(rig.get("/api/songs?q=ANN%20pop").json().array()), QStringList({"Gamma Pop"})) << "every word";
    EXPECT_EQ(names(rig.get("/api/songs?q=epsilon%20cafe").json().array()), QStringList({"Épsilon Café"}));
    EXPECT_EQ(names(rig.get("/api/songs?q=onerror").json().array()), QStringList({"<img src=x onerror=alert(1)>"}));
    EXPECT_TRUE(rig.get("/api/songs?q=lues").json().array().isEmpty()) << "words are matched from their start";
    EXPECT_EQ(rig.get("/api/songs").json().array().size(), kSongs.size()) << "no text: every song, by name";
    EXPECT_EQ(names(rig.get("/api/songs").json().array()).first(), "<img src=x onerror=alert(1)>");

    // At most 100 answers however many match.
    QList<PartySong> many;
    for (int i = 0; i < 130; ++i) many.append({QString("Many %1").arg(i, 3, 10, QChar('0')), "Crowd", "Bulk"});
    rig.addSongs(many);
    // The service looks at the library file twice a second and reads it again beside the searches.
    QJsonArray crowd;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (crowd = rig.get("/api/songs?q=crowd").json().array()).size() == 100; }, 5000));
    EXPECT_EQ(crowd.first()["name"].toString(), "Many 000");
}

TEST(PartyService, SingersTakeTurnsInTheOrderTheyFirstAsked)
{
    PartyRig rig(kSongs);
    // Nothing plays: the first request starts at once.
    HttpReply first = rig.request("Alpha Blues", "Ann");
    ASSERT_EQ(first.status, 201) << first.body.toStdString();
    EXPECT_EQ(first.json()["place"].toInt(), 0);
    EXPECT_EQ(rig.player.state().SongFile, rig.files["Alpha Blues"]);
    EXPECT_EQ(rig.player.player->singerOnStage(), "Ann");

    EXPECT_EQ(rig.request("Beta Rock", "Ann").status, 201);
    EXPECT_EQ(rig.request("Gamma Pop", "ann ").status, 201) << "the same singer, however typed";
    const HttpReply bob = rig.request("Delta Dawn", "Bob");
    EXPECT_EQ(bob.json()["place"].toInt(), 1) << "Bob has not sung yet: he goes before Ann's second song";
    EXPECT_EQ(bob.json()["singer"].toString(), "Bob");
    EXPECT_EQ(rig.request("Épsilon Café", "Bob").status, 201);
    EXPECT_EQ(rig.request("Alpha Blues", "Cleo").status, 201);
    const QStringList turns = {"Bob:Delta Dawn", "Cleo:Alpha Blues", "Ann:Beta Rock", "Bob:Épsilon Café",
                               "ann:Gamma Pop"};
    EXPECT_EQ(rig.queue(), turns);
    EXPECT_EQ(rig.playerQueue(), turns) << "the player's queue is the one the guests see";

    const QJsonArray q = rig.get("/api/queue").json().array();
    EXPECT_EQ(q[0]["song"].toInteger(), rig.ids["Delta Dawn"]);
    EXPECT_EQ(q[0]["author"].toString(), "Cleo Choir");
    EXPECT_EQ(q[2]["place"].toInt(), 3);
    EXPECT_LT(q[0]["wait"].toInt(), q[1]["wait"].toInt()) << "later turns wait longer";

    // The host's own moves in the player window stand: a new singer goes after them.
    rig.player.player->playQueue().move(4, 0);
    EXPECT_EQ(rig.request("Beta Rock", "Dan").status, 201);
    EXPECT_EQ(rig.queue().mid(0, 4), QStringList({"ann:Gamma Pop", "Bob:Delta Dawn", "Cleo:Alpha Blues", "Dan:Beta Rock"}));
}

TEST(PartyService, RefusesWhatIsNotASongOfTheLibraryOrHasNoSinger)
{
    PartyRig rig(kSongs);
    rig.server->setLimit(2);
    const QByteArray id = QByteArray::number(rig.ids["Beta Rock"]);
    const auto post = [&](const QByteArray& body) { return http(rig.port, "POST", "/api/requests", body).status; };
    EXPECT_EQ(post("{\"song\": " + id + ", \"singer\": "), 400) << "broken JSON";
    EXPECT_EQ(post("[" + id + "]"), 400) << "not an object";
    EXPECT_EQ(post("{\"song\": " + id + "}"), 400) << "no singer";
    EXPECT_EQ(post("{\"song\": " + id + ", \"singer\": \"  \\u0007 \"}"), 400) << "a blank singer";
    EXPECT_EQ(post("{\"song\": \"" + rig.files["Beta Rock"].toUtf8() + "\", \"singer\": \"Eve\"}"), 400) << "a path";
    EXPECT_EQ(post("{\"song\": \"" + id + "\", \"singer\": \"Eve\"}"), 400) << "an id written as text";
    EXPECT_EQ(post("{\"song\": " + id + ".5, \"singer\": \"Eve\"}"), 400);
    EXPECT_EQ(post("{\"song\": -" + id + ", \"singer\": \"Eve\"}"), 400);
    EXPECT_EQ(post("{\"song\": 99999, \"singer\": \"Eve\"}"), 404) << "no such song";
    EXPECT_EQ(post("{\"song\": " + id + ", \"singer\": \"Eve\", \"file\": \"/etc/passwd\"}"), 400);
    const QByteArray huge = "{\"song\": " + id + ", \"singer\": \"" + QByteArray(17 * 1024, 'a') + "\"}";
    EXPECT_EQ(post(huge), 413);
    EXPECT_EQ(post(QByteArray(2 * 1024 * 1024, '{')), 413) << "a body of megabytes";
    EXPECT_EQ(rig.player.player->playQueue().size(), 0);
    EXPECT_TRUE(rig.player.state().SongFile.isEmpty()) << "nothing was started either";

    // A singer may have `limit` songs waiting; the one on stage does not count.
    EXPECT_EQ(rig.request("Alpha Blues", "Eve").status, 201);
    EXPECT_EQ(rig.request("Beta Rock", "Eve").status, 201);
    EXPECT_EQ(rig.request("Gamma Pop", "Eve").status, 201);
    const HttpReply over = rig.request("Delta Dawn", "EVE");
    EXPECT_EQ(over.status, 429);
    EXPECT_TRUE(over.json()["error"].toString().contains("2")) << over.body.toStdString();
    EXPECT_EQ(rig.request("Delta Dawn", "Fay").status, 201) << "others still may";
    // An over-long name is cut, control characters go.
    const HttpReply longName = rig.request("Delta Dawn", QString("G\u0001%1").arg(QString(60, 'x')));
    EXPECT_EQ(longName.json()["singer"].toString(), "G" + QString(kMaxSingerChars - 1, 'x'));
}

TEST(PartyService, HostActionsNeedThePinAndWrongGuessesShutTheClientOut)
{
    PartyRig rig(kSongs);
    rig.request("Alpha Blues", "Ann"); // on stage
    rig.request("Beta Rock", "Bob");
    rig.request("Gamma Pop", "Cleo");
    rig.request("Delta Dawn", "Dan");
    const QList<QueuedSong> waiting = rig.desk->queued();
    const QByteArray cleo = QByteArray::number(waiting[1].id), dan = QByteArray::number(waiting[2].id);

    EXPECT_EQ(rig.host("DELETE", "/api/requests/" + cleo, "").status, 401) << "no PIN";
    EXPECT_EQ(rig.host("DELETE", "/api/requests/" + cleo, "1234").status, 401);
    EXPECT_EQ(rig.host("POST", "/api/skip", "43210").status, 401);
    EXPECT_EQ(rig.desk->queued().size(), 3) << "nothing was removed";

    EXPECT_EQ(rig.host("POST", "/api/requests/" + dan + "/move", "4321", "{\"place\": 1}").status, 200);
    EXPECT_EQ(rig.queue(), QStringList({"Dan:Delta Dawn", "Bob:Beta Rock", "Cleo:Gamma Pop"}));
    EXPECT_EQ(rig.host("POST", "/api/requests/" + dan + "/move", "4321", "{\"place\": 0}").status, 400);
    EXPECT_EQ(rig.host("POST", "/api/requests/" + dan + "/move", "4321", "{\"place\": 99}").status, 200)
        << "past the end is the end";
    EXPECT_EQ(rig.queue().last(), "Dan:Delta Dawn");
    EXPECT_EQ(rig.host("DELETE", "/api/requests/" + cleo, "4321").status, 200);
    EXPECT_EQ(rig.host("DELETE", "/api/requests/" + cleo, "4321").status, 404) << "already gone";
    EXPECT_EQ(rig.queue(), QStringList({"Bob:Beta Rock", "Dan:Delta Dawn"}));

    EXPECT_EQ(rig.host("POST", "/api/pause", "4321").status, 200);
    EXPECT_TRUE(rig.player.state().Paused);
    EXPECT_EQ(rig.host("POST", "/api/pause", "4321").status, 200);
    EXPECT_FALSE(rig.player.state().Paused) << "pause again goes on";
    EXPECT_EQ(rig.host("POST", "/api/skip", "4321").status, 200);
    EXPECT_EQ(rig.player.state().SongFile, rig.files["Beta Rock"]) << "the next turn starts";
    EXPECT_EQ(rig.player.player->singerOnStage(), "Bob");
    EXPECT_EQ(rig.queue(), QStringList({"Dan:Delta Dawn"}));

    // Five wrong guesses in a row: even the right PIN is refused for a while.
    for (int i = 0; i < PinGuard::kMaxWrong; ++i) EXPECT_EQ(rig.host("POST", "/api/skip", "0000").status, 401);
    EXPECT_EQ(rig.host("POST", "/api/skip", "4321").status, 429);
    EXPECT_EQ(rig.player.state().SongFile, rig.files["Beta Rock"]);

    // Without a PIN set, host actions are off.
    rig.server->setPin("");
    EXPECT_EQ(rig.host("POST", "/api/skip", "").status, 403);
}

TEST(PartyService, ServesItsOwnPageAndNothingElse)
{
    PartyRig rig(kSongs);
    const HttpReply page = rig.get("/");
    ASSERT_EQ(page.status, 200);
    EXPECT_TRUE(page.header("Content-Type").startsWith("text/html"));
    EXPECT_TRUE(page.body.contains("/app.js"));
    EXPECT_FALSE(page.body.contains("http")) << "no file from elsewhere";
    EXPECT_TRUE(page.header("Content-Security-Policy").contains("default-src 'self'"));
    EXPECT_EQ(rig.get("/app.js").status, 200);
    EXPECT_TRUE(rig.get("/app.js").header("Content-Type").startsWith("text/javascript"));
    EXPECT_EQ(rig.get("/style.css").status, 200);
    for (const QByteArray path : {"/index.html/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/api/files", "/party/app.js"})
        EXPECT_EQ(rig.get(path).status, 404) << path.constData();
    EXPECT_EQ(http(rig.port, "GET", "/api/requests").status, 404) << "requests are only added";
}

TEST(PartyService, ManyGuestsAtOnceAllGetAnswers)
{
    PartyRig rig(kSongs);
    rig.server->setLimit(5);
    std::vector<std::unique_ptr<HttpCall>> calls;
    for (int i = 0; i < 120; ++i)
        calls.push_back(std::make_unique<HttpCall>(rig.port, "GET", i % 2 ? "/api/songs?q=a" : "/api/queue"));
    for (int i = 0; i < 30; ++i) {
        const QJsonObject o{{"song", rig.ids[kSongs[i % kSongs.size()].name]}, {"singer", QString("Guest %1").arg(i % 10)}};
        calls.push_back(std::make_unique<HttpCall>(rig.port, "POST", "/api/requests", QJsonDocument(o).toJson()));
    }
    QList<HttpCall*> all;
    for (auto& c : calls) all << c.get();
    waitAll(all);
    int ok = 0;
    for (const HttpCall* c : all) ok += c->reply().status == 200 || c->reply().status == 201;
    EXPECT_EQ(ok, int(all.size()));
    // Thirty requests from ten singers: one on stage, the rest in three full rounds of ten.
    const QStringList q = rig.playerQueue();
    ASSERT_EQ(q.size(), 29);
    QStringList firstRound;
    for (int i = 0; i < 9; ++i) firstRound << q[i].section(':', 0, 0);
    firstRound.removeDuplicates();
    EXPECT_EQ(firstRound.size(), 9) << "nobody sings twice before the others once";
}

TEST(PartyService, BrowsersHearOfEveryChangeToTheQueue)
{
    PartyRig rig(kSongs);
    QWebSocket live, stray;
    QStringList heard;
    bool strayClosed = false;
    QObject::connect(&live, &QWebSocket::textMessageReceived, [&](const QString& m) { heard << m; });
    QObject::connect(&stray, &QWebSocket::disconnected, [&] { strayClosed = true; });
    live.open(QUrl(QString("ws://127.0.0.1:%1/api/live").arg(rig.port)));
    stray.open(QUrl(QString("ws://127.0.0.1:%1/elsewhere").arg(rig.port)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.server->liveClients() == 1 && strayClosed; }, 5000));
    rig.request("Alpha Blues", "Ann");
    rig.request("Beta Rock", "Bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.isEmpty(); }, 5000));
    EXPECT_TRUE(heard.first().contains("queue"));
    const int before = int(heard.size());
    // The host, in the player window: three changes in one turn of the loop are told once.
    PlayQueue& q = rig.player.player->playQueue();
    q.remove(0);
    q.add({rig.files["Gamma Pop"], rig.files["Delta Dawn"]});
    q.moveUp(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return heard.size() > before; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(heard.size(), before + 1);
    live.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rig.server->liveClients() == 0; }, 5000));
}
