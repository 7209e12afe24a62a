#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/DisplayListCache.h"
#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"

#include "pdf/document/Page.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(PageInvalidation, AnAnnotationAddedThroughTheModelRedrawsOnlyItsPage) {
    PdfPageView view;
    view.resize(800, 700);
    view.show();
    DocumentViewModel model;
    model.setPdfView(&view, &view);
    auto doc = openBytes(buildNumberedPdf(3, 2));
    model.loadCreatedDocument(doc, "three");
    view.setDocument(doc);
    view.setScaleFactor(0.25); // every page on screen
    ASSERT_TRUE(waitUntilSharp(view));

    PageRenderer& renderer = *view.renderer();
    const auto lists = DisplayListCache::shared();
    std::vector<pdf::PagePtr> pages;
    std::vector<quint64> generations;
    std::vector<std::shared_ptr<pdf::DisplayList>> recorded;
    for (int i = 0; i < 3; ++i) {
        pages.push_back(doc->page(i));
        generations.push_back(renderer.generation(pages[i].get()));
        recorded.push_back(lists->get(pages[i]));
    }
    const qint64 scaleKey = PageRenderer::scaleKeyFor(0.25 * view.devicePixelRatioF());
    auto shown = [&](int i, quint64 generation) {
        return renderer.contains({pages[i].get(), generation, scaleKey, -1, -1});
    };
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(shown(i, generations[i])) << i;

    auto edit = std::make_unique<AddAnnotationsEdit>(
        "Highlight", doc, [](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
            return {d.page(1)->addHighlight(QRectF(72, 600, 200, 100), Qt::yellow)};
        });
    ASSERT_TRUE(model.perform(std::move(edit)));

    // Page 2 alone is drawn anew; pages 1 and 3 keep their recordings and images.
    EXPECT_EQ(renderer.generation(pages[1].get()), generations[1] + 1);
    EXPECT_NE(lists->get(pages[1]), recorded[1]);
    for (int i : {0, 2}) {
        EXPECT_EQ(renderer.generation(pages[i].get()), generations[i]) << i;
        EXPECT_EQ(lists->get(pages[i]), recorded[i]) << i;
    }
    ASSERT_TRUE(waitUntilSharp(view));
    EXPECT_TRUE(shown(1, generations[1] + 1));
    EXPECT_TRUE(shown(0, generations[0]));
    EXPECT_TRUE(shown(2, generations[2]));

    // Undo is an edit of the page too: drawn anew once more.
    model.undo();
    EXPECT_EQ(renderer.generation(pages[1].get()), generations[1] + 2);
    EXPECT_EQ(renderer.generation(pages[0].get()), generations[0]);
}
