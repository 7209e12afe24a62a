#include "pdf/text/Selection.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(SelectionTest, DragAcrossPagesSplitsIntoLines) {
    auto doc = pdf::Document::fromData(textPdf({{"one two", "three four"}, {"five six", "seven"}}));
    auto p0 = doc->page(0), p1 = doc->page(1);
    const auto l0 = p0->textPage()->lines();
    const auto l1 = p1->textPage()->lines();
    // From the start of page 1's second line to the end of page 2's first line.
    auto sel =
        pdf::Selection::fromPoints(p0, l0[1].box.center() - QPointF(l0[1].box.width() / 2 - 1, 0),
                                   p1, l1[0].box.center() + QPointF(l1[0].box.width() / 2 - 1, 0));
    EXPECT_EQ(sel.string(), "three four\nfive six");
    ASSERT_EQ(sel.pages().size(), 2u);
    auto lines = sel.selectionsByLine();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].pages()[0], p0);
    EXPECT_EQ(lines[1].pages()[0], p1);
    EXPECT_NEAR(lines[0].boundsForPage(p0).top(), l0[1].box.top(), 0.01);
    EXPECT_TRUE(sel.boundsForPage(doc->page(0)).isValid());
}

TEST(SelectionTest, BackwardDragWordAndLine) {
    auto doc = pdf::Document::fromData(textPdf({{"alpha beta gamma", "delta"}}));
    auto page = doc->page(0);
    auto tp = page->textPage();
    const QRectF line = tp->lines()[0].box;
    auto backwards = pdf::Selection::fromPoints(page, QPointF(line.right() - 1, line.center().y()),
                                                page, QPointF(line.left() + 1, line.center().y()));
    EXPECT_EQ(backwards.string(), "alpha beta gamma");
    const QRectF beta = tp->bounds(6, 10);
    EXPECT_EQ(pdf::Selection::wordAt(page, beta.center()).string(), "beta");
    EXPECT_EQ(pdf::Selection::lineAt(page, beta.center()).string(), "alpha beta gamma");
    EXPECT_TRUE(pdf::Selection::wordAt(doc->insertBlankPage(1, 100, 100), QPointF(5, 5)).isEmpty());
}

} // namespace
