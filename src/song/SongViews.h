#pragma once
// What song loading and preparation talk to outside the song: the window
// roles (Displays.h), the start of the output, and text widths.
#include "Displays.h"

#include <QString>

namespace lirmus {

/// The player's output start, which the first pass of the preparation calls.
class SongOutputStart {
public:
    virtual ~SongOutputStart() = default;
    /// Starts (mode >= 0) or continues (mode -1) the output of the queue.
    virtual void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) = 0;
};

/// Text widths for the 85 % line rule.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    /// Width of text in the lyrics picture's current font, in twips.
    virtual long textWidthTwips(const QString& text) const = 0;
    /// Width of the screen in twips.
    virtual long screenWidthTwips() const = 0;
};

/// Everything one load talks to.
struct SongViews {
    PlayerDisplay& player;
    LyricsDisplay& lyrics;
    MonitorDisplay& monitor;
    AppDisplay& app;
    SongOutputStart& output;
    TextMeasure& measure;

    SongViews(Displays d, SongOutputStart& out, TextMeasure& m)
        : player(d.player), lyrics(d.lyrics), monitor(d.monitor), app(d.app), output(out), measure(m) {}
};

/// Views that show nothing and start nothing (command-line tools, fuzzing,
/// benchmarks). The text measure counts a fixed width per character.
class NullSongViews : public NullDisplays, public SongOutputStart, public TextMeasure {
public:
    explicit NullSongViews(long twipsPerChar = 150, long screenTwips = 1920 * 15)
        : twipsPerChar_(twipsPerChar), screenTwips_(screenTwips) {}

    void OutputSong(long, long, long, int) override {}
    long textWidthTwips(const QString& text) const override { return long(text.size()) * twipsPerChar_; }
    long screenWidthTwips() const override { return screenTwips_; }

    /// Every role of this object.
    SongViews views() { return SongViews(displays(), *this, *this); }

private:
    long twipsPerChar_, screenTwips_;
};

} // namespace lirmus
