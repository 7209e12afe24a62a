#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PageCopyTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString written(const pdf::DocumentPtr& doc, const QString& name) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(doc->write(path));
        int code = -1;
        QByteArray err;
        runTool("qpdf", {"--check", path}, &code, &err);
        EXPECT_EQ(code, 0) << err.toStdString();
        return path;
    }
};

TEST_F(PageCopyTest, LinksBetweenCopiedPagesLeadToTheCopies) {
    auto source = pdf::Document::fromData(linkedPdf());
    auto target = pdf::Document::fromData(numberedPdf(2, "Target"));
    ASSERT_EQ(target->insertPages(*source, {0, 1, 2}, 1), 3);
    ASSERT_EQ(target->pageCount(), 5);
    const QString path = written(target, "merged.pdf");
    // Source pages 1..3 now sit at 2..4: the explicit and the named destination both follow.
    const std::vector<LinkInfo> expected = {
        {2, 4, {}}, {2, 3, {}}, {2, 0, "https://example.com/"}, {4, 2, {}}};
    EXPECT_EQ(linksInFile(path), expected);
    // Nothing of the source's page tree came along besides the three pages.
    EXPECT_EQ(pageObjectsInFile(path), 5);
    EXPECT_TRUE(pdftotextPage(path, 4).contains("Page 3"));
    // The source keeps its own links untouched.
    const QString again = written(source, "source.pdf");
    EXPECT_EQ(linksInFile(again).size(), 4u);
    EXPECT_EQ(linksInFile(again)[0].targetPage, 3);
}

TEST_F(PageCopyTest, ALinkIntoAPageLeftBehindIsDroppedAndTheRestStays) {
    auto source = pdf::Document::fromData(linkedPdf());
    auto first = pdf::Document::create();
    ASSERT_NE(first->insertPage(source->page(0), 0), nullptr);
    const QString path = written(first, "first.pdf");
    const std::vector<LinkInfo> expected = {{1, 0, "https://example.com/"}};
    EXPECT_EQ(linksInFile(path), expected);
    EXPECT_EQ(pageObjectsInFile(path), 1);

    // Copying two pages that link to each other, in reverse order; page 2 stays behind.
    auto pair = pdf::Document::create();
    ASSERT_EQ(pair->insertPages(*source, {2, 0}, 0), 2);
    const QString both = written(pair, "pair.pdf");
    const std::vector<LinkInfo> pairLinks = {
        {1, 2, {}}, {2, 1, {}}, {2, 0, "https://example.com/"}};
    EXPECT_EQ(linksInFile(both), pairLinks);
}

TEST_F(PageCopyTest, FormFieldsAndSharedResourcesComeAlongOnce) {
    auto form = pdf::Document::fromData(formPdf());
    auto target = pdf::Document::fromData(numberedPdf(3));
    ASSERT_EQ(target->insertPages(*form, {0, 1}, 3), 2);
    EXPECT_EQ(target->formFieldCount(), form->formFieldCount());
    const QString path = written(target, "form.pdf");
    auto reread = pdf::Document::open(path);
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->formFieldCount(), form->formFieldCount());
    QStringList names;
    for (const auto& a : reread->page(3)->annotations())
        if (a->isWidget())
            names << a->fieldName();
    EXPECT_TRUE(names.contains("name")) << names.join(",").toStdString();
    EXPECT_EQ(pageObjectsInFile(path), 5);

    // Ten pages sharing one font: the copy shares one font too.
    auto shared = pdf::Document::fromData(numberedPdf(10));
    auto copy = pdf::Document::create();
    ASSERT_EQ(copy->insertPages(*shared, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0), 10);
    EXPECT_EQ(fontObjectsInFile(written(copy, "shared.pdf")), 1);
}

TEST_F(PageCopyTest, BadIndicesInsertNothing) {
    auto source = pdf::Document::fromData(numberedPdf(2));
    auto target = pdf::Document::fromData(numberedPdf(2));
    EXPECT_EQ(target->insertPages(*source, {0, 2}, 0), 0);
    EXPECT_EQ(target->insertPages(*source, {0}, 3), 0);
    EXPECT_EQ(target->insertPages(*source, {}, 0), 0);
    EXPECT_EQ(target->pageCount(), 2);
    // Copies within one document keep naming the original pages.
    ASSERT_EQ(target->insertPages(*target, {1, 0}, 0), 2);
    EXPECT_TRUE(target->page(0)->text()->contains("Page 2"));
    EXPECT_TRUE(target->page(1)->text()->contains("Page 1"));
    EXPECT_TRUE(target->page(2)->text()->contains("Page 1"));
}

} // namespace
