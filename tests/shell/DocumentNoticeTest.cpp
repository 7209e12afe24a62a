// Edits made through the document view model reach the window's page view and its
// thumbnail strip by the document's own notice, with no call to either.
#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "shell/PDFKitView.h"
#include "shell/ThumbnailSidebarView.h"

#include "pdf/document/Page.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(DocumentNotice, PageEditsThroughTheModelReachTheViewAndTheThumbnails) {
    DocumentViewModel model;
    AnnotationViewModel annotations;
    PDFKitView bridge(model, annotations);
    bridge.resize(800, 600);
    bridge.show();
    auto doc = openBytes(buildNumberedPdf(8, 2));
    model.loadCreatedDocument(doc, "Eight");
    ThumbnailSidebarView sidebar(model);
    sidebar.resize(180, 600);
    sidebar.show();
    PdfPageView* view = bridge.pdfView();
    PdfThumbnailView* strip = sidebar.thumbnailView();
    ASSERT_EQ(strip->pageCount(), 8);
    model.goToPage(5);

    ASSERT_TRUE(model.perform(std::make_unique<RemovePageEdit>(doc, 2)));
    EXPECT_EQ(model.totalPages(), 7);
    EXPECT_EQ(strip->pageCount(), 7);
    EXPECT_FALSE(view->pageRectInViewport(6).isNull());
    EXPECT_TRUE(view->pageRectInViewport(7).isNull());
    // The page that was current is still the one shown, one place up.
    EXPECT_EQ(view->currentPageIndex(), 4);
    EXPECT_EQ(model.currentPageIndex(), 4);

    model.undo();
    EXPECT_EQ(model.totalPages(), 8);
    EXPECT_EQ(strip->pageCount(), 8);
    EXPECT_FALSE(view->pageRectInViewport(7).isNull());

    // A turned page is laid out on its side in both.
    ASSERT_TRUE(model.perform(std::make_unique<RotatePageEdit>(doc, 0)));
    const QRectF turned = view->pageRectInViewport(0);
    EXPECT_GT(turned.width(), turned.height());
    model.undo();
    const QRectF upright = view->pageRectInViewport(0);
    EXPECT_LT(upright.width(), upright.height());

    auto blank = [](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
        return {0, into->insertBlankPage(0, 200, 200) ? 1 : 0};
    };
    ASSERT_TRUE(model.perform(std::make_unique<InsertPagesEdit>("Insert", doc, blank)));
    EXPECT_EQ(strip->pageCount(), 9);
    EXPECT_FALSE(view->pageRectInViewport(8).isNull());
    EXPECT_TRUE(waitUntilIdle(*strip));
}
