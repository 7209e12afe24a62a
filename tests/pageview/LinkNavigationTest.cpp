#include "support/PageViewTestSupport.h"
#include "support/PdfFixtures.h"

#include "pageview/PageLayout.h"
#include "pageview/PdfPageView.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class LinkViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(800, 600);
        view.show();
        doc = openBytes(navigationPdf());
        view.setDocument(doc);
        view.setAutoScales(true);
    }
    // The viewport point over a display-space point of a page.
    QPoint at(int page, QPointF display) const {
        return (view.pageRectInViewport(page).topLeft() + display * view.scaleFactor()).toPoint();
    }
    // How far the viewport top is below the top of `page`, in points.
    double offsetIntoPage(int page) const {
        return -view.pageRectInViewport(page).top() / view.scaleFactor();
    }
    void click(QPoint point) { QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, point); }
    PdfPageView view;
    pdf::DocumentPtr doc;
};

TEST_F(LinkViewTest, ClickingInternalAndNamedLinksGoesToTheirPlaceAndBackReturns) {
    ASSERT_EQ(view.currentPageIndex(), 0);
    const int startScroll = view.verticalScrollBar()->value();
    // The link to page 4, top at display y 292.
    click(at(0, {150, 792 - 615}));
    EXPECT_EQ(view.currentPageIndex(), 3);
    EXPECT_NEAR(offsetIntoPage(3), 292 - 12, 2);
    EXPECT_TRUE(view.canGoBack());
    EXPECT_FALSE(view.canGoForward());

    view.goBack();
    EXPECT_EQ(view.currentPageIndex(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), startScroll);
    EXPECT_TRUE(view.canGoForward());

    // Alt+Right goes forward again, Alt+Left back.
    QTest::keyClick(&view, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(view.currentPageIndex(), 3);
    QTest::keyClick(&view, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(view.currentPageIndex(), 0);

    // The named link: "chapter2" is page 3, top at display y 392.
    click(at(0, {150, 792 - 515}));
    EXPECT_EQ(view.currentPageIndex(), 2);
    EXPECT_NEAR(offsetIntoPage(2), 392 - 12, 2);
    // A new jump drops what Forward held; the mouse's back button returns.
    EXPECT_FALSE(view.canGoForward());
    QTest::mouseClick(view.viewport(), Qt::BackButton, {}, QPoint(10, 10));
    EXPECT_EQ(view.currentPageIndex(), 0);
}

TEST_F(LinkViewTest, ExternalLinksAreReportedNotFollowedAndHoverShowsTheAddress) {
    QSignalSpy external(&view, &PdfPageView::externalLinkActivated);
    QSignalSpy hovered(&view, &PdfPageView::linkHovered);
    const QPoint web = at(0, {150, 792 - 415});

    QTest::mouseMove(view.viewport(), web);
    ASSERT_GE(hovered.count(), 1);
    EXPECT_EQ(hovered.last().at(0).toString(), "https://example.org/guide");
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(view.viewport(), at(0, {400, 100}));
    EXPECT_EQ(hovered.last().at(0).toString(), "");
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::IBeamCursor);

    click(web);
    ASSERT_EQ(external.count(), 1);
    EXPECT_EQ(external.at(0).at(0).toString(), "https://example.org/guide");
    EXPECT_EQ(view.currentPageIndex(), 0);
    EXPECT_FALSE(view.canGoBack());
    // A press on a link selects no text.
    EXPECT_FALSE(view.currentSelection());
}

// The reader's keys, one row each: layout, key, modifiers, the page before and after.
TEST(PageViewKeys, KeyTableOfTheReader) {
    struct Row {
        const char* what;
        PDFDisplayMode mode;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int from;
        int to; // -1: the scroll position moved back, page unchanged or earlier
    };
    const Row rows[] = {
        {"Right turns a single page", PDFDisplayMode::singlePage, Qt::Key_Right, {}, 1, 2},
        {"Left turns back", PDFDisplayMode::singlePage, Qt::Key_Left, {}, 2, 1},
        {"Right turns a pair", PDFDisplayMode::twoUp, Qt::Key_Right, {}, 0, 2},
        {"End goes to the last page", PDFDisplayMode::singlePageContinuous, Qt::Key_End, {}, 0, 5},
        {"Home goes to the first", PDFDisplayMode::singlePageContinuous, Qt::Key_Home, {}, 4, 0},
        {"Space moves forward", PDFDisplayMode::singlePage, Qt::Key_Space, {}, 1, 2},
        {"Shift+Space moves back", PDFDisplayMode::singlePage, Qt::Key_Space, Qt::ShiftModifier, 2,
         1},
    };
    PdfPageView view;
    view.resize(800, 600);
    view.show();
    // Landscape-short pages, so a single page fits and Space turns it at once.
    view.setDocument(openBytes(textPdf(std::vector<QStringList>(6, {"Short page"}), 612, 300)));
    for (const Row& row : rows) {
        view.setDisplayMode(row.mode);
        view.setAutoScales(true);
        view.goToPageIndex(row.from);
        ASSERT_EQ(view.currentPageIndex(), row.from) << row.what;
        QTest::keyClick(&view, row.key, row.modifiers);
        EXPECT_EQ(view.currentPageIndex(), row.to) << row.what;
    }

    // Shift+Space in a long continuous page scrolls back, never forward.
    view.setDocument(openBytes(numberedPdf(3)));
    view.setDisplayMode(PDFDisplayMode::singlePageContinuous);
    view.setAutoScales(true);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    const int middle = view.verticalScrollBar()->value();
    QTest::keyClick(&view, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_LT(view.verticalScrollBar()->value(), middle);
}

TEST_F(LinkViewTest, WheelZoomKeepsThePointUnderThePointerAndButtonZoomTheCentre) {
    view.goToPageIndex(1);
    const QPoint pointer(200, 150);
    QPointF before;
    const int page = view.pageAtViewportPoint(pointer, &before);
    ASSERT_GE(page, 0);
    QWheelEvent wheel(pointer, view.viewport()->mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_GT(view.scaleFactor(), 1.0);
    QPointF after;
    EXPECT_EQ(view.pageAtViewportPoint(pointer, &after), page);
    EXPECT_NEAR(after.x(), before.x(), 2);
    EXPECT_NEAR(after.y(), before.y(), 2);

    const QPoint centre(view.viewport()->width() / 2, view.viewport()->height() / 2);
    QPointF middleBefore;
    const int middlePage = view.pageAtViewportPoint(centre, &middleBefore);
    view.setScaleFactor(view.scaleFactor() * 1.25);
    QPointF middleAfter;
    EXPECT_EQ(view.pageAtViewportPoint(centre, &middleAfter), middlePage);
    EXPECT_NEAR(middleAfter.y(), middleBefore.y(), 2);
}

TEST_F(LinkViewTest, FitPageShowsTheWholePage) {
    const double scale = view.fitPageScale();
    EXPECT_LE(792 * scale, view.viewport()->height());
    EXPECT_LE(612 * scale, view.viewport()->width());
    EXPECT_NEAR(792 * scale, view.viewport()->height() - PageLayout::kGap, 1);
}

} // namespace
