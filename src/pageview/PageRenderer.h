#pragma once
// Rasterises pages on worker threads and keeps the results in a cache bounded in bytes.
// The owner asks for what it needs while painting, between beginPass() and endPass();
// whatever was asked for in an earlier pass but not in the latest one is cancelled.
#include "pageview/ReadingColours.h"
#include "pdf/document/DisplayList.h"
#include "pdf/document/Page.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSet>

#include <atomic>
#include <memory>

class DisplayListCache;
class QThreadPool;

class PageRenderer : public QObject {
    Q_OBJECT
public:
    struct Key {
        const pdf::Page* page = nullptr;
        quint64 revision = 0; // generation(page) when asked for
        qint64 scaleKey = 0;  // scale × 10⁴, rounded
        int tileX = -1;       // -1: the whole page
        int tileY = -1;
        bool operator==(const Key&) const = default;
    };
    enum Priority { Prefetch = 0, Thumbnail = 1, VisibleSharp = 2, VisiblePreview = 3 };

    static qint64 scaleKeyFor(double scale);
    // The whole image of a page of `size` points at `scale`, as a clip.
    static QRect wholePage(const QSizeF& size, double scale);
    // The pool every renderer and page preview shares, base::poolThreadCount() workers.
    static QThreadPool* pool();

    explicit PageRenderer(qint64 budgetBytes, QObject* parent = nullptr);
    ~PageRenderer() override;

    // A finished image, or null. Marks it recently used.
    QImage image(const Key& key);
    bool contains(const Key& key) const { return cache_.contains(key); }
    // The largest whole-page image of `page` at hand, preferring `revision`; null if none.
    QImage bestWholePage(const pdf::Page* page, quint64 revision) const;

    void beginPass();
    // Asks for `key` unless it is cached, failed or already on its way. `clip` is in device
    // pixels of the full page image at `scale` (the whole image for a whole page); it comes
    // from the caller so that asking never waits for the document's lock. Prefetches are
    // refused when they would push out what this pass shows.
    void request(const Key& key, const pdf::PagePtr& page, double scale, const QRect& clip,
                 Priority priority);
    void endPass();
    // Lets go of every image the latest pass neither showed nor asked for: once the view
    // is idle, the budget's room beyond what it needs goes back to the system.
    void trimToPass();

    // Counts the times `page` was invalidated: images keyed with an older one are stale.
    quint64 generation(const pdf::Page* page) const { return generations_.value(page); }
    // `page` draws differently now: its tiles and jobs go and its recording is made anew;
    // whole-page images stay, as stand-ins, until the new ones arrive. `gone` drops those
    // too, for a page that left its document (its address may be reused).
    void invalidate(const pdf::Page* page, bool gone = false);

    bool isBusy() const { return !pending_.isEmpty(); }
    // True while an image of `page` is being made.
    bool isRendering(const pdf::Page* page) const;
    qint64 cachedBytes() const { return cache_.totalCost() * 1024; }
    void clear();
    // The colours pages are rendered in from now on; what was rendered before goes.
    void setReadingColours(ReadingColours colours);
    ReadingColours readingColours() const { return colours_; }

signals:
    void imageReady();

private:
    struct Job;
    struct Sink;
    struct Pending {
        std::shared_ptr<base::CancelToken> abort;
        quint64 pass = 0;
    };
    void deliver(const Key& key, const std::shared_ptr<base::CancelToken>& token,
                 const QImage& image);

    QCache<Key, QImage> cache_; // cost in KiB
    QHash<Key, Pending> pending_;
    QSet<Key> failed_;
    QHash<const pdf::Page*, quint64> generations_;
    std::shared_ptr<Sink> sink_;
    std::shared_ptr<DisplayListCache> lists_;
    ReadingColours colours_ = ReadingColours::normal;
    quint64 pass_ = 0;
    qint64 passKiB_ = 0; // what the current pass shows or has asked for
};

size_t qHash(const PageRenderer::Key& key, size_t seed = 0) noexcept;
