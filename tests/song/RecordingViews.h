#pragma once
// Recording doubles of the song views: every call is kept in order so tests
// can check what a load showed and started.
#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "QtPrinters.h"
#include "SongViews.h"

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

class RecordingViews : public NullDisplays, public SongOutputStart, public TextMeasure {
public:
    QStringList log;          ///< every call, as "name(args)"
    QString title, marker, nextLyric, turbo, trackCaption, keyCaption, tempoCaption, songLength;
    QStringList messages;
    std::vector<OutputCall> outputs;
    int warnColor = -1;
    bool warnEnabled = true;
    int startLyricCalls = 0, startChordCalls = 0, eventRuns = 0;
    long twipsPerChar = 100;
    long screenTwips = 10000;
    double now = 0;                  ///< what timerNow() gives
    QString clock, position;         ///< picTime(0), picTime(1)
    std::array<QString, 16> program; ///< lblProgram(ch)
    std::array<int, 16> meter{};     ///< pgrMidi(ch)
    std::function<void()> onEvents;  ///< runs inside processEvents (e.g. to raise AbortRequested)
    std::function<void(const OutputCall&)> onOutput;
    const SongState* song = nullptr;  ///< when set, OutputSong records MsgCount

    void setNextLyricCaption(const QString& t) override { nextLyric = t; log << "lbNLyr=" + t; }
    void setMarkerCaption(const QString& t) override { marker = t; log << "lblMarker=" + t; }
    void setTitleCaption(const QString& t) override { title = t; log << "lblTitolo=" + t; }
    void setTurboCaption(const QString& t) override { turbo = t; log << "lblTurbo=" + t; }
    void resetLyricState() override { log << "resetLyricState"; }
    void StartLyric(int fromRow) override { ++startLyricCalls; log << QString("StartLyric(%1)").arg(fromRow); }
    void StartLyricA() override { ++startChordCalls; log << "StartLyricA"; }
    void setTrackCaption(const QString& t) override { trackCaption = t; log << "lblTrack=" + t; }
    void setKeyCaption(const QString& t) override { keyCaption = t; log << "lblKey=" + t; }
    void setTempoCaption(const QString& t) override { tempoCaption = t; log << "lblTempo=" + t; }
    void ResetChannelStates() override { log << "ResetChannelStates"; }
    void setWarnColor(int c) override { warnColor = c; log << QString("warnColor=%1").arg(c); }
    void setWarnEnabled(bool e) override { warnEnabled = e; log << QString("warnEnabled=%1").arg(e); }
    void setPositionSlider(int mn, int mx, int v, int lc) override { log << QString("slider(%1,%2,%3,%4)").arg(mn).arg(mx).arg(v).arg(lc); }
    void showSongLength(const QString& t) override { songLength = t; log << "picTime=" + t; }
    void setTimerOutEnabled(bool e) override { log << QString("TimerOut=%1").arg(e); }
    void setTimer1Enabled(bool e) override { if (e) log << "Timer1"; }
    double timerNow() const override { return now; }
    bool isWarnEnabled() const override { return warnEnabled; }
    void showClock(const QString& t) override { clock = t; }
    void showPosition(const QString& t) override { position = t; log << "picTime(1)=" + t; }
    void setPositionValue(int p) override { log << QString("sliOut=%1").arg(p); }
    void PrintLyric(int line, int col, const QString& t) override
    {
        log << QString("PrintLyric(%1,%2,%3)").arg(line).arg(col).arg(t);
    }
    void PrintLyricA(int chord, int col, const QString& t) override
    {
        log << QString("PrintLyricA(%1,%2,%3)").arg(chord).arg(col).arg(t);
    }
    /// Due gapMs from now, at tempo change 0.
    double CalcolaProssimaLyr(long gapMs) override { return now + gapMs / 1000.0; }
    void ClearSysexRow(int r) override { log << QString("ClearSysexRow(%1)").arg(r); }
    void PrintSysexRow(int r) override { log << QString("PrintSysexRow(%1)").arg(r); }
    void PrintSysexRowSung(int r) override { log << QString("PrintSysexRowSung(%1)").arg(r); }
    void PreparaAltezza() override { log << "PreparaAltezza"; }
    void setStripEnabled(int ch, bool e) override { log << QString("picMidi(%1)=%2").arg(ch).arg(e); }
    void setStripColor(int ch, int c) override { log << QString("picBut(%1)=%2").arg(ch).arg(c); }
    void setMeter(int ch, int v) override { meter[size_t(ch)] = v; log << QString("pgrMidi(%1)=%2").arg(ch).arg(v); }
    void setProgramCaption(int ch, const QString& t) override { program[size_t(ch)] = t; log << QString("lblProgram(%1)=%2").arg(ch).arg(t); }
    void setStripSlider(int ch, int row, int v) override { log << QString("strip(%1,%2)=%3").arg(ch).arg(row).arg(v); }
    void firstLyricFromStart() override { log << "firstLyric"; }
    void OutputSong(long f, long t, long ft, int m) override
    {
        OutputCall c{f, t, ft, m, song ? song->queue.MsgCount : -1};
        outputs.push_back(c);
        log << QString("OutputSong(%1,%2,%3,%4)").arg(f).arg(t).arg(ft).arg(m);
        if (onOutput) onOutput(c);
    }
    void messageBox(const QString& t, MessageIcon icon) override
    {
        messages << t;
        log << QString(icon == MessageIcon::Exclamation ? "box!=" : "box=") + t;
    }
    void beep() override { log << "beep"; }
    void processEvents() override
    {
        ++eventRuns;
        if (onEvents) onEvents();
    }
    long textWidthTwips(const QString& t) const override { return long(t.size()) * twipsPerChar; }
    long screenWidthTwips() const override { return screenTwips; }

    // Karaoke display
    void PreparaPicLyric() override { log << "PreparaPicLyric"; }

    SongViews views() { return SongViews(Displays{*this, *this, *this, *this}, *this, *this); }
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
        SongLoader(reader, song, flags, settings, views.views()).LoadSong();
    }
    /// Opens a file as Start_Play does and, when it opens, runs LoadSong.
    void loadFile(const std::string& path)
    {
        if (OpenSongFile(reader, path, views)) SongLoader(reader, song, flags, settings, views.views()).LoadSong();
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
