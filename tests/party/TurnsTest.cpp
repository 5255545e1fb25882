// The plain pieces of the party: fair turns, the PIN guard, what a request
// body may hold and the catalog's words.
#include "FairTurns.h"
#include "PartyApi.h"
#include "PinGuard.h"
#include "SongCatalog.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

using namespace lirmus;

namespace {

// Asks in order, each (singer) placed where the turns say; returns the queue's singers.
QStringList askAll(FairTurns& turns, const QStringList& asks, const QString& onStage = {}, QStringList queue = {})
{
    for (const QString& who : asks) queue.insert(turns.place(queue, onStage, who), who);
    return queue;
}

} // namespace

TEST(FairTurns, EachSingersNextSongInTheOrderSingersFirstAsked)
{
    FairTurns turns;
    EXPECT_EQ(askAll(turns, {"A", "A", "A", "B", "B", "C"}), QStringList({"A", "B", "C", "A", "B", "A"}));
    turns.clear();
    // Interleaved asks give the same rounds; the first to ask leads every round.
    EXPECT_EQ(askAll(turns, {"B", "A", "A", "C", "A", "B"}), QStringList({"B", "A", "C", "B", "A", "A"}));
}

TEST(FairTurns, TheSingerOnStageHasHadThisRoundAndNamesMatchLooselyOnly)
{
    FairTurns turns;
    EXPECT_EQ(askAll(turns, {"B", "Ann", "C"}, "ann"), QStringList({"B", "C", "Ann"}));
    turns.clear();
    EXPECT_EQ(askAll(turns, {" ann  lee", "ANN LEE", "Anne"}), QStringList({" ann  lee", "Anne", "ANN LEE"}));
    EXPECT_EQ(FairTurns::pending({"Ann Lee", "bob", "ann lee "}, "ANN  LEE"), 2);
    EXPECT_EQ(FairTurns::pending({"Ann", "Bob"}, "Cleo"), 0);
}

TEST(FairTurns, SongsTheHostQueuedAndTheHostsMovesStay)
{
    FairTurns turns;
    // Unnamed songs are the host's own turns, ranked by where they stand.
    EXPECT_EQ(askAll(turns, {"A", "B"}, {}, {"", ""}), QStringList({"", "A", "B", ""}));
    turns.clear();
    // The host put B's second song first: later singers go after it, not in front.
    QStringList q = askAll(turns, {"A", "B", "A", "B"});
    ASSERT_EQ(q, QStringList({"A", "B", "A", "B"}));
    q.move(3, 0);
    EXPECT_EQ(turns.place(q, {}, "C"), 2) << "after the first round as it now stands";
}

TEST(PinGuard, TheRightPinPassesAndRepeatedWrongOnesShutAClientOut)
{
    PinGuard guard;
    EXPECT_EQ(guard.check("a", "1234", 0), PinGuard::Verdict::NoPin);
    guard.setPin(" 1234 ");
    EXPECT_EQ(guard.check("a", "1234", 0), PinGuard::Verdict::Ok);
    EXPECT_EQ(guard.check("a", "12345", 0), PinGuard::Verdict::Wrong);
    EXPECT_EQ(guard.check("a", "", 0), PinGuard::Verdict::Wrong);
    EXPECT_EQ(guard.check("a", "1234", 0), PinGuard::Verdict::Ok) << "a right PIN clears the count";
    for (int i = 0; i < PinGuard::kMaxWrong; ++i) EXPECT_EQ(guard.check("a", "9", 10), PinGuard::Verdict::Wrong);
    EXPECT_EQ(guard.check("a", "1234", 11), PinGuard::Verdict::LockedOut);
    EXPECT_EQ(guard.check("b", "1234", 11), PinGuard::Verdict::Ok) << "another client is not shut out";
    EXPECT_EQ(guard.check("a", "1234", 10 + PinGuard::kLockoutMs - 1), PinGuard::Verdict::LockedOut);
    EXPECT_EQ(guard.check("a", "1234", 10 + PinGuard::kLockoutMs), PinGuard::Verdict::Ok);
    EXPECT_TRUE(sameBytes("abc", "abc"));
    EXPECT_FALSE(sameBytes("abc", "abd"));
    EXPECT_FALSE(sameBytes("abc", "ab"));
}

TEST(PartyApi, ARequestIsALibraryIdAndANameAndNothingElse)
{
    QString why;
    const auto req = parseSongRequest(R"({"song": 42, "singer": "  Ann   Lee "})", &why);
    ASSERT_TRUE(req);
    EXPECT_EQ(req->song, 42);
    EXPECT_EQ(req->singer, "Ann Lee");
    for (const char* bad : {R"({"song": "42", "singer": "A"})", R"({"song": "/x/y.kar", "singer": "A"})",
                            R"({"song": 0, "singer": "A"})", R"({"song": 1e300, "singer": "A"})",
                            R"({"song": 4.2, "singer": "A"})", R"({"song": 42, "singer": 7})",
                            R"({"song": 42, "singer": "A", "path": "/x"})", R"({"song": 42})", "", "null", "42"}) {
        why.clear();
        EXPECT_FALSE(parseSongRequest(bad, &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
    EXPECT_EQ(cleanSinger(QString::fromUtf8("A\u200Bn\tn\u0007")), "An n");
    EXPECT_EQ(parsePlace(R"({"place": 3})", &why), 3);
    EXPECT_FALSE(parsePlace(R"({"place": -1})", &why));
}

TEST(PartyApi, TheQueueTellsNamesAndWaitsButNoPaths)
{
    QHash<QString, CatalogSong> known;
    known.insert("/s/a.kar", {7, "A Song", "Ann", "Pop", "/s/a.kar"});
    const QJsonArray q = queueJson({{1, "/s/a.kar", "Bob"}, {2, "/host/own/Tune.mid", ""}}, known, 30.4);
    ASSERT_EQ(q.size(), 2);
    EXPECT_EQ(q[0]["song"].toInteger(), 7);
    EXPECT_EQ(q[0]["wait"].toInt(), 30);
    EXPECT_EQ(q[1]["wait"].toInt(), 30 + kAverageSongSeconds);
    EXPECT_TRUE(q[1]["song"].isNull());
    EXPECT_EQ(q[1]["name"].toString(), "Tune");
    EXPECT_EQ(q[1]["place"].toInt(), 2);
    EXPECT_FALSE(QJsonDocument(q).toJson().contains("/host")) << "the host's folders stay private";
}

TEST(SongCatalog, WordsAreFoldedAndSplitOnAnythingButLettersAndDigits)
{
    EXPECT_EQ(catalogWords(QString::fromUtf8("Beyoncé's CAFÉ-Bar 2000")),
              (std::vector<std::string>{"beyonce", "s", "cafe", "bar", "2000"}));
    EXPECT_TRUE(catalogWords(" <>/ ").empty());
}
