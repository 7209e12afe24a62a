#include "pageview/PagePreviewRenderer.h"

#include "pageview/PageRenderer.h"

#include "base/ParallelFor.h"
#include "pdf/document/Document.h"

#include <QFutureWatcher>
#include <QtConcurrent>

void PagePreviewRenderer::request(const pdf::PagePtr& page, QSize pixels) {
    const quint64 generation = ++generation_;
    if (!page) {
        emit rendered(QImage());
        return;
    }
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation == generation_)
            emit rendered(watcher->result());
    });
    // The document is held too, so closing the sheet mid-render frees nothing in use.
    watcher->setFuture(
        QtConcurrent::run(PageRenderer::pool(), [page, document = page->document(), pixels] {
            const base::PoolTask task;
            return page->thumbnail(pixels);
        }));
}
