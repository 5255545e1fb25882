#pragma once
// The lyric half of the player on plain state a test may set as it likes: the
// song, the player's and the lyric display's state, a song clock that stands
// where the test puts it, the lyric cursor the views attach to and the
// dispatcher that drives it. Songs are prepared as the player prepares them.
#include "ChannelState.h"
#include "Clock.h"
#include "ControllerTable.h"
#include "Dispatcher.h"
#include "LoadSong.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "MIDIOutput.h"
#include "Midifile.h"
#include "PlayerDisplays.h"
#include "Settings.h"
#include "SongState.h"

#include <string>

namespace lirmus::test {

struct LyricRig : private NullSongSink {
    Settings settings;
    ControllerTable controllers = defaultControllerTable();
    SongState song;
    PlayerFlags flags;
    PlayerState playerState;
    ChannelState channels;
    LyricDisplayState state;
    ManualClock clock;
    MIDIOutput out{&clock};
    NullDisplays nulls;
    double now = 50; ///< the song clock, seconds
    LyricCursor cursor{state, song, playerState, settings, out, [this] { return now; }};
    Dispatcher dispatcher{song, flags, playerState, channels, state, controllers, settings, out,
                          [this] { return now; }, cursor, nulls.displays()};

    /// Entry tag has been sent.
    void sent(long tag) { dispatcher.MIDIOutput1_MessageSent(tag); }

    /// Prepares the song at path as a start does, its first lines shown; false when it cannot be opened.
    bool load(const std::string& path)
    {
        Midifile reader;
        cursor.ClearLyricDisplay();
        if (!OpenSongFile(reader, path, *this)) return false;
        state.CurLyricRow = settings.KaraokeRows;
        SongLoader(reader, song, flags, settings, *this, cursor.textMeasure()).LoadSong();
        return song.queue.MsgCount > 0;
    }

private:
    void songReset() override
    {
        cursor.setNextLyricCaption("Next Lyric");
        cursor.setTitleCaption(QString());
        cursor.resetLyricState();
    }
    void songCaption(SongCaption which, const QString& text) override
    {
        if (which == SongCaption::Title) cursor.setTitleCaption(text);
    }
    void lyricsReady() override { cursor.StartLyric(1); }
    void chordsReady() override { cursor.StartLyricA(); }
    void queueComplete(long) override { playerState.QueueComplete = true; }
};

} // namespace lirmus::test
