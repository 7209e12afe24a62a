#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PasswordPromptWidget.h"
#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "shell/PDFKitCoordinator.h"
#include "shell/PDFKitView.h"
#include "shell/ThumbnailSidebarView.h"

#include "platform/NotificationCenter.h"
#include "viewmodels/AnnotationViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;

namespace {

QByteArray wordPages(int count) {
    std::vector<PageSpec> pages(count);
    for (auto& p : pages)
        p.runs = {{72, 700, 20, "Alpha beta gamma"}, {72, 670, 20, "delta epsilon zeta"}};
    return buildTextPdf(pages);
}

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        bridge = std::make_unique<PDFKitView>(model, annotations);
        bridge->resize(800, 600);
        bridge->show();
        view = bridge->pdfView();
    }
    DocumentViewModel model;
    AnnotationViewModel annotations;
    std::unique_ptr<PDFKitView> bridge;
    PdfPageView* view = nullptr;
};

TEST_F(BridgeTest, MakesAConfiguredViewAndHandsItToTheModel) {
    EXPECT_EQ(model.pdfView(), static_cast<PageViewInterface*>(view));
    EXPECT_TRUE(view->autoScales());
    EXPECT_EQ(view->displayMode(), PDFDisplayMode::singlePageContinuous);
    EXPECT_EQ(view->displayDirection(), Qt::Vertical);
    EXPECT_EQ(view->document(), nullptr);
    EXPECT_TRUE(bridge->coordinator()->pageChangeObserver());
    EXPECT_TRUE(bridge->coordinator()->selectionObserver());

    auto& center = NotificationCenter::defaultCenter();
    const int before = center.subscriberCount(PdfPageView::pageChangedNotification);
    bridge.reset();
    EXPECT_EQ(model.pdfView(), nullptr);
    EXPECT_EQ(center.subscriberCount(PdfPageView::pageChangedNotification), before - 1);
    model.goToPage(0); // no view: nothing to reach, nothing breaks
}

TEST_F(BridgeTest, LoadedDocumentsAreFittedUnlessTheUserZoomed) {
    auto first = openBytes(buildNumberedPdf(3, 2));
    model.loadCreatedDocument(first, "First");
    EXPECT_EQ(view->document(), first);
    EXPECT_TRUE(view->autoScales());
    EXPECT_NEAR(view->pageRectInViewport(0).width(), view->viewport()->width() - 24, 1);

    model.zoomIn();
    const double zoomed = view->scaleFactor();
    EXPECT_DOUBLE_EQ(model.scaleFactor(), zoomed);
    auto second = openBytes(buildNumberedPdf(2, 2));
    model.markSaved(); // as if written: the next one replaces it without asking
    model.loadCreatedDocument(second, "Second");
    EXPECT_EQ(view->document(), second);
    EXPECT_FALSE(view->autoScales());
    EXPECT_FALSE(model.autoScales());
    EXPECT_DOUBLE_EQ(view->scaleFactor(), zoomed);
}

TEST_F(BridgeTest, PageAndSelectionFlowBackFromTheView) {
    auto doc = openBytes(wordPages(6));
    model.loadCreatedDocument(doc, "Words");
    view->setScaleFactor(1.0);

    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + int(view->pageRectInViewport(4).top()) - 20);
    EXPECT_EQ(view->currentPageIndex(), 4);
    EXPECT_EQ(model.currentPageIndex(), 4);

    model.goToPage(1);
    EXPECT_EQ(view->currentPageIndex(), 1);
    EXPECT_EQ(model.currentPageIndex(), 1);

    doubleClickInViewport(*view, view->viewportPointForPagePoint(1, {130, 706}));
    ASSERT_TRUE(model.currentSelection());
    EXPECT_EQ(model.currentSelection()->string().trimmed(), "beta");
    clickInViewport(view->viewport(), QPointF(3, 3));
    EXPECT_FALSE(model.currentSelection());
}

TEST_F(BridgeTest, UnlockingInTheViewTellsTheModelHowManyPagesThereAre) {
    auto plain = openBytes(wordPages(3));
    pdf::WriteOptions options;
    options.userPassword = "pw";
    auto locked = openBytes(plain->serialize(options));
    model.loadCreatedDocument(locked, "Locked");
    EXPECT_EQ(model.totalPages(), 0);
    EXPECT_TRUE(view->isShowingPasswordPrompt());
    view->passwordPrompt()->unlockRequested("pw");
    EXPECT_FALSE(view->isShowingPasswordPrompt());
    EXPECT_EQ(model.totalPages(), 3);
    EXPECT_EQ(model.currentPageIndex(), 0);
}

TEST_F(BridgeTest, UpdatesWriteOnlyDocumentAndLayout) {
    auto doc = openBytes(wordPages(4));
    model.loadCreatedDocument(doc, "Words");
    view->setScaleFactor(1.3);
    view->goToPageIndex(2);
    QSignalSpy pageSpy(view, &PdfPageView::pageChanged);
    QSignalSpy scaleSpy(view, &PdfPageView::scaleChanged);

    annotations.setCurrentTool(AnnotationTool::highlight);
    EXPECT_EQ(pageSpy.count(), 0);
    EXPECT_EQ(scaleSpy.count(), 0);
    EXPECT_EQ(view->currentPageIndex(), 2);
    EXPECT_DOUBLE_EQ(view->scaleFactor(), 1.3);

    // The model's layout alone reaches the view at the next update.
    model.setDisplayMode(PDFDisplayMode::twoUp);
    EXPECT_EQ(view->displayMode(), PDFDisplayMode::twoUp);
    EXPECT_TRUE(view->pageRectInViewport(0).isNull());
    EXPECT_FALSE(view->pageRectInViewport(3).isNull());
}

TEST_F(BridgeTest, TheThumbnailSidebarFollowsTheModelsPageView) {
    auto doc = openBytes(wordPages(8));
    model.loadCreatedDocument(doc, "Words");
    ThumbnailSidebarView sidebar(model);
    sidebar.resize(180, 600);
    sidebar.show();
    PdfThumbnailView* strip = sidebar.thumbnailView();
    EXPECT_EQ(strip->pdfView(), view);
    EXPECT_EQ(strip->thumbnailSize(), QSizeF(120, 160));
    EXPECT_EQ(strip->pageCount(), 8);

    const QRect cell = strip->cellRect(2);
    clickInViewport(strip->viewport(), cell.center());
    EXPECT_EQ(view->currentPageIndex(), 2);
    EXPECT_EQ(model.currentPageIndex(), 2);

    // A new bridge makes a new page view; the next refresh binds the strip to it.
    bridge = std::make_unique<PDFKitView>(model, annotations);
    EXPECT_NE(bridge->pdfView(), view);
    sidebar.updateView();
    EXPECT_EQ(strip->pdfView(), bridge->pdfView());
    EXPECT_EQ(strip->pageCount(), 8);
}

} // namespace
