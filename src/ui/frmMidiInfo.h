#pragma once
// The MIDI file information window: the song's text lines, its lyric lines
// (then its information texts) and its chords, as the preparation found them.
// Filled again each time it is activated; Esc or a click elsewhere closes it.
#include <functional>

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace lirmus {

struct SongState;

class frmMidiInfo : public QWidget {
    Q_OBJECT
public:
    explicit frmMidiInfo(const SongState& song, QWidget* parent = nullptr);

    QPlainTextEdit* txtInfo = nullptr;
    QPlainTextEdit* txtLyrics = nullptr;
    QPlainTextEdit* txtChords = nullptr;

    /// Empties the boxes and fills them from the song, letting window events run between lines.
    void Form_Activate();
    /// Esc stops the filling and closes the window.
    void Form_KeyDown(int key);
    /// True from an Esc until the next filling.
    bool stopRequested() const { return stop_; }

    /// Lets pending window events run during the filling (tests press keys here).
    std::function<void()> processEvents;

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool addLines(QPlainTextEdit* box, const QStringList& lines);

    const SongState& song_;
    bool stop_ = false;
    bool filling_ = false;
};

/// Shows the information window of song over parent (one at a time) and fills it.
frmMidiInfo* showMidiInfo(const SongState& song, QWidget* parent);

} // namespace lirmus
