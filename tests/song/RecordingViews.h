#pragma once
// Recording doubles of the song views: every call is kept in order so tests
// can check what a load showed and started.
#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "QtPrinters.h"
#include "SongSink.h"
#include "TimeText.h"

#include <QString>
#include <QStringList>

#include <array>

#include <functional>
#include <string>

namespace lirmus::test {

struct OutputCall {
    long fromIndex, toIndex, fromTime;
    int mode;
    long msgCount;  ///< MsgCount when the call came
};

/// What a load reports, kept: every call in order in log, the last values in fields.
class RecordingViews : public SongSink, public TextMeasure {
public:
    QStringList log;          ///< every call, as "name(args)"
    QString title, turbo, trackCaption, keyCaption, tempoCaption, songLength;
    QStringList messages;
    std::vector<OutputCall> outputs;
    bool warnEnabled = true;  ///< the queue is complete (cleared by a reset)
    int startLyricCalls = 0, startChordCalls = 0;
    long twipsPerChar = 100;
    long screenTwips = 10000;
    std::function<void(const OutputCall&)> onOutput;
    const SongState* song = nullptr;  ///< when set, OutputSong records MsgCount

    void songReset() override
    {
        warnEnabled = false;
        log << "songReset";
    }
    void songRefused(const QString& t, MessageIcon icon, bool beep) override
    {
        if (beep) log << "beep";
        messages << t;
        log << QString(icon == MessageIcon::Exclamation ? "box!=" : "box=") + t;
    }
    void songCaption(SongCaption which, const QString& t) override
    {
        switch (which) {
        case SongCaption::Track: trackCaption = t; log << "lblTrack=" + t; break;
        case SongCaption::Key: keyCaption = t; log << "lblKey=" + t; break;
        case SongCaption::Tempo: tempoCaption = t; log << "lblTempo=" + t; break;
        case SongCaption::Title: title = t; log << "lblTitolo=" + t; break;
        case SongCaption::FastStart: turbo = t; log << "lblTurbo=" + t; break;
        }
    }
    void passSorted() override { log << "slider(0,100,0,10)"; }
    void lyricsReady() override { ++startLyricCalls; log << "StartLyric(1)"; }
    void chordsReady() override { ++startChordCalls; log << "StartLyricA"; }
    void OutputSong(long f, long t, long ft, int m) override
    {
        OutputCall c{f, t, ft, m, song ? song->queue.MsgCount : -1};
        outputs.push_back(c);
        log << QString("OutputSong(%1,%2,%3,%4)").arg(f).arg(t).arg(ft).arg(m);
        if (onOutput) onOutput(c);
    }
    void queueComplete(long ms) override
    {
        songLength = TimeText(double(ms) / 1000.0).left(5);
        warnEnabled = true;
        log << "queueComplete=" + songLength;
    }
    long textWidthTwips(const QString& t) const override { return long(t.size()) * twipsPerChar; }
    long screenWidthTwips() const override { return screenTwips; }
};

/// Settings as the player has them after start-up with no settings file.
inline Settings defaultSettings() { return Settings{}; }

/// One song loaded the way the player loads it, from bytes or from a file.
struct LoadedSong {
    Settings settings = defaultSettings();
    RecordingViews views;
    SongState song;
    PlayerFlags flags;
    Midifile reader;

    LoadedSong() { views.song = &song; }

    /// Reads bytes and runs LoadSong.
    void load(const std::string& bytes)
    {
        reader.setFileName("song.mid");
        reader.loadBytes(bytes);
        SongLoader(reader, song, flags, settings, views, views).LoadSong();
    }
    /// Opens a file as Start_Play does and, when it opens, runs LoadSong.
    void loadFile(const std::string& path)
    {
        if (OpenSongFile(reader, path, views)) SongLoader(reader, song, flags, settings, views, views).LoadSong();
    }
    const QueueEntry& entry(long i) const { return song.queue[i]; }
    long count() const { return song.queue.MsgCount; }
    /// Indexes of the entries of one meta kind (Status 255, Data1 kind), in queue order.
    std::vector<long> metaEntries(int kind) const
    {
        std::vector<long> out;
        for (long i = 1; i <= count(); ++i)
            if (entry(i).Status == 255 && entry(i).Data1 == kind) out.push_back(i);
        return out;
    }
    /// True when every entry's Time is at least the one before.
    bool inTimeOrder() const
    {
        for (long i = 2; i <= count(); ++i)
            if (entry(i).Time < entry(i - 1).Time) return false;
        return true;
    }
};

} // namespace lirmus::test
