#include "support/PdfFixtures.h"
#include "support/TextPdfBuilder.h"

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"

#include <gtest/gtest.h>

namespace {

TEST(DocumentPageSizes, MatchEachPagesShownSizeWithoutLoadingThem) {
    std::vector<fixtures::PageSpec> specs(3);
    specs[1].size = QSizeF(595.28, 841.89);
    specs[1].rotation = 90;
    specs[2].size = QSizeF(300, 200);
    specs[2].rotation = 270;
    auto doc = pdf::Document::fromData(fixtures::buildTextPdf(specs));
    ASSERT_TRUE(doc);
    const auto sizes = doc->pageSizes();
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_NEAR(sizes[1].width(), 841.89, 0.01);
    EXPECT_NEAR(sizes[1].height(), 595.28, 0.01);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(sizes[i].width(), doc->page(i)->displaySize().width(), 0.01) << i;
        EXPECT_NEAR(sizes[i].height(), doc->page(i)->displaySize().height(), 0.01) << i;
    }
    // A rotation made through a page shows in the next answer.
    doc->page(0)->setRotation(90);
    EXPECT_EQ(doc->pageSizes()[0], QSizeF(792, 612));
}

TEST(DocumentPageSizes, EmptyWhileLocked) {
    auto plain = pdf::Document::fromData(fixtures::buildNumberedPdf(2, 1));
    ASSERT_TRUE(plain);
    pdf::WriteOptions options;
    options.userPassword = "pw";
    auto locked = pdf::Document::fromData(plain->serialize(options));
    ASSERT_TRUE(locked && locked->isLocked());
    EXPECT_TRUE(locked->pageSizes().empty());
    ASSERT_TRUE(locked->unlock("pw"));
    EXPECT_EQ(locked->pageSizes().size(), 2u);
    // The walk that counted the pages on unlocking serves the lookups from then on.
    EXPECT_TRUE(locked->pageLookupsMatchTree());
    ASSERT_TRUE(locked->removePage(0));
    EXPECT_TRUE(locked->pageLookupsMatchTree());
}

TEST(DocumentPageSizes, APageTreeThatLoopsGivesAnAnswerForEveryPage) {
    // The second kid of the page tree is the tree itself; /Count claims two pages.
    fixtures::MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int page = pdf.add("<< /Type /Page /Parent " + QByteArray::number(pages) +
                             " 0 R /MediaBox [0 0 300 400] >>");
    pdf.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R " +
                       QByteArray::number(pages) + " 0 R] /Count 2 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    auto doc = pdf::Document::fromData(pdf.build(catalog));
    ASSERT_TRUE(doc);
    const auto sizes = doc->pageSizes();
    ASSERT_EQ(int(sizes.size()), doc->pageCount());
    ASSERT_GE(sizes.size(), 1u);
    EXPECT_EQ(sizes[0], QSizeF(300, 400));
}

} // namespace
