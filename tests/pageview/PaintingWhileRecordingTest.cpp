// The page view and the thumbnails paint, scroll and take a new document while a worker
// holds the document's engine lock, as a recording of a heavy page does.
#include "support/EngineHeld.h"
#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"

#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(PaintingWhileRecordingTest, TheViewsNeverWaitForTheEngineLock) {
    const auto doc = openBytes(buildNumberedPdf(30, 4));
    ASSERT_TRUE(doc);
    PdfPageView view;
    view.resize(700, 500);
    view.show();
    view.setDocument(doc);
    ASSERT_TRUE(waitUntilSharp(view));
    // Search matches on the first page are drawn from its kept text.
    const auto matches = doc->findString("Page");
    ASSERT_FALSE(matches.empty());
    view.setSearchMatches(QList<pdf::Selection>(matches.begin(), matches.end()));
    PdfThumbnailView thumbnails;
    thumbnails.resize(160, 500);
    thumbnails.show();

    EngineHeld held(*doc);
    (void)grabViewport(view);
    view.goToPageIndex(20); // pages never asked for before
    (void)grabViewport(view);
    thumbnails.setPdfView(&view);
    (void)thumbnails.grab();
    QTest::qWait(50);
    EXPECT_TRUE(held.release()) << "painting waited for the engine lock";

    // Once the lock is free the pages asked for meanwhile come out sharp.
    EXPECT_TRUE(waitUntilSharp(view));
    EXPECT_TRUE(waitUntilIdle(thumbnails));
}

} // namespace
