#pragma once
// Song preparation for the command-line tools: exactly as the player prepares
// a song, with the karaoke font's widths, nothing shown and the refusals kept.
#include "LoadSong.h"
#include "Midifile.h"
#include "Settings.h"
#include "SongSink.h"
#include "SongState.h"

#include <QFontMetrics>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lirmus {

/// Views of a command-line run: nothing is shown, the refusals are kept.
class CommandLineViews : public QuietSongSink {
public:
    CommandLineViews(const QFontMetrics& metrics, long screenTwips) : metrics_(metrics), screenTwips_(screenTwips) {}

    long textWidthTwips(const QString& text) const override { return long(metrics_.horizontalAdvance(text)) * 15; }
    long screenWidthTwips() const override { return screenTwips_; }
    void songRefused(const QString& text, MessageIcon, bool) override { refusals << text; }

    QStringList refusals;

private:
    const QFontMetrics& metrics_;
    long screenTwips_;
};

/// Before a tool's QGuiApplication: offscreen unless told otherwise, and stderr kept for the
/// refusals of songs, free of Qt's own start-up notices.
inline void quietToolStart()
{
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

/// Reads and prepares the song at path into song; the refusals (none when it loaded) land in views.
inline void prepareSong(const std::string& path, const Settings& settings, CommandLineViews& views, SongState& song)
{
    Midifile reader;
    PlayerFlags flags;
    if (OpenSongFile(reader, path, views)) SongLoader(reader, song, flags, settings, views, views).LoadSong();
}

} // namespace lirmus
