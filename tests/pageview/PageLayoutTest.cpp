#include "pageview/PageLayout.h"

#include <gtest/gtest.h>

namespace {

std::vector<QSizeF> letters(int n) {
    return std::vector<QSizeF>(n, QSizeF(612, 792));
}

TEST(PageLayout, ContinuousStacksCentredPagesWithGaps) {
    const PageLayout l(letters(3), PDFDisplayMode::singlePageContinuous, 0.5, 800, 0);
    EXPECT_EQ(l.pageRect(0), QRectF(247, 12, 306, 396));
    EXPECT_EQ(l.pageRect(1).top(), 12 + 396 + 12);
    EXPECT_EQ(l.pageRect(2).left(), 247);
    EXPECT_EQ(l.contentSize(), QSizeF(800, 12 + 3 * 396 + 2 * 12 + 12));
    EXPECT_EQ(l.firstShown(), 0);
    EXPECT_EQ(l.lastShown(), 2);
}

TEST(PageLayout, TwoUpPairsPagesSideBySideAndKeepsAnOddLastPageAlone) {
    const PageLayout l(letters(5), PDFDisplayMode::twoUpContinuous, 0.5, 800, 0);
    EXPECT_EQ(l.pageRect(0).top(), l.pageRect(1).top());
    EXPECT_EQ(l.pageRect(1).left(), l.pageRect(0).right() + PageLayout::kGap);
    EXPECT_GT(l.pageRect(2).top(), l.pageRect(0).bottom());
    // The lone last page is centred on its row.
    EXPECT_NEAR(l.pageRect(4).center().x(), 400, 1);
    EXPECT_EQ(PageLayout::rowOf(5, PDFDisplayMode::twoUp), 2);
}

TEST(PageLayout, NonContinuousModesLayOutOnlyTheRowShown) {
    const PageLayout single(letters(6), PDFDisplayMode::singlePage, 1, 800, 3);
    EXPECT_FALSE(single.isLaidOut(2));
    EXPECT_TRUE(single.isLaidOut(3));
    EXPECT_EQ(single.pageRect(3).top(), PageLayout::kMargin);
    EXPECT_EQ(single.firstShown(), 3);

    const PageLayout two(letters(6), PDFDisplayMode::twoUp, 1, 800, 3);
    EXPECT_TRUE(two.isLaidOut(2));
    EXPECT_TRUE(two.isLaidOut(3));
    EXPECT_FALSE(two.isLaidOut(4));
    EXPECT_EQ(two.firstShown(), 2);
    EXPECT_EQ(two.lastShown(), 3);
    // Wider than the viewport: the content grows and the row starts at the margin.
    EXPECT_EQ(two.contentSize().width(), 2 * 612 + PageLayout::kGap + 2 * PageLayout::kMargin);
    EXPECT_EQ(two.pageRect(2).left(), PageLayout::kMargin);
}

TEST(PageLayout, FitWidthUsesTheWidestRow) {
    std::vector<QSizeF> sizes = letters(3);
    sizes[1] = QSizeF(792, 612); // one landscape page
    EXPECT_DOUBLE_EQ(PageLayout::fitWidthScale(sizes, PDFDisplayMode::singlePageContinuous, 816),
                     (816 - 24) / 792.0);
    EXPECT_DOUBLE_EQ(PageLayout::fitWidthScale(letters(2), PDFDisplayMode::twoUp, 1248),
                     (1248 - 24 - 12) / 1224.0);
    const double s = PageLayout::fitWidthScale(sizes, PDFDisplayMode::singlePageContinuous, 816);
    const PageLayout l(sizes, PDFDisplayMode::singlePageContinuous, s, 816, 0);
    EXPECT_NEAR(l.pageRect(1).width(), 816 - 24, 1);
    EXPECT_LE(l.contentSize().width(), 816);
}

TEST(PageLayout, FindsPagesByAreaAndPoint) {
    const PageLayout l(letters(4), PDFDisplayMode::singlePageContinuous, 1, 700, 0);
    const QRectF p1 = l.pageRect(1);
    // A view showing the last fifth of page 1 and most of page 2.
    const QRectF view(0, p1.bottom() - p1.height() / 5, 700, 600);
    EXPECT_EQ(l.pagesIn(view), (std::vector<int>{1, 2}));
    EXPECT_EQ(l.pageFillingMost(view), 2);
    EXPECT_EQ(l.pageAt(p1.center()), 1);
    EXPECT_EQ(l.pageAt(QPointF(1, p1.center().y())), -1);
    EXPECT_EQ(l.pageAt(QPointF(1, p1.center().y()), true), 1);
    EXPECT_EQ(l.pageAt(QPointF(350, 1e6), true), 3);
    EXPECT_EQ(PageLayout().pageFillingMost(view), -1);
}

} // namespace
