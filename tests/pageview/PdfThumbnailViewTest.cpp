#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = openBytes(buildNumberedPdf(12, 10));
        view.resize(800, 600);
        view.setDocument(doc);
        view.show();
        strip.resize(180, 600);
        strip.setPdfView(&view);
        strip.show();
    }
    PdfPageView view;
    PdfThumbnailView strip;
    pdf::DocumentPtr doc;
};

TEST_F(ThumbnailTest, ShowsTheConnectedViewsPagesAndRendersTheVisibleOnes) {
    EXPECT_EQ(strip.thumbnailSize(), QSizeF(120, 160));
    EXPECT_EQ(strip.pageCount(), 12);
    EXPECT_EQ(strip.highlightedIndex(), 0);
    ASSERT_TRUE(waitUntilIdle(strip));
    // The first thumbnail shows ink (its heading), not a blank sheet.
    const QImage shot = strip.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect cell = strip.cellRect(0);
    int ink = 0;
    for (int y = cell.top(); y < cell.top() + 60; ++y)
        for (int x = cell.left(); x < cell.right(); ++x)
            ink += qGray(shot.pixel(x, y)) < 200;
    EXPECT_GT(ink, 10);
}

TEST_F(ThumbnailTest, ClickingAThumbnailNavigatesAndTheCurrentPageStaysInSight) {
    QSignalSpy changed(&view, &PdfPageView::pageChanged);
    strip.verticalScrollBar()->setValue(strip.cellRect(3).top() - 10);
    const QRect cell = strip.cellRect(3);
    ASSERT_TRUE(strip.viewport()->rect().contains(cell.center()));
    clickInViewport(strip.viewport(), cell.center());
    EXPECT_EQ(view.currentPageIndex(), 3);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(strip.highlightedIndex(), 3);

    view.goToPageIndex(11);
    const QRect last = strip.cellRect(11);
    EXPECT_GE(last.top(), 0);
    EXPECT_LE(last.bottom(), strip.viewport()->height());

    // A click below the last cell does nothing.
    strip.verticalScrollBar()->setValue(strip.verticalScrollBar()->maximum());
    EXPECT_EQ(strip.indexAt(QPoint(10, strip.cellRect(11).bottom() + 5)), -1);
}

TEST_F(ThumbnailTest, FollowsStructureChangesAndTheViewGoingAway) {
    // The document's notice reaches the strip without a call to the view.
    ASSERT_TRUE(doc->removePage(0));
    ASSERT_TRUE(doc->removePage(0));
    EXPECT_EQ(strip.pageCount(), 10);

    auto other = openBytes(buildNumberedPdf(3, 2));
    view.setDocument(other);
    EXPECT_EQ(strip.pageCount(), 3);

    {
        PdfPageView second;
        second.setDocument(openBytes(buildNumberedPdf(5, 2)));
        strip.setPdfView(&second);
        EXPECT_EQ(strip.pageCount(), 5);
    }
    EXPECT_EQ(strip.pdfView(), nullptr);
    EXPECT_EQ(strip.pageCount(), 0);
}

} // namespace
