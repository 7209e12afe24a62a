#include "pdf/document/Document.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace fixtures;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const QString& name, const QByteArray& bytes) {
        return writeTemp(dir.path(), name, bytes);
    }
    QString pdftotext(const QString& path, const QStringList& extra = {}, int* code = nullptr) {
        return QString::fromUtf8(
            runTool("pdftotext", extra + QStringList{"-layout", path, "-"}, code));
    }
};

TEST_F(DocumentTest, AnythingThatIsNotAReadablePdfGivesNoDocument) {
    EXPECT_EQ(pdf::Document::open(file("empty.pdf", {})), nullptr);
    EXPECT_EQ(pdf::Document::open(file("garbage.pdf", garbageBytes())), nullptr);
    EXPECT_EQ(pdf::Document::open(file("truncated.pdf", truncatedPdf())), nullptr);
    EXPECT_EQ(pdf::Document::open(dir.path()), nullptr);
    EXPECT_EQ(pdf::Document::open(dir.filePath("missing.pdf")), nullptr);
    EXPECT_EQ(pdf::Document::fromData({}), nullptr);
    EXPECT_EQ(pdf::Document::fromData("%PDF-1.4\n%%EOF"), nullptr);
}

TEST_F(DocumentTest, ABrokenCrossReferenceTableIsRepaired) {
    auto doc = pdf::Document::open(file("broken.pdf", brokenXrefPdf()));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->pageCount(), 2);
    EXPECT_TRUE(doc->page(1)->text()->contains("Page 2"));
}

TEST_F(DocumentTest, PagesKeepTheirIdentityAcrossStructureChanges) {
    auto doc = pdf::Document::fromData(numberedPdf(3));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_EQ(doc->page(-1), nullptr);
    EXPECT_EQ(doc->page(3), nullptr);
    auto third = doc->page(2);
    EXPECT_EQ(doc->page(2), third);
    EXPECT_EQ(doc->indexForPage(third), 2);

    ASSERT_NE(doc->insertBlankPage(0, 595, 842), nullptr);
    EXPECT_EQ(doc->indexForPage(third), 3);
    EXPECT_EQ(doc->page(3), third);
    EXPECT_TRUE(third->text()->contains("Page 3"));
    EXPECT_FALSE(doc->page(0)->text().has_value()); // a blank page has no text at all

    ASSERT_TRUE(doc->removePage(3));
    EXPECT_TRUE(third->isDetached());
    EXPECT_EQ(doc->indexForPage(third), -1);
    EXPECT_EQ(third->render(1.0).isNull(), true);
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_FALSE(doc->removePage(3));
    EXPECT_TRUE(doc->page(2)->text()->contains("Page 2"));
}

TEST_F(DocumentTest, InsertedPagesBringContentAnnotationsAndRotation) {
    auto source = pdf::Document::fromData(numberedPdf(2, "Source text"));
    auto target = pdf::Document::fromData(numberedPdf(2, "Target text"));
    auto page = source->page(1);
    page->setRotation(90);
    ASSERT_NE(page->addHighlight(QRectF(72, 700, 100, 14), QColor(255, 255, 0, 77)), nullptr);

    auto inserted = target->insertPage(page, 1);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(target->pageCount(), 3);
    EXPECT_EQ(inserted->rotation(), 90);
    EXPECT_TRUE(inserted->text()->contains("Source text"));
    ASSERT_EQ(inserted->annotations().size(), 1u);
    EXPECT_EQ(inserted->annotations()[0]->subtype(), "Highlight");
    EXPECT_EQ(source->pageCount(), 2); // the source is untouched

    const QString out = dir.filePath("merged.pdf");
    ASSERT_TRUE(target->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(pdftotext(out, {"-f", "2", "-l", "2"}).contains("Source text"));
    EXPECT_TRUE(pdftotext(out, {"-f", "3", "-l", "3"}).contains("Target text"));
    const QString info = QString::fromUtf8(runTool("pdfinfo", {"-f", "1", "-l", "3", out}));
    EXPECT_TRUE(info.contains(QRegularExpression("Page    2 rot:\\s+90"))) << info.toStdString();
}

TEST_F(DocumentTest, InformationEntriesRoundTripWithNonAsciiText) {
    auto doc = pdf::Document::fromData(numberedPdf(1));
    doc->setInfo(pdf::InfoKey::Title, "Grüße – 報告");
    doc->setInfo(pdf::InfoKey::Author, "Zoë");
    doc->setInfo(pdf::InfoKey::Keywords, "{\"a\":1}");
    EXPECT_EQ(doc->info(pdf::InfoKey::Title), "Grüße – 報告");
    const QString out = dir.filePath("info.pdf");
    ASSERT_TRUE(doc->write(out));
    const QString info = QString::fromUtf8(runTool("pdfinfo", {out}));
    EXPECT_TRUE(info.contains("Grüße – 報告")) << info.toStdString();
    EXPECT_TRUE(info.contains("Zoë"));
    auto reread = pdf::Document::open(out);
    EXPECT_EQ(reread->info(pdf::InfoKey::Keywords), "{\"a\":1}");
    EXPECT_TRUE(reread->info(pdf::InfoKey::Subject).isEmpty());
}

TEST_F(DocumentTest, PasswordsProtectWrittenCopies) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    const QString both = dir.filePath("both.pdf");
    const QString ownerOnly = dir.filePath("owner.pdf");
    ASSERT_TRUE(doc->write(both, {"owner-secret", "user-secret", true, true}));
    ASSERT_TRUE(doc->write(ownerOnly, {"owner-secret", "", false, false}));

    int code = -1;
    pdftotext(both, {}, &code);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(pdftotext(both, {"-upw", "user-secret"}).contains("Page 1"));
    EXPECT_TRUE(pdftotext(ownerOnly).contains("Page 2"));
    const QString enc = QString::fromUtf8(runTool("qpdf", {"--show-encryption", ownerOnly}));
    EXPECT_TRUE(enc.contains("print low resolution: not allowed")) << enc.toStdString();
    EXPECT_TRUE(enc.contains("extract for any purpose: not allowed"));
    runTool("qpdf", {"--check", "--password=user-secret", both}, &code);
    EXPECT_EQ(code, 0);

    auto locked = pdf::Document::open(both);
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->isLocked());
    EXPECT_EQ(locked->pageCount(), 0);
    EXPECT_FALSE(locked->unlock("wrong"));
    EXPECT_TRUE(locked->unlock("user-secret"));
    EXPECT_FALSE(locked->isLocked());
    EXPECT_EQ(locked->pageCount(), 2);
    EXPECT_TRUE(locked->page(0)->text()->contains("Page 1"));

    auto open = pdf::Document::open(ownerOnly);
    EXPECT_FALSE(open->isLocked());
    EXPECT_TRUE(open->isEncrypted());
    EXPECT_FALSE(doc->isEncrypted()); // the document in memory stays unprotected
}

TEST_F(DocumentTest, AFailedWriteReportsWhyAndLeavesNothingBehind) {
    auto doc = pdf::Document::fromData(numberedPdf(1));
    const QString blocker = file("not-a-folder", "x");
    QString error;
    EXPECT_FALSE(doc->write(blocker + "/out.pdf", {}, &error));
    EXPECT_FALSE(error.isEmpty());

    const QString existing = file("existing.pdf", "original bytes");
    ASSERT_TRUE(doc->write(existing));
    EXPECT_TRUE(pdf::Document::open(existing) != nullptr);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary file left
}

TEST_F(DocumentTest, RunningOutOfRoomHalfwayKeepsTheOldFileWhole) {
    // The file size limit makes the disk "full" once 8 KiB are written, partway through a
    // 200-page document streamed to disk.
    auto doc = pdf::Document::fromData(numberedPdf(200));
    const QString target = file("keep.pdf", "the previous version");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 8 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = doc->write(target, {}, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "File too large"); // the system's reason; callers name the file
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "the previous version");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.pdf"});
    // With room again the same call succeeds.
    EXPECT_TRUE(doc->write(target, {}, &error)) << error.toStdString();
    EXPECT_EQ(pdf::Document::open(target)->pageCount(), 200);
}

TEST_F(DocumentTest, FindStringIsCaseInsensitiveAndInDocumentOrder) {
    auto doc = pdf::Document::fromData(
        textPdf({{"Alpha beta", "ALPHA"}, {"no match here"}, {"alphabet Äpfel"}}));
    auto hits = doc->findString("alpha");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].pages()[0]->index(), 0);
    EXPECT_EQ(hits[1].string(), "ALPHA");
    EXPECT_EQ(hits[2].pages()[0]->index(), 2);
    EXPECT_EQ(hits[2].string(), "alpha");
    EXPECT_EQ(doc->findString("äpfel").size(), 1u);
    EXPECT_EQ(doc->findString("ÄPFEL").size(), 1u);
    EXPECT_TRUE(doc->findString("").empty());
    EXPECT_EQ(doc->findString(" ").size(), 4u);
}

TEST_F(DocumentTest, NewDocumentsAreWritableAndReadableElsewhere) {
    auto doc = pdf::Document::create();
    EXPECT_EQ(doc->pageCount(), 0);
    doc->insertBlankPage(0, 595.28, 841.89);
    doc->insertBlankPage(1, 612, 792);
    const QString out = dir.filePath("new.pdf");
    ASSERT_TRUE(doc->write(out));
    const QString info = QString::fromUtf8(runTool("pdfinfo", {"-f", "1", "-l", "2", out}));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\n")));
    EXPECT_TRUE(info.contains("595.28 x 841.89")) << info.toStdString();
    auto bytes = doc->dataRepresentation();
    auto again = pdf::Document::fromData(bytes);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->page(1)->mediaBox(), QRectF(0, 0, 612, 792));
}

} // namespace
