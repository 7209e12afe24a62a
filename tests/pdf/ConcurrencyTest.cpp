#include "pdf/document/DisplayList.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace fixtures;

namespace {

// Workers render whatever pages exist while the main thread inserts and removes pages of
// the same document. Run under the sanitizer build too.
TEST(ConcurrencyTest, RenderingWhileTheStructureChanges) {
    auto doc = pdf::Document::fromData(numberedPdf(30));
    auto other = pdf::Document::fromData(numberedPdf(5, "Inserted"));
    std::atomic<bool> stop{false};
    std::atomic<int> rendered{0};
    auto worker = [&] {
        int i = 0;
        while (!stop) {
            const int count = doc->pageCount();
            if (count == 0)
                continue;
            auto page = doc->page(i++ % count);
            if (!page)
                continue;
            if (auto list = page->displayList()) {
                const QImage img = list->render(0.5);
                if (!img.isNull())
                    ++rendered;
            }
            auto tp = page->textPage();
            (void)tp;
        }
    };
    std::thread a(worker), b(worker);
    for (int round = 0; round < 600; ++round) {
        const int count = doc->pageCount();
        if (round % 3 == 0)
            doc->insertPage(other->page(round % 5), count / 2);
        else if (round % 3 == 1)
            doc->insertBlankPage(0, 300, 300);
        else
            doc->removePage(round % count);
        if (round % 50 == 0)
            doc->page(1)->setRotation(90 * round);
    }
    stop = true;
    a.join();
    b.join();
    EXPECT_GT(rendered.load(), 0);
    EXPECT_EQ(doc->pageCount(), 30 + 400 - 200);
    EXPECT_FALSE(doc->dataRepresentation().isEmpty());
    for (int i = 0; i < doc->pageCount(); ++i)
        EXPECT_EQ(doc->indexForPage(doc->page(i)), i);
}

// The whole-document read spreads the pages over private copies on several threads; each
// page's text must still land in its own slot and agree with reading the page alone.
TEST(ConcurrencyTest, WholeDocumentTextIsFiledUnderTheRightPages) {
    auto doc = pdf::Document::fromData(numberedPdf(40));
    ASSERT_NE(doc, nullptr);
    const auto texts = doc->textPages();
    ASSERT_EQ(texts.size(), 40u);
    auto fresh = pdf::Document::fromData(numberedPdf(40));
    for (int i = 0; i < 40; ++i) {
        ASSERT_NE(texts[size_t(i)], nullptr) << "page " << i + 1;
        EXPECT_TRUE(texts[size_t(i)]->text().contains(
            QRegularExpression(QStringLiteral("\\bPage %1\\b").arg(i + 1))));
        EXPECT_EQ(texts[size_t(i)]->text(), fresh->page(i)->textPage()->text());
    }
    EXPECT_EQ(doc->findString("quick brown").size(), 40u);
}

} // namespace
