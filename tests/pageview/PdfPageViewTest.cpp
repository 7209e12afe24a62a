#include "support/FakeClipboard.h"
#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PageLayout.h"
#include "pageview/PageRenderer.h"
#include "pageview/PasswordPromptWidget.h"
#include "pageview/PdfPageView.h"

#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "platform/NotificationCenter.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Three lines of 20 pt text near the top of each Letter page.
QByteArray threeLinePages(int count, int rotation = 0) {
    std::vector<PageSpec> pages(count);
    for (auto& p : pages) {
        p.rotation = rotation;
        p.runs = {{72, 700, 20, "Alpha beta gamma"},
                  {72, 670, 20, "delta epsilon zeta"},
                  {72, 640, 20, "eta theta iota"}};
    }
    return buildTextPdf(pages);
}

bool isWhite(QRgb c) {
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}

class PageViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(800, 600);
        view.show();
    }
    void open(const QByteArray& bytes) {
        doc = openBytes(bytes);
        view.setDocument(doc);
    }
    QPoint at(int page, QPointF pdfPoint) const {
        return view.viewportPointForPagePoint(page, pdfPoint).toPoint();
    }
    PdfPageView view;
    pdf::DocumentPtr doc;
};

TEST_F(PageViewTest, AutoScalingFitsTheWidthAndFollowsResizes) {
    open(buildNumberedPdf(4, 5));
    view.setAutoScales(true);
    const int width = view.viewport()->width();
    EXPECT_NEAR(view.pageRectInViewport(0).width(), width - 2 * PageLayout::kMargin, 1);
    EXPECT_NEAR(view.scaleFactor(), (width - 2 * PageLayout::kMargin) / 612.0, 1e-9);

    QSignalSpy scaled(&view, &PdfPageView::scaleChanged);
    view.resize(1000, 600);
    EXPECT_GE(scaled.count(), 1);
    EXPECT_NEAR(view.pageRectInViewport(0).width(), view.viewport()->width() - 24, 1);

    // An explicit scale ends fitting; resizing keeps it.
    view.setScaleFactor(1.5);
    EXPECT_FALSE(view.autoScales());
    EXPECT_DOUBLE_EQ(view.scaleFactor(), 1.5);
    view.resize(700, 600);
    EXPECT_DOUBLE_EQ(view.scaleFactor(), 1.5);
    EXPECT_NEAR(view.pageRectInViewport(0).width(), 918, 1);
    // Absurd scales are bounded, not taken.
    view.setScaleFactor(1000);
    EXPECT_DOUBLE_EQ(view.scaleFactor(), PdfPageView::kMaxScale);
    view.setScaleFactor(-1);
    EXPECT_DOUBLE_EQ(view.scaleFactor(), PdfPageView::kMaxScale);
}

TEST_F(PageViewTest, GoToPageShowsThatPageAtTheTopAndZoomKeepsIt) {
    open(buildNumberedPdf(10, 5));
    view.setScaleFactor(1.0);
    QSignalSpy changed(&view, &PdfPageView::pageChanged);
    view.goToPage(doc->page(6));
    EXPECT_EQ(view.currentPageIndex(), 6);
    EXPECT_EQ(view.currentPage(), doc->page(6));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_NEAR(view.pageRectInViewport(6).top(), PageLayout::kGap / 2, 1);

    // Zooming keeps the point in the middle of the view where it is.
    const QPoint middle(view.viewport()->width() / 2, view.viewport()->height() / 2);
    QPointF before;
    ASSERT_EQ(view.pageAtViewportPoint(middle, &before), 6);
    view.setScaleFactor(2.0);
    EXPECT_EQ(view.currentPageIndex(), 6);
    QPointF after;
    EXPECT_EQ(view.pageAtViewportPoint(middle, &after), 6);
    EXPECT_NEAR(after.y(), before.y(), 1);

    // The last page can only scroll as far as the content goes, but it is still current.
    view.goToPage(doc->page(9));
    EXPECT_EQ(view.currentPageIndex(), 9);
    view.goToPage(nullptr);
    EXPECT_EQ(view.currentPageIndex(), 9);
}

TEST_F(PageViewTest, ZoomingInKeepsTheMiddleOfThePageInTheMiddle) {
    open(buildNumberedPdf(2, 5));
    view.setAutoScales(true);
    view.setScaleFactor(view.scaleFactor() * 3);
    const QRectF page = view.pageRectInViewport(0);
    EXPECT_GT(page.width(), view.viewport()->width());
    EXPECT_NEAR(page.center().x(), view.viewport()->width() / 2.0, 2);
}

TEST_F(PageViewTest, ScrollingMakesThePageFillingMostOfTheViewCurrent) {
    open(buildNumberedPdf(8, 5));
    view.setScaleFactor(1.0);
    QVariant posted;
    NotificationCenter::defaultCenter().subscribe(
        PdfPageView::pageChangedNotification, &view,
        [&](const QVariant& payload) { posted = payload; });
    QSignalSpy changed(&view, &PdfPageView::pageChanged);

    QScrollBar* bar = view.verticalScrollBar();
    // Page 3 slightly below the top: page 2's tail is small, page 3 fills the view.
    bar->setValue(bar->value() + int(view.pageRectInViewport(3).top()) - 60);
    EXPECT_EQ(view.currentPageIndex(), 3);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(posted.value<QObject*>(), &view);

    // Scrolling within the same page says nothing.
    bar->setValue(bar->value() + 100);
    EXPECT_EQ(changed.count(), 1);
}

// A Letter page followed by landscape A4 pages: the first page alone tells the wrong size.
QByteArray letterThenLandscape(int count) {
    std::vector<PageSpec> pages(count);
    for (size_t i = 1; i < pages.size(); ++i)
        pages[i].size = QSizeF(842, 595);
    pages[0].runs = {{72, 700, 20, "Alpha beta gamma"}};
    return buildTextPdf(pages);
}

TEST(PageViewShowing, ThePagesInViewStartRenderingWhenItShowsNotAtItsFirstPaint) {
    // As at start-up: the document is set while the view is hidden, then it shows.
    PdfPageView view;
    view.resize(800, 600);
    const pdf::DocumentPtr doc = openBytes(threeLinePages(3));
    view.setDocument(doc);
    const pdf::PagePtr first = doc->page(0);
    const pdf::PagePtr third = doc->page(2);
    EXPECT_FALSE(view.renderer()->isRendering(first.get())); // hidden: nothing asked for
    int paints = 0;
    QObject::connect(&view, &PdfPageView::painted, &view, [&] { ++paints; });
    view.show();
    EXPECT_EQ(paints, 0);
    EXPECT_TRUE(view.renderer()->isRendering(first.get()));
    EXPECT_FALSE(view.renderer()->isRendering(third.get())); // out of view
    ASSERT_TRUE(waitUntilSharp(view));
    EXPECT_FALSE(view.renderer()->bestWholePage(first.get(), 0).isNull());
}

TEST_F(PageViewTest, TheFirstPageIsDrawnBeforeTheOtherPagesAreMeasuredOrFetched) {
    QStringList order;
    pdf::PagePtr second;
    QObject::connect(&view, &PdfPageView::painted, &view, [&](bool sharp) {
        if (!sharp && order.isEmpty() && second && view.renderer()->isRendering(second.get()))
            order << "the next page fetched";
        if (sharp && !order.contains("first page sharp"))
            order << "first page sharp";
    });
    QObject::connect(&view, &PdfPageView::pageSizesCompleted, &view, [&] { order << "sizes"; });
    doc = openBytes(letterThenLandscape(6));
    second = doc->page(1); // the one the view fetches ahead, a screen below the first
    view.setDocument(doc);
    EXPECT_FALSE(view.pageSizesKnown());
    EXPECT_EQ(view.pageSizes().size(), 6u);
    EXPECT_EQ(view.pageSizes()[3], QSizeF(612, 792));

    ASSERT_TRUE(waitUntilSharp(view));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.pageSizesKnown(); }, 10000));
    EXPECT_EQ(order, QStringList({"first page sharp", "sizes"}));
    // Once the first page shows, the next one is fetched ahead.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !view.renderer()->bestWholePage(second.get(), 0).isNull(); }, 10000));
    EXPECT_EQ(view.pageSizes()[3], QSizeF(842, 595));
    const double scale = view.scaleFactor();
    EXPECT_NEAR(view.pageRectInViewport(3).width(), 842 * scale, 1);
    EXPECT_NEAR(view.pageRectInViewport(3).height(), 595 * scale, 1);
    EXPECT_EQ(view.currentPageIndex(), 0);
}

TEST_F(PageViewTest, APageGoneToBeforeTheSizesAreKnownStaysInPlace) {
    open(letterThenLandscape(8));
    ASSERT_FALSE(view.pageSizesKnown());
    view.goToPageIndex(5); // as a remembered place is restored, before the first paint
    const double top = view.pageRectInViewport(5).top();
    view.completePageSizes();
    EXPECT_TRUE(view.pageSizesKnown());
    EXPECT_EQ(view.currentPageIndex(), 5);
    EXPECT_EQ(view.pageRectInViewport(5).top(), top);
    EXPECT_NEAR(view.pageRectInViewport(5).height(), 595 * view.scaleFactor(), 1);

    // A view that is never painted learns them too.
    PdfPageView hidden;
    hidden.setDocument(openBytes(letterThenLandscape(3)));
    EXPECT_FALSE(hidden.pageSizesKnown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return hidden.pageSizesKnown(); }, 10000));
    EXPECT_EQ(hidden.pageSizes()[2], QSizeF(842, 595));
}

TEST_F(PageViewTest, TheFourLayoutsPlacePagesAsExpected) {
    open(buildNumberedPdf(7, 3));
    view.setScaleFactor(0.5);
    EXPECT_EQ(view.displayMode(), PDFDisplayMode::singlePageContinuous);
    EXPECT_GT(view.pageRectInViewport(1).top(), view.pageRectInViewport(0).bottom());

    view.setDisplayMode(PDFDisplayMode::twoUpContinuous);
    EXPECT_EQ(view.pageRectInViewport(0).top(), view.pageRectInViewport(1).top());
    EXPECT_GT(view.pageRectInViewport(1).left(), view.pageRectInViewport(0).right());
    EXPECT_GT(view.pageRectInViewport(2).top(), view.pageRectInViewport(0).bottom());

    view.setDisplayMode(PDFDisplayMode::twoUp);
    EXPECT_FALSE(view.pageRectInViewport(1).isNull());
    EXPECT_TRUE(view.pageRectInViewport(2).isNull());
    view.goToPageIndex(5);
    EXPECT_EQ(view.currentPageIndex(), 5);
    EXPECT_TRUE(view.pageRectInViewport(3).isNull());
    EXPECT_FALSE(view.pageRectInViewport(4).isNull());
    EXPECT_EQ(view.pageRectInViewport(4).top(), view.pageRectInViewport(5).top());

    view.setDisplayMode(PDFDisplayMode::singlePage);
    view.goToPageIndex(0);
    EXPECT_TRUE(view.pageRectInViewport(1).isNull());
    // Paging past the end of the one page shown turns to the next.
    QSignalSpy changed(&view, &PdfPageView::pageChanged);
    for (int i = 0; i < 10 && view.currentPageIndex() == 0; ++i)
        QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.currentPageIndex(), 1);
    EXPECT_FALSE(view.pageRectInViewport(1).isNull());
    EXPECT_TRUE(view.pageRectInViewport(0).isNull());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(PageViewTest, DraggingSelectsTextWithOneRectanglePerLine) {
    open(threeLinePages(2));
    view.setScaleFactor(1.0);
    ScopedClipboard clipboard;
    QSignalSpy changed(&view, &PdfPageView::selectionChanged);

    dragInViewport(view, at(0, {70, 706}), at(0, {110, 676}));
    ASSERT_TRUE(view.currentSelection());
    const QString text = view.currentSelection()->string();
    EXPECT_TRUE(text.startsWith("Alpha beta gamma\ndelt")) << text.toStdString();
    EXPECT_FALSE(text.contains("epsilon")) << text.toStdString();
    EXPECT_GE(changed.count(), 1);

    const auto lines = view.currentSelection()->lineRectsForPage(doc->page(0).get());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NEAR(lines[0].left(), 72, 2);
    EXPECT_GT(std::max(lines[0].top(), lines[0].bottom()), 706);
    EXPECT_LT(std::min(lines[0].top(), lines[0].bottom()), 702);
    EXPECT_GT(std::max(lines[1].top(), lines[1].bottom()), 676);
    EXPECT_LT(std::min(lines[1].top(), lines[1].bottom()), 672);
    EXPECT_LT(lines[1].width(), lines[0].width());

    QTest::keySequence(&view, QKeySequence::Copy);
    EXPECT_EQ(clipboard->text(), text);

    // A click on the background clears it, and says so.
    const int before = changed.count();
    clickInViewport(view.viewport(), QPointF(3, 3));
    EXPECT_FALSE(view.currentSelection());
    EXPECT_EQ(changed.count(), before + 1);
}

TEST_F(PageViewTest, DragAcrossPagesAndWordAndLineClicks) {
    open(threeLinePages(2));
    view.setScaleFactor(0.5);
    dragInViewport(view, at(0, {130, 646}), at(1, {110, 706}));
    ASSERT_TRUE(view.currentSelection());
    EXPECT_EQ(view.currentSelection()->pages().size(), 2u);
    const QString across = view.currentSelection()->string();
    EXPECT_TRUE(across.startsWith("eta iota\nAlph")) << across.toStdString();
    EXPECT_FALSE(across.contains("beta")) << across.toStdString();

    view.setScaleFactor(1.0);
    doubleClickInViewport(view, at(0, {130, 706}));
    ASSERT_TRUE(view.currentSelection());
    EXPECT_EQ(view.currentSelection()->string().trimmed(), "beta");

    tripleClickInViewport(view, at(0, {130, 676}));
    ASSERT_TRUE(view.currentSelection());
    EXPECT_EQ(view.currentSelection()->string().trimmed(), "delta epsilon zeta");
}

TEST_F(PageViewTest, SelectionsSetFromOutsideAreDrawnAndScrolledIntoView) {
    open(buildNumberedPdf(20, 40));
    view.setScaleFactor(1.0);
    auto matches = doc->findString("Page 15");
    ASSERT_FALSE(matches.empty());
    pdf::Selection match = matches.front();
    match.setColor(Qt::yellow);
    QSignalSpy changed(&view, &PdfPageView::selectionChanged);
    view.setCurrentSelection(match, true);
    EXPECT_EQ(changed.count(), 1);
    view.scrollSelectionToVisible();
    EXPECT_EQ(view.currentPageIndex(), 14);
    ASSERT_TRUE(waitUntilSharp(view));

    const QRectF box = doc->page(14)->pageToDisplay().mapRect(match.boundsForPage(doc->page(14)));
    const QPointF corner = view.pageRectInViewport(14).topLeft() + box.topLeft() + QPointF(1, 1);
    const QImage shot = grabViewport(view);
    ASSERT_TRUE(shot.rect().contains(corner.toPoint()));
    const QRgb c = shot.pixel(corner.toPoint());
    EXPECT_GT(qRed(c), 200);
    EXPECT_GT(qGreen(c), 200);
    EXPECT_LT(qBlue(c), 80) << "expected the yellow of the match";

    view.clearSelection();
    EXPECT_EQ(changed.count(), 2);
    view.clearSelection();
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(PageViewTest, AHighlightAddedToTheDocumentShowsInTheNextPaint) {
    open(threeLinePages(1));
    view.setScaleFactor(1.0);
    ASSERT_TRUE(waitUntilSharp(view));
    const QPoint spot = at(0, {350, 425});
    EXPECT_TRUE(isWhite(grabViewport(view).pixel(spot)));

    // No call to the view: the document's notice is enough.
    ASSERT_TRUE(doc->page(0)->addHighlight(QRectF(300, 400, 100, 50), QColor(255, 255, 0)));
    ASSERT_TRUE(waitUntilSharp(view));
    const QRgb c = grabViewport(view).pixel(spot);
    EXPECT_GT(qRed(c), 200);
    EXPECT_LT(qBlue(c), 120);
}

TEST_F(PageViewTest, ZoomedPagesRenderInTilesThatMatchAWholeRender) {
    open(threeLinePages(1));
    view.setScaleFactor(4.0); // 2448 × 3168 pixels: tiled
    view.goToPageIndex(0);
    view.horizontalScrollBar()->setValue(0); // the text sits at the left
    ASSERT_TRUE(waitUntilSharp(view));
    const QImage shot = grabViewport(view);
    const QImage whole = doc->page(0)->render(4.0).convertToFormat(QImage::Format_RGB32);
    const QPoint origin = view.pageRectInViewport(0).topLeft().toPoint();
    int differing = 0, dark = 0, total = 0;
    for (int y = 300; y < 560; ++y)
        for (int x = 250; x < 780; ++x) {
            const QRgb a = shot.pixel(x, y);
            const QRgb b = whole.pixel(x - origin.x(), y - origin.y());
            ++total;
            dark += qGray(a) < 100;
            if (std::abs(qGray(a) - qGray(b)) > 24)
                ++differing;
        }
    EXPECT_GT(dark, 500) << "the text should be on screen";
    EXPECT_LT(differing, total / 200);
}

TEST_F(PageViewTest, RotatedPagesAreShownTurnedAndStillSelectable) {
    open(threeLinePages(2, 90));
    view.setScaleFactor(1.0);
    const QRectF r = view.pageRectInViewport(0);
    EXPECT_NEAR(r.width(), 792, 1);
    EXPECT_NEAR(r.height(), 612, 1);
    doubleClickInViewport(view, at(0, {130, 706}));
    ASSERT_TRUE(view.currentSelection());
    EXPECT_EQ(view.currentSelection()->string().trimmed(), "beta");

    // Turning a page back shows it upright, laid out again on the document's notice.
    doc->page(1)->setRotation(0);
    EXPECT_NEAR(view.pageRectInViewport(1).width(), 612, 1);
    EXPECT_NEAR(view.pageRectInViewport(1).height(), 792, 1);
}

TEST_F(PageViewTest, RemovedPagesLeaveTheLayoutAndTheSelection) {
    open(threeLinePages(3));
    view.setScaleFactor(1.0);
    view.goToPageIndex(2);
    doubleClickInViewport(view, at(2, {130, 706}));
    ASSERT_TRUE(view.currentSelection());
    QSignalSpy changed(&view, &PdfPageView::selectionChanged);
    ASSERT_TRUE(doc->removePage(2));
    EXPECT_TRUE(view.pageRectInViewport(2).isNull());
    EXPECT_EQ(view.currentPageIndex(), 1);
    EXPECT_FALSE(view.currentSelection());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(PageViewTest, ALockedDocumentAsksForItsPassword) {
    auto plain = openBytes(threeLinePages(2));
    pdf::WriteOptions options;
    options.userPassword = "secret";
    options.ownerPassword = "owner";
    open(plain->serialize(options));
    ASSERT_TRUE(doc->isLocked());
    EXPECT_TRUE(view.isShowingPasswordPrompt());
    PasswordPromptWidget* prompt = view.passwordPrompt();
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_EQ(view.currentPageIndex(), -1);
    // With room the card is as wide as it likes; in a narrow view it stays whole in sight.
    const QSize roomy = view.size();
    EXPECT_EQ(prompt->width(), prompt->preferredWidth());
    view.resize(200, roomy.height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.viewport()->rect().contains(prompt->geometry()))
        << prompt->geometry().width() << " in " << view.viewport()->width();
    EXPECT_GE(prompt->height(), prompt->heightForWidth(prompt->width()));
    view.resize(roomy);
    QCoreApplication::processEvents();

    prompt->passwordField()->setText("wrong");
    prompt->unlockButton()->click();
    EXPECT_TRUE(doc->isLocked());
    EXPECT_FALSE(prompt->message().isEmpty());
    EXPECT_TRUE(prompt->passwordField()->text().isEmpty());

    QSignalSpy changed(&view, &PdfPageView::pageChanged);
    prompt->passwordField()->setText("secret");
    QTest::keyClick(prompt->passwordField(), Qt::Key_Return);
    EXPECT_FALSE(doc->isLocked());
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_EQ(view.currentPageIndex(), 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(view.pageRectInViewport(1).isNull());
    EXPECT_TRUE(waitUntilSharp(view));
}

TEST_F(PageViewTest, ReplacingTheDocumentResetsTheViewAndNeverShowsOldPages) {
    open(buildNumberedPdf(5, 3));
    view.goToPageIndex(4);
    ASSERT_TRUE(waitUntilSharp(view));
    QSignalSpy docChanged(&view, &PdfPageView::documentChanged);
    open(threeLinePages(1));
    EXPECT_EQ(docChanged.count(), 1);
    EXPECT_EQ(view.currentPageIndex(), 0);
    EXPECT_TRUE(view.pageRectInViewport(1).isNull());
    ASSERT_TRUE(waitUntilSharp(view));
    view.setDocument(nullptr);
    EXPECT_EQ(view.currentPage(), nullptr);
    EXPECT_TRUE(view.pageRectInViewport(0).isNull());
}

} // namespace
