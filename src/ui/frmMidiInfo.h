#pragma once
// The MIDI file information window: the song's text lines, its lyric lines
// (then its information texts) and its chords, as the preparation found them.
// Filled again each time it is activated, a slice of lines per turn of the
// event loop; Esc or a click elsewhere closes it.
#include <QStringList>
#include <QWidget>

#include <vector>

class QLabel;
class QPlainTextEdit;

namespace lirmus {

class SlicedJob;

struct SongState;

class frmMidiInfo : public QWidget {
    Q_OBJECT
public:
    explicit frmMidiInfo(const SongState& song, QWidget* parent = nullptr);

    QLabel* lblSummary = nullptr;  ///< format, tempo and length, above the file's texts
    QPlainTextEdit* txtInfo = nullptr;
    QPlainTextEdit* txtLyrics = nullptr;
    QPlainTextEdit* txtChords = nullptr;

    /// Empties the boxes and fills them from the song: the first slice of lines at
    /// once, the rest on the following turns of the event loop.
    void Form_Activate();
    /// Esc stops the filling and closes the window.
    void Form_KeyDown(int key);
    /// True from an Esc until the next filling.
    bool stopRequested() const { return stop_; }

    /// True while lines remain to be added.
    bool filling() const;
    /// The filling's slices (tests make them small).
    SlicedJob* fillJob() const { return fill_; }

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool addLine();
    void fillFinished(bool cancelled);

    const SongState& song_;
    bool stop_ = false;
    SlicedJob* fill_ = nullptr;
    // The boxes to fill in order, each with its lines; the next line to add.
    struct Pending {
        QPlainTextEdit* box;
        QStringList lines;
    };
    std::vector<Pending> pending_;
    size_t box_ = 0;
    qsizetype line_ = 0;
};

/// Shows the information window of song over parent (one at a time) and fills it.
frmMidiInfo* showMidiInfo(const SongState& song, QWidget* parent);

} // namespace lirmus
