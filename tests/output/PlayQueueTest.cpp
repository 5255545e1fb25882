// The play queue: its order after moves and removals, its return after a
// restart, the next song at the end of one (playing, or cued with AutoStart),
// and queued songs that cannot be read.
#include "PlayerHarness.h"
#include "ProfileDocument.h"
#include "SampleLyrics.h"
#include "SettingsService.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include <map>
#include <optional>
#include <set>

using namespace lirmus;
using lirmus::test::PlayerHarness;

namespace {

/// A song of seconds with a note every 250 ms on channel 1, all of pitch key.
std::string writeSong(const std::string& path, int seconds, int key)
{
    test::SmfWriter smf(1, 500);
    smf.track().tempo(0, 500000).end();
    test::SmfTrack& t = smf.track().program(0, 0, 0);
    for (int i = 0; i < seconds * 4; ++i) t.note(i == 0 ? 0 : 50, 0, key, 100).noteOff(200, 0, key);
    t.end();
    EXPECT_TRUE(smf.save(path));
    return path;
}

/// The pitches of the note-ons the device received that were due from clock time us on
/// (by due time: the output's thread may record a message a little after it was due).
std::set<int> keysFrom(const PlayerHarness& h, int64_t us)
{
    std::set<int> keys;
    for (const SentMessage& m : h.device.messages())
        if (m.dueUs >= us && m.bytes.size() == 3 && (uint8_t(m.bytes[0]) & 0xF0) == 0x90 && m.bytes[2] != 0)
            keys.insert(m.bytes[1]);
    return keys;
}

/// A harness whose song end starts the next queued song as the program does: after the report returns.
struct Chain {
    explicit Chain(bool autoStart) : h(autoStart)
    {
        h.player->queueChain().setStarter([this](const QString& f, const QString&) { h.start(f.toStdString()); },
                                          [this](std::function<void()> f) { deferred.push_back(std::move(f)); },
                                          [this](const QStringList& files) { skipped << files; ++skipMessages; });
    }
    /// Plays ms, then runs the starts that were put off meanwhile.
    void play(long ms)
    {
        h.play(ms);
        auto pending = std::move(deferred);
        deferred.clear();
        for (auto& f : pending) f();
    }
    PlayQueue& queue() { return h.player->playQueue(); }

    PlayerHarness h;
    std::vector<std::function<void()>> deferred;
    QStringList skipped;
    int skipMessages = 0;
};

} // namespace

TEST(PlayQueue, MovesAndRemovalsKeepTheOrderAndARestartFindsIt)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    // Paths as users have them: blanks, accents, an equals sign, a semicolon.
    const QStringList songs = {"/songs/a b.kar", QString::fromUtf8("/songs/caf\xC3\xA9.mid"), "/songs/x=y.mid",
                               "/songs/d;e.kar", "/songs/e.mid"};
    {
        SettingsService store(ini);
        PlayQueue q;
        q.attachStore(&store);
        EXPECT_TRUE(q.isEmpty());
        int told = 0;
        q.setChanged([&told] { ++told; });
        q.add(songs);
        EXPECT_FALSE(q.moveUp(0));
        EXPECT_FALSE(q.moveDown(4));
        EXPECT_FALSE(q.remove(5));
        EXPECT_FALSE(q.moveUp(-1));
        EXPECT_EQ(told, 1) << "refused moves change nothing";
        EXPECT_TRUE(q.moveUp(2));   // a, x=y, café, d;e, e
        EXPECT_TRUE(q.moveDown(0)); // x=y, a, café, d;e, e
        EXPECT_TRUE(q.remove(3));   // x=y, a, café, e
        EXPECT_EQ(q.takeFirst(), songs[2]);
        EXPECT_EQ(q.songs(), QStringList({songs[0], songs[1], songs[4]}));
        ASSERT_TRUE(store.flush());
    }
    SettingsService again(ini);
    PlayQueue restored;
    restored.attachStore(&again);
    EXPECT_EQ(restored.songs(), QStringList({songs[0], songs[1], songs[4]})) << "entries past the end stay out";

    // Emptied, it stays empty after the next restart too.
    while (!restored.isEmpty()) restored.remove(0);
    ASSERT_TRUE(again.flush());
    SettingsService third(ini);
    PlayQueue empty;
    empty.attachStore(&third);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(PlayQueue, TheStoredQueueHoldsOnlyTheKeysOfTheSongsStillInIt)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    test::writeFile(ini, "[QUEUE]\nSong9=/s/old.mid\nSinger9=Old\n[OTHER]\nSong7=kept\n");
    // In key order: the file's own order follows the edits.
    auto queueKeys = [&] {
        std::map<std::string, std::string> keys;
        for (const auto& [key, value] : ProfileDocument::fromText(test::readFile(ini)).entries("QUEUE"))
            keys[key] += value + ";";
        std::string text;
        for (const auto& [key, values] : keys) text += key + "=" + values;
        return text;
    };
    {
        SettingsService store(ini);
        PlayQueue q;
        q.attachStore(&store);
        q.add({"/s/a.mid", "/s/b.mid"}, "Ann");
        q.add({"/s/c.mid"});
        q.add({"/s/d.mid"}, "Bo");
        ASSERT_TRUE(store.flush());
        EXPECT_EQ(queueKeys(), "Count=4;Singer1=Ann;Singer2=Ann;Singer3=;Singer4=Bo;"
                               "Song1=/s/a.mid;Song2=/s/b.mid;Song3=/s/c.mid;Song4=/s/d.mid;");
        q.remove(3);
        q.takeFirst();
        ASSERT_TRUE(store.flush());
        EXPECT_EQ(queueKeys(), "Count=2;Singer1=Ann;Singer2=;Song1=/s/b.mid;Song2=/s/c.mid;");
        q.remove(0);
        ASSERT_TRUE(store.flush());
        EXPECT_EQ(queueKeys(), "Count=1;Song1=/s/c.mid;") << "no names left: no Singer keys";
    }
    EXPECT_NE(test::readFile(ini).find("Song7=kept"), std::string::npos) << "other sections are left alone";
    SettingsService again(ini);
    PlayQueue restored;
    restored.attachStore(&again);
    EXPECT_EQ(restored.songs(), QStringList({"/s/c.mid"}));
    EXPECT_EQ(restored.singerAt(0), "");
}

TEST(PlayQueue, ASettingsFileSayingAnyCountGivesOnlyTheSongsThatAreThere)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    test::writeFile(ini, "[QUEUE]\nSong3=/s/c.mid\nsong1=/s/a.kar\nSong1=/s/second-a.kar\nSongX=/s/x.mid\n"
                         "Song0=/s/zero.mid\nSong20000=/s/far.mid\nCount=2147483647\n");
    {
        SettingsService store(ini);
        PlayQueue q;
        q.attachStore(&store);
        EXPECT_EQ(q.songs(), QStringList({"/s/a.kar", "/s/c.mid"}));
        q.add({"/s/d.mid"});
        ASSERT_TRUE(store.flush());
        EXPECT_EQ(store.getInt("QUEUE", "Count", 0), 3);
    }
    SettingsService again(ini);
    PlayQueue restored;
    restored.attachStore(&again);
    EXPECT_EQ(restored.songs(), QStringList({"/s/a.kar", "/s/c.mid", "/s/d.mid"}));

    // A queue written by hand past the bound is read up to it.
    std::string text = "[QUEUE]\nCount=10002\n";
    for (int n = 1; n <= 10002; ++n) text += "Song" + std::to_string(n) + "=/s/" + std::to_string(n) + ".mid\n";
    test::writeFile(ini, text);
    SettingsService big(ini);
    PlayQueue full;
    full.attachStore(&big);
    ASSERT_EQ(full.size(), PlayQueue::kMaxSongs);
    EXPECT_EQ(full.songs().last(), "/s/10000.mid");
}

TEST(PlayQueue, AFullQueueRefusesFurtherSongsWithOneNotice)
{
    const std::string ini = test::tempDir() + "LIRMUS.INI";
    QStringList many;
    for (int i = 0; i < PlayQueue::kMaxSongs - 1; ++i) many << QString("/s/%1.mid").arg(i);
    SettingsService store(ini);
    PlayQueue q;
    q.attachStore(&store);
    std::vector<QStringList> notices;
    q.setRefused([&](const QStringList& files) { notices.push_back(files); });
    EXPECT_EQ(q.add(many), PlayQueue::kMaxSongs - 1);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(q.add({"/s/last.mid", "/s/no1.mid", "/s/no2.mid"}), 1);
    ASSERT_EQ(notices.size(), 1u) << "one notice for the whole batch";
    EXPECT_EQ(notices[0], QStringList({"/s/no1.mid", "/s/no2.mid"}));
    EXPECT_EQ(q.add({"/s/no3.mid"}), 0);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(q.size(), PlayQueue::kMaxSongs);
    EXPECT_EQ(q.songs().last(), "/s/last.mid");

    // Room again once a song is taken.
    q.takeFirst();
    EXPECT_EQ(q.add({"/s/again.mid"}), 1);
    EXPECT_EQ(notices.size(), 2u);
    EXPECT_EQ(q.add({}), 0);
    EXPECT_EQ(notices.size(), 2u) << "nothing refused, nothing said";
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(store.getInt("QUEUE", "Count", 0), PlayQueue::kMaxSongs);
    EXPECT_EQ(store.getString("QUEUE", "Song1"), "/s/1.mid");
    EXPECT_EQ(store.getString("QUEUE", "Song10000"), "/s/again.mid");
}

TEST(PlayQueue, TheNextSongStartsWhenOneEnds)
{
    const std::string dir = test::tempDir();
    Chain c(false);
    c.queue().add({QString::fromStdString(writeSong(dir + "second.mid", 1, 64))});
    c.h.start(writeSong(dir + "first.mid", 1, 60));
    EXPECT_TRUE(c.h.player->songInUse());
    c.play(500);
    EXPECT_TRUE(c.deferred.empty()) << "nothing moves on mid-song";
    c.play(1000);
    EXPECT_EQ(c.h.player->state().SongFile, QString::fromStdString(dir + "second.mid"));
    EXPECT_TRUE(c.queue().isEmpty());
    EXPECT_TRUE(c.h.player->songInUse()) << "playing at once, AutoStart being off";
    const int64_t before = c.h.clock.nowUs();
    c.play(3000);
    EXPECT_EQ(keysFrom(c.h, before), std::set<int>{64}) << "the second song played through";
    EXPECT_FALSE(c.h.player->songInUse()) << "the last song ended: nothing plays";
    EXPECT_TRUE(c.deferred.empty());
}

TEST(PlayQueue, WithAutoStartTheNextSongWaitsForPlay)
{
    const std::string dir = test::tempDir();
    Chain c(true);
    const QString second = QString::fromStdString(writeSong(dir + "second.mid", 1, 64));
    c.queue().add({second});
    c.h.start(writeSong(dir + "first.mid", 1, 60));
    EXPECT_FALSE(c.h.player->songInUse()) << "a cued song may be replaced";
    c.h.transport().cmdPlay_Click();
    c.play(3000);
    EXPECT_EQ(c.h.player->state().SongFile, second);
    EXPECT_TRUE(c.h.buttons.Play && !c.h.buttons.Pause) << "cued for the next singer";
    const int64_t before = c.h.clock.nowUs();
    c.play(2000);
    EXPECT_TRUE(keysFrom(c.h, before).empty()) << "a cued song waits for Play";
    c.h.transport().cmdPlay_Click();
    c.play(500);
    EXPECT_TRUE(c.h.player->songInUse());
    EXPECT_EQ(keysFrom(c.h, before), std::set<int>{64});
}

TEST(PlayQueue, StopDoesNotMoveOnAndPausedMidSongCountsAsInUse)
{
    const std::string dir = test::tempDir();
    Chain c(false);
    c.queue().add({QString::fromStdString(writeSong(dir + "second.mid", 1, 64))});
    c.h.start(writeSong(dir + "first.mid", 4, 60));
    c.play(1000);
    c.h.transport().cmdPause_Click();
    EXPECT_TRUE(c.h.player->songInUse());
    c.h.transport().cmdPlay_Click();
    c.h.transport().cmdStop_Click();
    c.play(1000);
    EXPECT_EQ(c.queue().size(), 1) << "the singer stopped: the next one waits for its turn";
    EXPECT_FALSE(c.h.player->songInUse());
}

TEST(PlayQueue, UnreadableQueuedSongsAreSkippedWithOneMessage)
{
    const std::string dir = test::tempDir();
    Chain c(false);
    const QString gone = QString::fromStdString(dir + "deleted.mid");
    const QString folder = QString::fromStdString(dir); // a folder is no song
    const QString third = QString::fromStdString(writeSong(dir + "third.mid", 1, 67));
    c.queue().add({gone, folder, third});
    c.h.start(writeSong(dir + "first.mid", 1, 60));
    c.play(3000);
    EXPECT_EQ(c.skipMessages, 1);
    EXPECT_EQ(c.skipped, QStringList({gone, folder}));
    EXPECT_EQ(c.h.player->state().SongFile, third);
    EXPECT_TRUE(c.h.player->songInUse());

    // Only unreadable songs left: one message, and the player stays stopped and usable.
    c.queue().add({gone});
    c.play(3000);
    EXPECT_EQ(c.skipMessages, 2);
    EXPECT_TRUE(c.queue().isEmpty());
    EXPECT_FALSE(c.h.player->songInUse());
    EXPECT_TRUE(c.h.buttons.Play);
}

TEST(PlayQueue, ASongNotYetPastItsStartIsReplacedByTheNextHandedOver)
{
    const std::string dir = test::tempDir();
    const QString other = QString::fromStdString(writeSong(dir + "other.mid", 1, 64));
    // Paused while only its time-0 entries have sounded.
    Chain paused(false);
    paused.h.start(writeSong(dir + "first.mid", 4, 60));
    paused.play(20); // its first note sounds
    paused.h.transport().cmdPause_Click();
    paused.h.player->handOver({other});
    EXPECT_EQ(paused.h.player->state().SongFile, other);
    EXPECT_TRUE(paused.queue().isEmpty());

    // Stopped mid-song with AutoStart: cued again at its start, where a key change keeps it.
    // A song that opens with its first note, each note a semitone above the last.
    test::SmfWriter rising(0, 500);
    test::SmfTrack& t = rising.track();
    for (int i = 0; i < 16; ++i) t.note(i == 0 ? 0 : 50, 0, 60 + i, 100).noteOff(200, 0, 60 + i);
    t.end();
    ASSERT_TRUE(rising.save(dir + "rising.mid"));
    Chain cued(true);
    cued.h.start(dir + "rising.mid");
    cued.h.transport().cmdPlay_Click();
    cued.play(2000);
    cued.h.transport().cmdStop_Click();
    cued.h.player->mixer().udTrans_Change(2);
    cued.play(100);
    const int64_t before = cued.h.clock.nowUs();
    cued.h.transport().cmdPlay_Click();
    cued.play(100);
    EXPECT_EQ(keysFrom(cued.h, before), std::set<int>{62}) << "from the start, a tone higher";
    cued.h.transport().cmdStop_Click();
    cued.h.player->handOver({other});
    EXPECT_EQ(cued.h.player->state().SongFile, other);
    EXPECT_TRUE(cued.queue().isEmpty());
}

TEST(PlayQueue, WhoAskedForEachSongMovesWithItAndARestartFindsIt)
{
    const std::string ini = test::tempDir() + "SINGERS.INI";
    {
        SettingsService store(ini);
        PlayQueue q;
        q.attachStore(&store);
        q.add({"/s/a.kar", "/s/b.kar"}, "  Anna  Maria ");
        q.add({"/s/c.kar"});
        q.add({"/s/d.kar"}, "Bo");
        EXPECT_TRUE(q.moveUp(2)); // a, c, b, d
        EXPECT_EQ(q.singerAt(1), "");
        EXPECT_EQ(q.singerAt(2), "Anna Maria");
        QString who;
        EXPECT_EQ(q.takeFirst(&who), "/s/a.kar");
        EXPECT_EQ(who, "Anna Maria");
        EXPECT_TRUE(q.remove(1)); // c, d
        ASSERT_TRUE(store.flush());
    }
    {
        SettingsService again(ini);
        PlayQueue q;
        q.attachStore(&again);
        EXPECT_EQ(q.songs(), QStringList({"/s/c.kar", "/s/d.kar"}));
        EXPECT_EQ(q.singerAt(0), "");
        EXPECT_EQ(q.singerAt(1), "Bo") << "a name left by a song gone does not go to the next";
        // Nobody named any more: the names left in the file are cleared.
        q.remove(1);
        q.add({"/s/e.kar", "/s/f.kar"});
        ASSERT_TRUE(again.flush());
    }
    SettingsService third(ini);
    PlayQueue q;
    q.attachStore(&third);
    EXPECT_EQ(q.songs(), QStringList({"/s/c.kar", "/s/e.kar", "/s/f.kar"}));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(q.singerAt(row), "") << row;
}

TEST(PlayQueue, EachSongKeepsItsIdWhereverItIsPutOrMovedAndIsKeptWhenStored)
{
    const std::string ini = test::tempDir() + "IDS.INI";
    SettingsService store(ini);
    PlayQueue q;
    q.attachStore(&store);
    int told = 0, watched = 0;
    q.setChanged([&] { ++told; });
    q.setWatcher([&] { ++watched; });
    q.add({"/s/a.kar", "/s/b.kar"}, "Ann");
    const quint64 a = q.idAt(0), b = q.idAt(1);
    const quint64 c = q.insert(1, "/s/c.kar", " Bo ");
    EXPECT_EQ(q.songs(), QStringList({"/s/a.kar", "/s/c.kar", "/s/b.kar"}));
    EXPECT_EQ(q.singerAt(1), "Bo");
    EXPECT_EQ(q.insert(99, "/s/d.kar", ""), c + 1) << "past the end is the end";
    EXPECT_EQ(q.insert(-5, "/s/e.kar", ""), c + 2) << "before the start is the start";
    EXPECT_EQ(q.songs().first(), "/s/e.kar");
    EXPECT_TRUE(q.move(1, 3)); // e, c, b, a, d
    EXPECT_EQ(q.songs(), QStringList({"/s/e.kar", "/s/c.kar", "/s/b.kar", "/s/a.kar", "/s/d.kar"}));
    EXPECT_EQ(q.rowOf(a), 3);
    EXPECT_EQ(q.singerAt(3), "Ann");
    EXPECT_EQ(q.rowOf(b), 2);
    EXPECT_FALSE(q.move(0, 5));
    EXPECT_FALSE(q.move(-1, 0));
    EXPECT_TRUE(q.remove(q.rowOf(c)));
    EXPECT_EQ(q.rowOf(c), -1) << "a song gone has no row";
    EXPECT_EQ(q.takeFirst(), "/s/e.kar");
    EXPECT_EQ(q.idAt(0), b);
    EXPECT_EQ(told, watched) << "the window and the watcher hear the same changes";
    ASSERT_TRUE(store.flush());
    SettingsService again(ini);
    PlayQueue restarted;
    restarted.attachStore(&again);
    EXPECT_EQ(restarted.songs(), QStringList({"/s/b.kar", "/s/a.kar", "/s/d.kar"}));
    EXPECT_EQ(restarted.singerAt(1), "Ann");
}

TEST(PlayQueue, TheCardNamesTheNextQueuedSongAndItsSingerAndItsPlace)
{
    PlayerHarness h(true); // AutoStart: each song waits for Play behind its card
    h.player->setTitleCards(true);
    const std::string first = test::tempDir() + "card-first.kar", second = test::tempDir() + "card-second.kar";
    test::writeFile(first, test::karaokeSong({"la la la"}, "UTF-8", "First Song"));
    test::writeFile(second, test::karaokeSong({"lo lo lo"}, "UTF-8", "Second Song"));
    PlayQueue& queue = h.player->playQueue();
    queue.add({QString::fromStdString(first)}, "Anna");
    queue.add({QString::fromStdString(second)}, "Bo");
    std::optional<TitleCard> card = h.player->titleCard();
    ASSERT_TRUE(card.has_value()) << "before the first song: the first queued";
    EXPECT_EQ(card->credits.title, "First Song");
    EXPECT_EQ(card->singer, "Anna");
    EXPECT_EQ(card->place, 1);
    EXPECT_EQ(card->count, 2);

    ASSERT_TRUE(h.player->queueChain().startNext());
    h.pump();
    card = h.player->titleCard();
    ASSERT_TRUE(card.has_value()) << "cued for Play";
    EXPECT_EQ(card->credits.title, "First Song");
    EXPECT_EQ(card->singer, "Anna");
    EXPECT_EQ(card->count, 2) << "itself and the one after it";
    h.transport().cmdPlay_Click();
    EXPECT_FALSE(h.player->titleCard().has_value()) << "no card while it plays";
    for (int i = 0; i < 100 && h.player->output().State() == 2; ++i) h.play(500);
    QCoreApplication::sendPostedEvents(); // the song end starts the next once its report has returned
    h.pump();
    card = h.player->titleCard();
    ASSERT_TRUE(card.has_value()) << "the next one cued";
    EXPECT_EQ(card->credits.title, "Second Song");
    EXPECT_EQ(card->singer, "Bo");
    EXPECT_EQ(card->count, 1);

    h.player->setTitleCards(false);
    EXPECT_FALSE(h.player->titleCard().has_value()) << "no screen, no card";
}
