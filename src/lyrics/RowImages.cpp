#include "RowImages.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <pthread.h>

namespace lirmus {
namespace {

constexpr int kShadowAlpha = 150;

int letterPixels(const QFont& font) { return std::max(font.pixelSize(), QFontMetrics(font).height() * 3 / 4); }

} // namespace

int rowImagePad(const QFont& font, bool outlined)
{
    const int px = letterPixels(font);
    const int stroke = outlined ? std::max(1, px / 16) : 0, shadow = outlined ? std::max(1, px / 24) : 0;
    // Room for the outline, the shadow and glyphs that reach past their advance.
    return stroke + shadow + px / 8 + 1;
}

RowImages drawRowImages(const QString& text, const QFont& font, const RowStyle& style)
{
    RowImages im;
    const QFontMetrics m(font);
    im.pad = rowImagePad(font, style.outlined);
    const QSize size(m.horizontalAdvance(text) + 2 * im.pad, m.height() + 2 * im.pad);
    im.unsung = QImage(size, QImage::Format_ARGB32_Premultiplied);
    im.unsung.fill(Qt::transparent);
    QPainterPath path;
    path.addText(im.pad, im.pad + m.ascent(), font, text);
    if (style.outlined) {
        // The outline is stroked once and serves both images, and the shadow too.
        const int px = letterPixels(font);
        const int stroke = std::max(1, px / 16), shadow = std::max(1, px / 24);
        QImage outline(size, QImage::Format_ARGB32_Premultiplied);
        outline.fill(Qt::transparent);
        {
            QPainter p(&outline);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(style.outline, 2 * stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(style.outline);
            p.drawPath(path);
        }
        QImage dark = outline.copy();
        {
            QPainter p(&dark);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(dark.rect(), QColor(0, 0, 0, kShadowAlpha));
        }
        QPainter p(&im.unsung);
        p.drawImage(shadow, shadow, dark);
        p.drawImage(0, 0, outline);
    }
    im.sung = im.unsung.copy();
    for (QImage* img : {&im.unsung, &im.sung}) {
        QPainter p(img);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(path, img == &im.unsung ? style.text : style.sung);
    }
    return im;
}

RowImageMaker::RowImageMaker() : worker_([this] { run(); }) {}

RowImageMaker::~RowImageMaker()
{
    {
        std::lock_guard lock(m_);
        quit_ = true;
        jobs_.clear();
    }
    cv_.notify_all();
    worker_.join();
}

void RowImageMaker::request(const QString& key, int generation, const QString& text, const QFont& font,
                            const RowStyle& style)
{
    {
        std::lock_guard lock(m_);
        jobs_.push_back({key, generation, text, font, style});
    }
    cv_.notify_one();
}

std::vector<RowImageMaker::Done> RowImageMaker::takeDone()
{
    std::lock_guard lock(m_);
    return std::exchange(done_, {});
}

void RowImageMaker::dropPending()
{
    std::lock_guard lock(m_);
    jobs_.clear();
}

void RowImageMaker::run()
{
    pthread_setname_np(pthread_self(), "lirmus-rows");
    std::unique_lock lock(m_);
    for (;;) {
        cv_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
        if (quit_) return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        RowImages images = drawRowImages(job.text, job.font, job.style);
        lock.lock();
        done_.push_back({job.key, job.generation, std::move(images)});
    }
}

} // namespace lirmus
