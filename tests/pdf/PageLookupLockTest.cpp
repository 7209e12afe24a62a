// What the window asks of a document while painting is answered from the page table,
// never waiting for a worker that holds the engine lock; the table stays right through
// edits, and engine pages are loaded on first use.
#include "pdf/document/DisplayList.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/EngineHeld.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(PageLookupLock, LookupsWhileAWorkerHoldsTheEngineLock) {
    auto doc = pdf::Document::fromData(numberedPdf(6));
    ASSERT_TRUE(doc);
    doc->page(1)->setRotation(90);
    auto loaded = doc->page(0);
    ASSERT_TRUE(loaded->displayList()); // its engine page is loaded now
    const auto kept = loaded->textPage();
    auto dropped = doc->page(5);
    ASSERT_TRUE(dropped->displayList());

    EngineHeld held(*doc);
    EXPECT_EQ(doc->pageCount(), 6);
    EXPECT_FALSE(doc->isLocked());
    const std::vector<QSizeF> sizes = doc->pageSizes();
    ASSERT_EQ(sizes.size(), 6u);
    EXPECT_EQ(sizes[0], QSizeF(612, 792));
    EXPECT_EQ(sizes[1], QSizeF(792, 612));
    // A page never asked for before, and one asked for already.
    const auto fresh = doc->page(3);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->index(), 3);
    EXPECT_EQ(doc->page(3), fresh);
    EXPECT_EQ(doc->page(0), loaded);
    EXPECT_EQ(doc->indexForPage(fresh), 3);
    EXPECT_EQ(fresh->document(), doc);
    EXPECT_FALSE(fresh->isDetached());
    EXPECT_EQ(fresh->displaySize(), QSizeF(612, 792));
    const auto turned = doc->page(1);
    EXPECT_EQ(turned->rotation(), 90);
    EXPECT_EQ(turned->displaySize(), QSizeF(792, 612));
    EXPECT_EQ(turned->mediaBox(), QRectF(0, 0, 612, 792));
    // The top-left corner of the turned page is the media box's lower-left one.
    EXPECT_EQ(turned->pageToDisplay().map(QPointF(0, 0)), QPointF(0, 0));
    EXPECT_EQ(turned->pageToDisplay().map(QPointF(0, 792)), QPointF(792, 0));
    EXPECT_EQ(loaded->textPage(), kept);
    EXPECT_EQ(loaded->revision(), doc->page(0)->revision());
    dropped.reset(); // letting go of a loaded page does not wait either
    EXPECT_TRUE(held.release()) << "a lookup waited for the engine lock";

    // Loaded on first use, once the lock is free.
    ASSERT_TRUE(fresh->text().has_value());
    EXPECT_TRUE(fresh->text()->contains("Page 4"));
    EXPECT_FALSE(doc->page(5)->render(0.2).isNull());
}

TEST(PageLookupLock, PagesHandedOutBeforeLoadingFollowEdits) {
    auto doc = pdf::Document::fromData(numberedPdf(4));
    auto other = pdf::Document::fromData(numberedPdf(2, "Other"));
    ASSERT_TRUE(doc && other);
    const auto third = doc->page(2);
    const auto last = doc->page(3);
    // Pages come before them, one is turned and one goes, all before either was loaded.
    ASSERT_EQ(doc->insertPages(*other, {0, 1}, 0), 2);
    ASSERT_TRUE(doc->insertBlankPage(0, 200, 100));
    EXPECT_EQ(third->index(), 5);
    EXPECT_EQ(doc->page(5), third);
    third->setRotation(270);
    EXPECT_EQ(doc->pageSizes()[5], QSizeF(792, 612));
    EXPECT_EQ(doc->pageSizes()[0], QSizeF(200, 100));
    EXPECT_EQ(doc->page(0)->displaySize(), QSizeF(200, 100));
    ASSERT_TRUE(doc->removePage(6));
    EXPECT_TRUE(last->isDetached());
    EXPECT_EQ(last->index(), -1);
    EXPECT_EQ(last->displaySize(), QSizeF(612, 792)); // it keeps what it was
    EXPECT_FALSE(last->displayList());
    ASSERT_EQ(doc->pageCount(), 6);
    EXPECT_EQ(doc->pageSizes().size(), 6u);

    // Loaded now, each is the page its slot shows.
    EXPECT_TRUE(third->text()->contains("Page 3"));
    EXPECT_EQ(third->rotation(), 270);
    EXPECT_TRUE(doc->page(1)->text()->contains("Other"));
    EXPECT_EQ(doc->page(4)->displayList()->size(), QSizeF(612, 792));
    EXPECT_EQ(third->displayList()->size(), QSizeF(792, 612));
    const auto reread = pdf::Document::fromData(doc->dataRepresentation());
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->pageSizes(), doc->pageSizes());
}

TEST(PageLookupLock, ACancelledRecordingGivesNoList) {
    auto doc = pdf::Document::fromData(numberedPdf(1));
    base::CancelToken cancel;
    cancel.cancel();
    EXPECT_FALSE(doc->page(0)->displayList(true, &cancel));
    base::CancelToken live;
    EXPECT_TRUE(doc->page(0)->displayList(true, &live));
}

} // namespace
