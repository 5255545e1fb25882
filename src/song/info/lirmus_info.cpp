// lirmus-info [--queue] FILE...: prepares each song exactly as the player does
// and prints what the preparation found (and, with --queue, the whole queue).
#include "CommandLineViews.h"
#include "LoadSong.h"
#include "MelodyChannel.h"
#include "Midifile.h"
#include "Settings.h"
#include "SettingsService.h"
#include "SongState.h"
#include "SongSink.h"
#include "TimeText.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace lirmus;

namespace {

/// Output gathered in a buffer written out in large pieces: a queue can be long.
class Out {
public:
    Out() { buf_.reserve(kChunk + 4096); }
    void text(const QString& s) { buf_ += s.toStdString(); }
    void raw(std::string_view s) { buf_ += s; }
    void num(long long v)
    {
        char tmp[24];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
        buf_.append(tmp, r.ptr);
    }
    void field(std::string_view name, long long v) { raw(name); raw(": "); num(v); raw("\n"); }
    /// Tabs, line breaks and backslashes written as escapes, so one entry stays one line.
    void escaped(const QString& s)
    {
        for (char c : s.toStdString()) {
            switch (c) {
            case '\t': buf_ += "\\t"; break;
            case '\n': buf_ += "\\n"; break;
            case '\r': buf_ += "\\r"; break;
            case '\\': buf_ += "\\\\"; break;
            default: buf_ += c;
            }
        }
    }
    void flushIfFull()
    {
        if (buf_.size() >= kChunk) flush();
    }
    void flush()
    {
        std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
    }

private:
    static constexpr size_t kChunk = 1 << 20;
    std::string buf_;
};

void printLines(Out& out, const char* header, const QStringList& lines, bool dropFirstChar = false)
{
    out.raw(header);
    out.raw("\n");
    for (const QString& l : lines) {
        out.escaped(dropFirstChar ? l.mid(1) : l);
        out.raw("\n");
    }
}

/// The lyric lines, a blank line before each one that starts a new page.
void printLyrics(Out& out, const SongState& s)
{
    out.raw("[lyrics]\n");
    auto page = s.PageStarts.begin();
    for (int n = 1; n <= s.LyricLineCount(); ++n) {
        for (; page != s.PageStarts.end() && *page <= n; ++page)
            if (*page == n && n > 1) out.raw("\n");
        out.escaped(s.LyricLines[n - 1]);
        out.raw("\n");
    }
}

void printQueue(Out& out, const SongQueue& q)
{
    static const char hex[] = "0123456789ABCDEF";
    out.raw("[queue]\n");
    for (long i = 1; i <= q.MsgCount; ++i) {
        const QueueEntry& e = q[i];
        for (long long v : {(long long)i, (long long)e.Time, (long long)e.Status, (long long)e.Data1,
                            (long long)e.Data2, (long long)e.Flag, (long long)e.Value, (long long)e.Extra,
                            (long long)e.Length}) {
            out.num(v);
            out.raw("\t");
        }
        if (e.Status == 240) {
            // System exclusive to be sent: its bytes in hexadecimal.
            const QByteArray bytes = e.sysExBytes();
            for (qsizetype k = 0; k < bytes.size(); ++k) {
                const auto b = uint8_t(bytes[k]);
                const char pair[3] = {hex[b >> 4], hex[b & 15], ' '};
                out.raw(std::string_view(pair, k + 1 < bytes.size() ? 3 : 2));
            }
        } else {
            out.escaped(e.Text);
        }
        out.raw("\n");
        out.flushIfFull();
    }
}

void printSong(Out& out, const std::string& path, const SongState& s, const Settings& settings, bool withQueue)
{
    out.raw("file: ");
    out.raw(path);
    out.raw("\n");
    out.field("format", s.FileFormat);
    out.field("tracks", s.TrackCount);
    out.field("division", s.Division);
    out.field("tempo", s.InitialTempo);
    out.field("entries", s.queue.MsgCount);
    out.raw("length: ");
    const QString length = TimeText(double(s.queue.lastTime()) / 1000.0);
    out.text(length.left(length.lastIndexOf(':'))); // minutes and seconds, however many minutes
    out.raw("\nencoding: ");
    out.text(s.TextEncoding);
    out.raw("\n");
    out.field("melody channel", detectMelodyChannel(s.queue, settings.MelodyChannel).channel + 1);
    QStringList songText = s.SongText.split(QStringLiteral("\r\n"));
    if (!songText.isEmpty() && songText.last().isEmpty()) songText.removeLast();
    printLines(out, "[song text]", songText);
    printLyrics(out, s);
    printLines(out, "[chords]", s.ChordList, true);
    printLines(out, "[info]", s.InfoTexts);
    if (withQueue) printQueue(out, s.queue);
}

} // namespace

int main(int argc, char** argv)
{
    quietToolStart();
    QGuiApplication app(argc, argv);

    bool withQueue = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--queue") withQueue = true;
        else files.push_back(a);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: lirmus-info [--queue] FILE...\n");
        return 2;
    }

    // The player's own settings: LIRMUS.INI of the current folder.
    Settings settings;
    settings.AppPath = makeAppPath(QDir::currentPath().toStdString());
    const SettingsService ini(settings.iniPath());
    if (!ini.lastError().empty()) std::fprintf(stderr, "lirmus-info: %s\n", ini.lastError().c_str());
    readOptions(ini, settings);

    const QFont font(QString::fromStdString(settings.KaraokeFont), settings.KaraokeFontSize);
    const QFontMetrics metrics(font);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const long screenTwips = long(screen ? screen->geometry().width() : 1024) * 15;

    int status = 0;
    Out out;
    bool printed = false;
    for (const std::string& path : files) {
        CommandLineViews views(metrics, screenTwips);
        SongState song;
        prepareSong(path, settings, views, song);
        if (!views.refusals.isEmpty()) {
            for (const QString& m : views.refusals)
                std::fprintf(stderr, "%s: %s\n", path.c_str(), m.toStdString().c_str());
            status = 1;
            continue;
        }
        if (printed) out.raw("\n");
        printSong(out, path, song, settings, withQueue);
        out.flush();
        printed = true;
    }
    return status;
}
