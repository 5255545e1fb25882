#pragma once
// What loading and preparing a song report outside the song: a narrow sink
// the player implements (and turns into what its windows show), the start of
// the output, and text widths for the lyric line rule.
#include <QString>

namespace lirmus {

/// How a message box looks.
enum class MessageIcon { Plain, Exclamation };

/// Labels the preparation fills in as it reads the song.
enum class SongCaption { Track, Key, Tempo, Title, FastStart };

class SongSink {
public:
    virtual ~SongSink() = default;
    /// A new song is being loaded: its lyric captions, lamp and channel states start afresh.
    virtual void songReset() = 0;
    /// The song cannot be played (or opened, with beep): the message to show.
    virtual void songRefused(const QString& message, MessageIcon icon, bool beep) = 0;
    /// A label learnt from the song (track count, key, tempo, title, fast-start offset).
    virtual void songCaption(SongCaption which, const QString& text) = 0;
    /// A pass has been sorted into the queue: the position slider may be used.
    virtual void passSorted() = 0;
    /// The first lyric lines (StartLyric from row 1) and the first chords can be shown.
    virtual void lyricsReady() = 0;
    virtual void chordsReady() = 0;
    /// Starts (mode >= 0) or continues (mode -1) the output of the queue.
    virtual void OutputSong(long fromIndex, long toIndex, long fromTime, int mode) = 0;
    /// The whole queue is built: the song lasts lengthMs.
    virtual void queueComplete(long lengthMs) = 0;
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

/// Counts a fixed width per character (no lyrics window yet, tools).
class FixedTextMeasure : public TextMeasure {
public:
    explicit FixedTextMeasure(long twipsPerChar = 150, long screenTwips = 1920 * 15)
        : twipsPerChar_(twipsPerChar), screenTwips_(screenTwips) {}
    long textWidthTwips(const QString& text) const override { return long(text.size()) * twipsPerChar_; }
    long screenWidthTwips() const override { return screenTwips_; }

private:
    long twipsPerChar_, screenTwips_;
};

/// A sink that shows and starts nothing (command-line tools, fuzzing, benchmarks).
class NullSongSink : public SongSink {
public:
    void songReset() override {}
    void songRefused(const QString&, MessageIcon, bool) override {}
    void songCaption(SongCaption, const QString&) override {}
    void passSorted() override {}
    void lyricsReady() override {}
    void chordsReady() override {}
    void OutputSong(long, long, long, int) override {}
    void queueComplete(long) override {}
};

/// Both of the above in one object: nothing shown, a fixed width per character.
class QuietSongSink : public NullSongSink, public FixedTextMeasure {
public:
    using FixedTextMeasure::FixedTextMeasure;
};

} // namespace lirmus
