#pragma once
// The images of a karaoke screen row: its words drawn once, with outline and
// shadow, in the colour still to sing and in the sung colour. Letters a room
// can read are costly to stroke, so a helper thread draws the lines to come
// while the screen shows the ones sung now.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace lirmus {

struct RowStyle {
    QColor text, sung, outline;
    bool outlined = true;
};

struct RowImages {
    QImage unsung, sung;
    int pad = 0; ///< pixels of outline, shadow and overhang around the text's advance box
};

/// Pixels an image leaves around the text's advance box.
int rowImagePad(const QFont& font, bool outlined);
/// Draws text in font (any thread: only images are painted).
RowImages drawRowImages(const QString& text, const QFont& font, const RowStyle& style);

class RowImageMaker {
public:
    RowImageMaker();
    ~RowImageMaker();
    RowImageMaker(const RowImageMaker&) = delete;
    RowImageMaker& operator=(const RowImageMaker&) = delete;

    struct Done {
        QString key;
        int generation = 0;
        RowImages images;
    };
    /// Asks for text's images under key; they come back through takeDone().
    void request(const QString& key, int generation, const QString& text, const QFont& font, const RowStyle& style);
    /// The images made since the last call.
    std::vector<Done> takeDone();
    /// Forgets what is asked and not yet begun.
    void dropPending();

private:
    struct Job {
        QString key;
        int generation = 0;
        QString text;
        QFont font;
        RowStyle style;
    };
    void run();

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Job> jobs_;
    std::vector<Done> done_;
    bool quit_ = false;
    std::thread worker_;
};

} // namespace lirmus
