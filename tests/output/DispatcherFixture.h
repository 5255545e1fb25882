#pragma once
// A dispatcher on fresh state, recording views and a test device: what the
// dispatcher and the external-player follower tests share.
#include "ChannelState.h"
#include "ControllerTable.h"
#include "Dispatcher.h"
#include "LyricCursor.h"
#include "LyricDisplayState.h"
#include "OutputTestSupport.h"
#include "PlayerDisplays.h"
#include "RecordingViews.h"

#include <QRegularExpression>

namespace lirmus::test {

/// What the windows are shown, kept: every call in order in log, the last values in fields.
/// It is also a view of the lyric cursor, so what the cursor tells its views is kept too.
struct Views : NullDisplays, LyricsDisplay {
    QStringList log;
    QString marker, nextLyric, tempoCaption, clock, position, chordNow, chordNext;
    std::array<QString, 16> program; ///< lblProgram(ch)
    std::array<int, 16> meter{};     ///< pgrMidi(ch)
    double now = 0;                  ///< the song clock, seconds
    const ChannelState* channels = nullptr;
    bool stripsGuarded = true;       ///< every strip slider was moved with IndicUpdating set

    std::function<void()> onShown;   ///< runs each time an entry is shown (the clock moves)

    void showClock(const QString& t) override
    {
        clock = t;
        if (onShown) onShown();
    }
    void showPosition(const QString& t) override { position = t; log << "picTime(1)=" + t; }
    void setPositionValue(int p) override { log << QString("sliOut=%1").arg(p); }
    void setTempoCaption(const QString& t) override { tempoCaption = t; log << "lblTempo=" + t; }
    void setStripEnabled(int ch, bool e) override { log << QString("picMidi(%1)=%2").arg(ch).arg(e); }
    void setStripColor(int ch, int c) override { log << QString("picBut(%1)=%2").arg(ch).arg(c); }
    void setMeter(int ch, int v) override { meter[size_t(ch)] = v; log << QString("pgrMidi(%1)=%2").arg(ch).arg(v); }
    void setProgramCaption(int ch, const QString& t) override { program[size_t(ch)] = t; log << QString("lblProgram(%1)=%2").arg(ch).arg(t); }
    void setStripSlider(int ch, int row, int v) override
    {
        stripsGuarded = stripsGuarded && channels->IndicUpdating;
        log << QString("strip(%1,%2)=%3").arg(ch).arg(row).arg(v);
    }
    // What the lyric cursor tells its views.
    void lyricRowChanged(int row) override { log << QString("lyricRow(%1)").arg(row); }
    void sysexRowChanged(int row) override { log << QString("sysexRow(%1)").arg(row); }
    void captionChanged(LyricCaption which, const QString& t) override
    {
        switch (which) {
        case LyricCaption::Marker: marker = t; log << "lblMarker=" + t; break;
        case LyricCaption::NextLyric: nextLyric = t; log << "lbNLyr=" + t; break;
        case LyricCaption::ChordNow: chordNow = t; log << "chord=" + t; break;
        case LyricCaption::ChordNext: chordNext = t; log << "nextChord=" + t; break;
        default: break;
        }
    }
    void countdownsChanged(int, int) override {}
    void PreparaAltezza() override { log << "PreparaAltezza"; }
    void PreparaPicLyric() override { log << "PreparaPicLyric"; }
    void restoreFontSize(int) override {}
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
    std::function<double()> now = [this] { return views.now; };
    LyricCursor lyrics{lyric, song, player, settings, output.out, now};
    Dispatcher d{song, flags, player, channels, lyric, mixer, settings, output.out, now, lyrics, views.displays()};

    Fixture()
    {
        views.channels = &channels;
        lyrics.attachSurface(&views);
        player.QueueComplete = true;
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
