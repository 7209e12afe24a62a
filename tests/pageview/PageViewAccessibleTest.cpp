// The page view as assistive technology reads it, through Qt's accessibility interfaces.
#include "support/PageViewTestSupport.h"
#include "support/TextPdfBuilder.h"

#include "pageview/PageViewAccessible.h"
#include "pageview/PdfPageView.h"
#include "pdf/text/Selection.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(PageViewAccessible, TextCaretAndSelectionOfThePagesInSight) {
    PageViewAccessible::install();
    PdfPageView view;
    view.resize(600, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    std::vector<PageSpec> pages(3);
    for (size_t i = 0; i < pages.size(); ++i)
        pages[i].runs = {{72, 700, 20, QStringLiteral("Alpha beta %1").arg(i + 1)},
                         {72, 670, 20, "gamma delta"}};
    view.setDocument(openBytes(buildTextPdf(pages)));
    QTest::qWait(20);

    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(&view);
    ASSERT_TRUE(self);
    EXPECT_EQ(self->role(), QAccessible::Document);
    EXPECT_EQ(self->text(QAccessible::Name), "Pages");
    QAccessibleTextInterface* text = self->textInterface();
    ASSERT_TRUE(text);
    // Page 1 fills the view: its two lines, and nothing of page 3.
    const QString all = text->text(0, text->characterCount());
    EXPECT_TRUE(all.startsWith("Alpha beta 1\ngamma delta")) << all.toStdString();
    EXPECT_FALSE(all.contains("Alpha beta 3"));
    int start = -1, end = -1;
    EXPECT_EQ(text->textAtOffset(7, QAccessible::LineBoundary, &start, &end), "Alpha beta 1\n");
    EXPECT_EQ(text->textAtOffset(7, QAccessible::WordBoundary, &start, &end), "beta");
    EXPECT_EQ(start, 6);
    EXPECT_EQ(text->textAfterOffset(7, QAccessible::LineBoundary, &start, &end).left(11),
              "gamma delta");

    // A screen reader's selection is the view's, and the caret sits at its end.
    EXPECT_EQ(text->selectionCount(), 0);
    text->setSelection(0, 6, 10);
    ASSERT_TRUE(view.currentSelection());
    EXPECT_EQ(view.currentSelection()->string(), "beta");
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(6, 10));
    EXPECT_EQ(text->cursorPosition(), 10);
    // ... and the view's own selection (a double click on "gamma") is the reader's.
    doubleClickInViewport(view, view.viewportPointForPagePoint(0, QPointF(80, 675)));
    text->selection(0, &start, &end);
    EXPECT_EQ(text->text(start, end), "gamma");
    text->removeSelection(0);
    EXPECT_FALSE(view.currentSelection() && !view.currentSelection()->isEmpty());

    // Characters are where they are drawn: the middle of a character's box names it.
    const QRect box = text->characterRect(6);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(text->offsetAtPoint(box.center()), 6);
}

} // namespace
