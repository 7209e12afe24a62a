#include "pageview/PageRenderer.h"

#include "pageview/DisplayListCache.h"

#include "base/ParallelFor.h"
#include "pdf/document/DisplayList.h"
#include "pdf/document/PixelBudget.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <QRunnable>
#include <QThreadPool>

#include <cmath>
#include <mutex>

size_t qHash(const PageRenderer::Key& key, size_t seed) noexcept {
    return qHashMulti(seed, quintptr(key.page), key.revision, key.scaleKey, key.tileX, key.tileY);
}

// Where workers hand their results. The renderer clears `target` when it goes away, so a
// job finishing late drops its image instead of touching a dead object.
struct PageRenderer::Sink {
    std::mutex mutex;
    PageRenderer* target = nullptr;
};

struct PageRenderer::Job : QRunnable {
    Key key;
    pdf::PagePtr page;
    double scale = 1;
    QRect clip;
    std::shared_ptr<base::CancelToken> abort;
    std::shared_ptr<Sink> sink;
    std::shared_ptr<DisplayListCache> lists;
    ReadingColours colours = ReadingColours::normal;

    void run() override {
        const base::PoolTask task;
        QImage image;
        if (!abort->isCancelled()) {
            if (auto list = lists->get(page, abort); list && !abort->isCancelled()) {
                image = list->render(scale, clip, abort.get());
                if (colours != ReadingColours::normal && !image.isNull()) {
                    std::vector<QRect> pictures = list->imageRects(scale);
                    for (QRect& r : pictures)
                        r.translate(-clip.topLeft());
                    ReadingColoursScheme::apply(image, colours, pictures);
                }
            }
        }
        // The view blits these many times; premultiplied ARGB is the raster engine's fast path.
        if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied &&
            image.format() != QImage::Format_RGB32)
            image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        std::lock_guard lock(sink->mutex);
        if (PageRenderer* target = sink->target) {
            QMetaObject::invokeMethod(
                target,
                [target, key = key, token = abort, image = std::move(image)] {
                    target->deliver(key, token, image);
                },
                Qt::QueuedConnection);
        }
    }
};

qint64 PageRenderer::scaleKeyFor(double scale) {
    return std::llround(scale * 10000.0);
}

QRect PageRenderer::wholePage(const QSizeF& size, double scale) {
    return QRect(QPoint(0, 0), pdf::pixelSize(size, scale));
}

QThreadPool* PageRenderer::pool() {
    static QThreadPool* instance = [] {
        // Parented to the application so it waits for its workers before the app goes.
        auto* p = new QThreadPool(QCoreApplication::instance());
        p->setMaxThreadCount(base::poolThreadCount());
        p->setExpiryTimeout(30000);
        return p;
    }();
    return instance;
}

PageRenderer::PageRenderer(qint64 budgetBytes, QObject* parent)
    : QObject(parent), sink_(std::make_shared<Sink>()), lists_(DisplayListCache::shared()) {
    cache_.setMaxCost(std::max<qint64>(1, budgetBytes / 1024));
    sink_->target = this;
}

PageRenderer::~PageRenderer() {
    {
        std::lock_guard lock(sink_->mutex);
        sink_->target = nullptr;
    }
    for (const Pending& p : std::as_const(pending_))
        p.abort->cancel();
    lists_->cancelUnwanted();
}

QImage PageRenderer::image(const Key& key) {
    if (QImage* img = cache_.object(key)) {
        passKiB_ += img->sizeInBytes() / 1024;
        return *img;
    }
    return {};
}

QImage PageRenderer::bestWholePage(const pdf::Page* page, quint64 revision) const {
    const QImage* best = nullptr;
    bool bestCurrent = false;
    qint64 bestScale = 0;
    for (const Key& k : cache_.keys()) {
        if (k.page != page || k.tileX != -1)
            continue;
        const bool current = k.revision == revision;
        if (!best || (current && !bestCurrent) ||
            (current == bestCurrent && k.scaleKey > bestScale)) {
            best = cache_.object(k);
            bestCurrent = current;
            bestScale = k.scaleKey;
        }
    }
    return best ? *best : QImage();
}

void PageRenderer::trimToPass() {
    const qint64 budget = cache_.maxCost();
    cache_.setMaxCost(std::max<qint64>(1, passKiB_));
    cache_.setMaxCost(budget);
}

bool PageRenderer::isRendering(const pdf::Page* page) const {
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it)
        if (it.key().page == page)
            return true;
    return false;
}

void PageRenderer::beginPass() {
    ++pass_;
    passKiB_ = 0;
}

void PageRenderer::request(const Key& key, const pdf::PagePtr& page, double scale,
                           const QRect& clip, Priority priority) {
    if (!page || clip.isEmpty() || failed_.contains(key))
        return;
    if (const QImage* kept = cache_.object(key)) {
        // Kept for this pass too: counted, and marked recently used.
        passKiB_ += kept->sizeInBytes() / 1024;
        return;
    }
    if (auto it = pending_.find(key); it != pending_.end() && !it->abort->isCancelled()) {
        it->pass = pass_;
        return;
    }
    // The least recently used images go first, and this pass has just used what it shows:
    // as long as the pass fits the budget, a prefetch only evicts older images.
    const qint64 kib = qint64(clip.width()) * clip.height() * 4 / 1024;
    if (priority == Prefetch && passKiB_ + kib > cache_.maxCost())
        return;
    passKiB_ += kib;
    auto* job = new Job;
    job->key = key;
    job->page = page;
    job->scale = scale;
    job->clip = clip;
    job->abort = std::make_shared<base::CancelToken>();
    job->sink = sink_;
    job->lists = lists_;
    job->colours = colours_;
    pending_.insert(key, {job->abort, pass_});
    pool()->start(job, int(priority));
}

void PageRenderer::endPass() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->pass != pass_) {
            it->abort->cancel();
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    // Pages no longer shown stop being recorded, unless another view still waits for them.
    lists_->cancelUnwanted();
}

void PageRenderer::deliver(const Key& key, const std::shared_ptr<base::CancelToken>& token,
                           const QImage& image) {
    auto it = pending_.find(key);
    const bool current = it != pending_.end() && it->abort == token;
    if (current)
        pending_.erase(it);
    if (token->isCancelled())
        return; // cancelled: a newer request (if any) brings its own result
    if (image.isNull()) {
        if (current)
            failed_.insert(key);
    } else {
        const qint64 cost = std::max<qint64>(1, image.sizeInBytes() / 1024);
        cache_.insert(key, new QImage(image), cost);
    }
    emit imageReady();
}

void PageRenderer::setReadingColours(ReadingColours colours) {
    if (colours_ == colours)
        return;
    colours_ = colours;
    // Every image at hand shows the old colours; whole pages go too, no stand-ins.
    clear();
    emit imageReady();
}

void PageRenderer::clear() {
    for (const Pending& p : std::as_const(pending_))
        p.abort->cancel();
    pending_.clear();
    lists_->cancelUnwanted();
    cache_.clear();
    failed_.clear();
}

void PageRenderer::invalidate(const pdf::Page* page, bool gone) {
    if (!page)
        return;
    ++generations_[page];
    lists_->invalidate(page);
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it.key().page == page) {
            it->abort->cancel();
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    lists_->cancelUnwanted();
    for (const Key& k : cache_.keys())
        if (k.page == page && (gone || k.tileX != -1))
            cache_.remove(k);
    failed_.removeIf([page](const Key& k) { return k.page == page; });
}
