// The command strings as the player composes them, and what is refused.
#include "MciCommand.h"
#include "MciErrors.h"

#include <gtest/gtest.h>

using namespace lirmus;

TEST(MciCommand, ReadsThePlayersCommandsWhateverTheirCase)
{
    MciParsed p = parseMciCommand("Open \"/songs/My Song.kar\" alias MCIMidi Type Sequencer");
    ASSERT_EQ(p.error, 0) << p.message;
    EXPECT_EQ(p.command.verb, MciVerb::Open);
    EXPECT_EQ(p.command.device, "/songs/My Song.kar");
    EXPECT_EQ(p.command.alias, "MCIMidi");

    p = parseMciCommand("  pLAY   mcimidi   from 5000 ");
    ASSERT_EQ(p.error, 0) << p.message;
    EXPECT_EQ(p.command.verb, MciVerb::Play);
    EXPECT_EQ(p.command.device, "mcimidi");
    EXPECT_EQ(p.command.from, 5000);

    p = parseMciCommand("Play MCIMidi");
    EXPECT_EQ(p.error, 0);
    EXPECT_FALSE(p.command.from);

    p = parseMciCommand("Set MCIMidi Port -1");
    ASSERT_EQ(p.error, 0) << p.message;
    EXPECT_EQ(p.command.port, -1);
    EXPECT_FALSE(p.command.timeFormatMs);

    p = parseMciCommand("SET MCIMidi TIME FORMAT Milliseconds");
    ASSERT_EQ(p.error, 0) << p.message;
    EXPECT_TRUE(p.command.timeFormatMs);
    EXPECT_FALSE(p.command.port);

    EXPECT_EQ(parseMciCommand("Status MCIMidi Position").command.item, MciStatusItem::Position);
    EXPECT_EQ(parseMciCommand("status MCIMidi LENGTH").command.item, MciStatusItem::Length);
    EXPECT_EQ(parseMciCommand("Close All").command.device, "All");
    EXPECT_EQ(parseMciCommand("Resume MCIMidi").command.verb, MciVerb::Resume);
    EXPECT_EQ(parseMciCommand("Pause MCIMidi").command.verb, MciVerb::Pause);
}

TEST(MciCommand, QuotedNamesHoldQuotationMarksDoubled)
{
    for (const std::string name : {"/s/a \"b\".mid", "\"", "/s/\"\" alias X type Y\"", "plain", ""}) {
        const MciParsed p = parseMciCommand("Open " + mciQuote(name) + " alias MCIMidi Type Sequencer");
        ASSERT_EQ(p.error, 0) << name << ": " << p.message;
        EXPECT_EQ(p.command.device, name);
        EXPECT_EQ(p.command.alias, "MCIMidi");
    }
    EXPECT_EQ(mciQuote("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(parseMciCommand("Open \"a\"\"\" alias M").command.device, "a\"");
    EXPECT_NE(parseMciCommand("Open \"a\"\" alias M").error, 0);
}

TEST(MciCommand, RefusesWhatItDoesNotKnowWithAMessage)
{
    const std::pair<const char*, int> bad[] = {
        {"", kMciErrBadCommand},
        {"Rewind MCIMidi", kMciErrBadCommand},
        {"Play", kMciErrBadKeyword},
        {"Play MCIMidi backwards", kMciErrBadKeyword},
        {"Play MCIMidi FROM", kMciErrBadKeyword},
        {"Play MCIMidi FROM -5", kMciErrBadKeyword},
        {"Play MCIMidi FROM 12abc", kMciErrBadKeyword},
        {"Set MCIMidi", kMciErrBadKeyword},
        {"Set MCIMidi Port one", kMciErrBadKeyword},
        {"Set MCIMidi Time Format smpte 30", kMciErrBadKeyword},
        {"Status MCIMidi", kMciErrBadKeyword},
        {"Status MCIMidi Position Length", kMciErrBadKeyword},
        {"Close MCIMidi now", kMciErrBadKeyword},
        {"Open \"/songs/a.mid alias MCIMidi", kMciErrBadKeyword},
        {"Open song.mid alias MCIMidi Type WaveAudio", kMciErrBadKeyword},
    };
    for (const auto& [text, error] : bad) {
        const MciParsed p = parseMciCommand(text);
        EXPECT_EQ(p.error, error) << text;
        EXPECT_FALSE(p.message.empty()) << text;
    }
}
