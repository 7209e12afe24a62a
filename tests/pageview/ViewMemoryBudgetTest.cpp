#include "pageview/ViewMemoryBudget.h"
#include "pageview/DisplayListCache.h"
#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "pdf/document/Document.h"
#include "pdf/engine/EngineStore.h"
#include "support/ImagePageFixtures.h"
#include "support/PageViewTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(ViewMemoryBudgetTest, CachesStayWithinTheBudgetWhilePagingThroughPictures) {
    const ViewMemoryBudget& budget = ViewMemoryBudget::standard();
    budget.apply();
    // Each page's picture decodes to 300 KB: 300 of them are more than the engine's share.
    // Read from its file, as the window reads one.
    const QTemporaryDir dir;
    const QString path = dir.filePath("pictures.pdf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(imagePagesPdf(300, 320));
    }
    auto doc = pdf::Document::open(path);
    ASSERT_TRUE(doc);
    PdfPageView view;
    view.resize(500, 400);
    view.setDocument(doc);
    view.show();
    PdfThumbnailView strip;
    strip.resize(160, 400);
    strip.setPdfView(&view);
    strip.show();

    const auto lists = DisplayListCache::shared();
    qint64 pageImages = 0, thumbnails = 0, store = 0;
    int recordings = 0;
    for (int i = 0; i < doc->pageCount(); ++i) {
        view.goToPageIndex(i);
        ASSERT_TRUE(waitUntilSharp(view)) << "page " << i + 1;
        if (i % 25 == 24) {
            ASSERT_TRUE(waitUntilIdle(strip));
            budget.settle();
            store = std::max<qint64>(store, qint64(pdf::EngineStore::bytes()));
        }
        pageImages = std::max(pageImages, view.renderer()->cachedBytes());
        thumbnails = std::max(thumbnails, strip.renderer()->cachedBytes());
        recordings = std::max(recordings, lists->size());
    }
    EXPECT_LE(pageImages, budget.pageImageBytes);
    EXPECT_LE(thumbnails, budget.thumbnailBytes);
    EXPECT_LE(recordings, budget.displayLists);
    EXPECT_GT(store, 0);
    EXPECT_LE(store, budget.engineStoreBytes);
    // What is on screen stayed: the last page paints sharp without another render.
    view.viewport()->grab();
    EXPECT_TRUE(view.lastPaintWasSharp());

    // Idle, the view keeps what it shows and the page above it, not the whole budget.
    const QSize page = PageRenderer::wholePage(QSizeF(612, 792), view.scaleFactor()).size();
    const qint64 pageBytes = qint64(page.width()) * page.height() * 4;
    const qint64 before = view.renderer()->cachedBytes();
    ASSERT_GT(before, 4 * pageBytes);
    view.releaseUnusedMemory();
    EXPECT_LE(view.renderer()->cachedBytes(), 3 * pageBytes);
    EXPECT_LE(qint64(pdf::EngineStore::bytes()), budget.engineStoreBytes);
    view.viewport()->grab();
    EXPECT_TRUE(view.lastPaintWasSharp());
    EXPECT_FALSE(view.isRendering());
}

} // namespace
