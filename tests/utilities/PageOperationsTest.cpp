#include "utilities/PageOperations.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PageOperationsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
    static QString textOf(const pdf::DocumentPtr& doc, int index) {
        return doc->page(index)->text().value_or("");
    }
};

TEST_F(PageOperationsTest, RotationWrapsAfterFourTurns) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(PageOperations::rotateClockwise(doc, 1));
        seen.push_back(doc->page(1)->rotation());
    }
    EXPECT_EQ(seen, std::vector<int>({90, 180, 270, 0}));
    EXPECT_EQ(doc->page(0)->rotation(), 0);
    EXPECT_FALSE(PageOperations::rotateClockwise(doc, 2));
    EXPECT_FALSE(PageOperations::rotateClockwise(nullptr, 0));
}

TEST_F(PageOperationsTest, DeletingKeepsAtLeastOnePage) {
    auto doc = pdf::Document::fromData(numberedPdf(5));
    ASSERT_TRUE(PageOperations::deletePage(doc, 4));
    EXPECT_EQ(doc->pageCount(), 4);
    EXPECT_EQ(PageOperations::currentIndexAfterDelete(4, 4), 3);
    ASSERT_TRUE(PageOperations::deletePage(doc, 1));
    EXPECT_EQ(PageOperations::currentIndexAfterDelete(1, 3), 1);
    EXPECT_TRUE(textOf(doc, 1).contains("Page 3")); // the page that followed the deleted one

    auto single = pdf::Document::fromData(numberedPdf(1));
    EXPECT_FALSE(PageOperations::deletePage(single, 0));
    EXPECT_EQ(single->pageCount(), 1);
    EXPECT_TRUE(PageOperations::splitDocument(single, dir.path()).written.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(PageOperationsTest, ABlankPageFollowsTheCurrentPageAtItsSize) {
    auto doc = pdf::Document::fromData(textPdf({{"A4 one"}, {"A4 two"}}, 595, 842));
    auto blank = PageOperations::insertBlankPage(doc, 0);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_EQ(blank->index(), 1);
    EXPECT_EQ(doc->page(1)->mediaBox(), QRectF(0, 0, 595, 842));
    EXPECT_FALSE(doc->page(1)->text().has_value());
    EXPECT_TRUE(textOf(doc, 2).contains("A4 two"));
    // After the last page too; without a page to copy the size from, Letter.
    ASSERT_NE(PageOperations::insertBlankPage(doc, 2), nullptr);
    EXPECT_EQ(doc->pageCount(), 4);
    auto empty = pdf::Document::create();
    ASSERT_NE(PageOperations::insertBlankPage(empty, 0), nullptr);
    EXPECT_EQ(empty->page(0)->mediaBox(), QRectF(0, 0, 612, 792));
}

TEST_F(PageOperationsTest, AnInsertedFileLandsAfterTheCurrentPageInOrder) {
    auto doc = pdf::Document::fromData(numberedPdf(4, "Own"));
    auto source =
        pdf::Document::fromData(textPdf({{"Inserted A"}, {"Inserted B"}, {"Inserted C"}}));
    ASSERT_EQ(PageOperations::insertDocument(doc, *source, 2 + 1), 3);
    ASSERT_EQ(doc->pageCount(), 7);
    EXPECT_TRUE(textOf(doc, 2).contains("Page 3"));
    EXPECT_TRUE(textOf(doc, 3).contains("Inserted A"));
    EXPECT_TRUE(textOf(doc, 4).contains("Inserted B"));
    EXPECT_TRUE(textOf(doc, 5).contains("Inserted C"));
    EXPECT_TRUE(textOf(doc, 6).contains("Page 4"));
}

TEST_F(PageOperationsTest, SplitWritesOnePageFilesAndLeavesTheDocumentAlone) {
    EXPECT_EQ(PageOperations::pageFileName(0), "page_1.pdf");
    EXPECT_EQ(PageOperations::pageFileName(4), "page_5.pdf");
    auto doc = pdf::Document::fromData(linkedPdf());
    const QByteArray before = doc->dataRepresentation();
    const auto result = PageOperations::splitDocument(doc, dir.path());
    EXPECT_TRUE(result.failures.isEmpty()) << result.failures.join("\n").toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"page_1.pdf", "page_2.pdf", "page_3.pdf"}));
    for (int i = 1; i <= 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("page_%1.pdf").arg(i));
        EXPECT_EQ(pdfinfoPages(path), 1);
        EXPECT_TRUE(pdftotextPage(path, 1).contains(QStringLiteral("Page %1").arg(i)));
        int code = -1;
        runTool("qpdf", {"--check", path}, &code);
        EXPECT_EQ(code, 0);
    }
    // The web link of page 1 stays; its links to other pages have nowhere to go.
    EXPECT_EQ(linksInFile(dir.filePath("page_1.pdf")),
              std::vector<LinkInfo>({{1, 0, "https://example.com/"}}));
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_EQ(doc->dataRepresentation(), before);
}

TEST_F(PageOperationsTest, FailedWritesAreReportedByFileName) {
    auto doc = pdf::Document::fromData(numberedPdf(3));
    const QString missing = dir.filePath("no/such/folder");
    QString error;
    EXPECT_FALSE(PageOperations::writePage(doc, 0, missing + "/page_1.pdf", &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(missing + "/page_1.pdf")))
        << error.toStdString();
    const auto result = PageOperations::splitDocument(doc, missing);
    EXPECT_TRUE(result.written.isEmpty());
    ASSERT_EQ(result.failures.size(), 3);
    EXPECT_TRUE(result.failures[2].contains("page_3.pdf"));
    // Writing over an existing file replaces it whole; the old one survives a failure.
    const QString kept = file("page_2.pdf", "old bytes");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool canStillWrite = QFileInfo(dir.path()).isWritable(); // running as root
    error.clear();
    const bool wrote = PageOperations::writePage(doc, 1, kept, &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!canStillWrite) {
        EXPECT_FALSE(wrote);
        EXPECT_TRUE(error.contains("page_2.pdf"));
        QFile old(kept);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old bytes");
    } else {
        EXPECT_TRUE(wrote);
        EXPECT_EQ(pdfinfoPages(kept), 1);
    }
}

TEST_F(PageOperationsTest, MergeAppendsInOrderAndNamesWhatItSkipped) {
    auto doc = pdf::Document::fromData(numberedPdf(2, "Base"));
    const QString first = file("first.pdf", textPdf({{"First 1"}, {"First 2"}}));
    const QString junk = file("notes.pdf", garbageBytes());
    const QString second = file("second.pdf", linkedPdf());
    const auto result =
        PageOperations::mergeDocuments(doc, {first, junk, dir.filePath("gone.pdf"), second});
    EXPECT_EQ(result.pagesAdded, 5);
    EXPECT_EQ(result.skipped, QStringList({junk, dir.filePath("gone.pdf")}));
    EXPECT_EQ(PageOperations::skippedMessage(result),
              "Skipped: notes.pdf (not a PDF file, or damaged beyond repair), "
              "gone.pdf (no such file)");
    ASSERT_EQ(doc->pageCount(), 7);
    EXPECT_TRUE(textOf(doc, 1).contains("Base"));
    EXPECT_TRUE(textOf(doc, 2).contains("First 1"));
    EXPECT_TRUE(textOf(doc, 3).contains("First 2"));
    EXPECT_TRUE(textOf(doc, 4).contains("Page 1"));
    EXPECT_TRUE(textOf(doc, 6).contains("Page 3"));
    const QString merged = dir.filePath("merged.pdf");
    ASSERT_TRUE(doc->write(merged));
    int code = -1;
    runTool("qpdf", {"--check", merged}, &code);
    EXPECT_EQ(code, 0);
    // The second file's links lead to its pages at their new places.
    const std::vector<LinkInfo> links = {
        {5, 7, {}}, {5, 6, {}}, {5, 0, "https://example.com/"}, {7, 5, {}}};
    EXPECT_EQ(linksInFile(merged), links);
    EXPECT_TRUE(PageOperations::skippedMessage({}).isEmpty());
}

} // namespace
