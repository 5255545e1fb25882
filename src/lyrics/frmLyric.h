#pragma once
// The karaoke window: the lyric rows, the text page, title and marker labels.
#include <QWidget>

class QLabel;

namespace lirmus {

struct Settings;

class frmLyric : public QWidget {
    Q_OBJECT
public:
    explicit frmLyric(const Settings& settings, QWidget* parent = nullptr);

    /// The height the window asks for, in twips: its lyric rows plus the labels around them.
    int LyricWindowHeight() const { return LyricWindowHeight_; }

    QWidget* picLyr = nullptr;
    QLabel* lblTitolo = nullptr;
    QLabel* lblMarker = nullptr;
    QLabel* lblNextLyric = nullptr;

public slots:
    /// Sizes the lyric rows for the current font and row count.
    void PreparaAltezza();

private:
    const Settings& settings_;
    int LyricWindowHeight_ = 0;
};

} // namespace lirmus
