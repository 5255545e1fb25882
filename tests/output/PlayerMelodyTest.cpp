// The melody channel a loaded song's lyrics point to, found before any of its
// notes is reported sent, and forgotten with the song.
#include "PlayerHarness.h"
#include "SmfWriter.h"

#include <gtest/gtest.h>

using namespace lirmus;

namespace {

/// Four syllables, each sounded by a note on channel tune (none when tune is -1).
std::string song(const std::string& name, int tune)
{
    test::SmfWriter w(1, 480);
    test::SmfTrack& words = w.track();
    test::SmfTrack& notes = w.track();
    for (int i = 0; i < 4; ++i) {
        if (tune >= 0) words.text(i ? 480 : 0, 1, "la ");
        notes.note(i ? 440 : 0, tune >= 0 ? tune : 0, 60, 90).noteOff(40, tune >= 0 ? tune : 0, 60);
    }
    words.end();
    notes.end();
    const std::string path = test::tempDir() + name;
    EXPECT_TRUE(w.save(path));
    return path;
}

} // namespace

TEST(PlayerMelody, TheChannelFoundFromTheLyricsAndForgottenWithTheSong)
{
    test::PlayerHarness h;
    h.settings.MelodyChannel = 3;
    h.start(song("sung.kar", 11));
    EXPECT_EQ(h.player->channels().MelodyFound, 11);
    EXPECT_EQ(melodyChannel(h.settings, h.player->channels()), 3) << "Auto is off";
    h.settings.MelodyAuto = true;
    EXPECT_EQ(melodyChannel(h.settings, h.player->channels()), 11);
    h.transport().Stop_Play();
    h.start(song("plain.mid", -1));
    EXPECT_EQ(h.player->channels().MelodyFound, -1) << "no lyrics: the setting";
    EXPECT_EQ(melodyChannel(h.settings, h.player->channels()), 3);
}
