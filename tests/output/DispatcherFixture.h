#pragma once
// A dispatcher on fresh state, recording views and a test device: what the
// dispatcher and the external-player follower tests share.
#include "ChannelState.h"
#include "ControllerTable.h"
#include "Dispatcher.h"
#include "LyricDisplayState.h"
#include "OutputTestSupport.h"
#include "RecordingViews.h"

#include <QRegularExpression>

namespace lirmus::test {

/// The recording views, also noting the guard flags while the program moves sliders.
struct Views : RecordingViews {
    const PlayerState* player = nullptr;
    const ChannelState* channels = nullptr;
    bool sliderGuarded = true, stripsGuarded = true;

    void setPositionValue(int p) override
    {
        sliderGuarded = sliderGuarded && player->SliderByProgram;
        RecordingViews::setPositionValue(p);
    }
    void setStripSlider(int ch, int row, int v) override
    {
        stripsGuarded = stripsGuarded && channels->IndicUpdating;
        RecordingViews::setStripSlider(ch, row, v);
    }
};

struct Stops : SongEnd {
    int calls = 0;
    void Stop_Play() override { ++calls; }
};

struct Fixture {
    Settings settings = defaultSettings();
    SongState song;
    PlayerFlags flags;
    PlayerState player;
    ChannelState channels;
    LyricDisplayState lyric;
    ControllerTable mixer = defaultControllerTable();
    ManualOutput output;
    Views views;
    Stops stops;
    Dispatcher d{song, flags, player, channels, lyric, mixer, settings, output.out,
                 Displays{views, views, views, views}};

    Fixture()
    {
        views.player = &player;
        views.channels = &channels;
        song.queue.create(64);
        d.setSongEnd(&stops);
    }

    long add(long ms, int status, int d1 = 0, int d2 = 0) { return song.queue.add(ms, status, d1, d2); }
    long meta(long ms, int kind, const QString& text, int value = 0, int extra = 0, int length = 0)
    {
        const long i = add(ms, 255, kind);
        QueueEntry& e = song.queue[i];
        e.Text = text, e.Value = value, e.Extra = extra, e.Length = length;
        return i;
    }
    /// A controller entry as the pump leaves it: the file's value in Extra.
    long control(long ms, int ch, int number, int fileValue)
    {
        const long i = add(ms, 0xB0 + ch, number, fileValue);
        song.queue[i].Extra = fileValue;
        return i;
    }
    /// Closes the queue with its last entry, as preparation does: the song has its length.
    void finish(long ms = 20000)
    {
        add(ms, 0x80, 60, 0);
        song.SongLength = ms;
    }
    void sent(long tag) { d.MIDIOutput1_MessageSent(tag); }
    /// What the strip of channel ch was told: enabled, colour, meter.
    QStringList strip(int ch) const
    {
        return views.log.filter(QRegularExpression(QString(R"(^(picMidi|picBut|pgrMidi)\(%1\))").arg(ch)));
    }
    /// Messages the output received so far (sent at once: no clock advance needed).
    std::vector<std::string> received() const
    {
        std::vector<std::string> v;
        for (const SentMessage& m : output.device.messages()) v.push_back(m.bytes);
        return v;
    }
};

} // namespace lirmus::test
