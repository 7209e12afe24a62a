#include "utilities/ProtectionService.h"
#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(ProtectionServiceTest, ProposedNameReplacesEveryLowerCaseExtension) {
    EXPECT_EQ(ProtectionService::protectedFileName("report.pdf"), "report_protected.pdf");
    EXPECT_EQ(ProtectionService::protectedFileName("scan.pdf.pdf"),
              "scan_protected.pdf_protected.pdf");
    EXPECT_EQ(ProtectionService::protectedFileName("SCAN.PDF"), "SCAN.PDF");
    EXPECT_EQ(ProtectionService::protectedFileName("notes"), "notes");
    EXPECT_EQ(ProtectionService::protectedFileName(""), "");
}

class ProtectedCopy : public testing::Test {
protected:
    void SetUp() override {
        if (!toolAvailable("pdftotext") || !toolAvailable("qpdf"))
            GTEST_SKIP() << "poppler-utils and qpdf are needed";
        doc_ = pdf::Document::fromData(numberedPdf(2, "Confidential figures"));
        ASSERT_NE(doc_, nullptr);
    }
    QString extract(const QString& path, const QStringList& extra, int* code) {
        return QString::fromUtf8(runTool("pdftotext", extra + QStringList{path, "-"}, code));
    }
    QTemporaryDir dir_;
    pdf::DocumentPtr doc_;
};

TEST_F(ProtectedCopy, OwnerPasswordOnlyOpensFreelyAndCarriesPermissions) {
    const QString out = dir_.filePath("owner.pdf");
    ProtectionService::writeProtectedCopy(*doc_, out, {"owner-secret", "", false, false});

    int code = -1;
    EXPECT_TRUE(extract(out, {}, &code).contains("Confidential figures"));
    EXPECT_EQ(code, 0);
    const QString encryption =
        QString::fromUtf8(runTool("qpdf", {"--show-encryption", out}, &code));
    EXPECT_TRUE(encryption.contains("AESv3")) << encryption.toStdString();
    EXPECT_TRUE(encryption.contains("print high resolution: not allowed"));
    EXPECT_TRUE(encryption.contains("extract for any purpose: not allowed"));
    EXPECT_TRUE(encryption.contains("modify annotations: allowed"));
    runTool("qpdf", {"--check", "--password=owner-secret", out}, &code);
    EXPECT_EQ(code, 0);

    // The same document with both permissions kept.
    const QString open = dir_.filePath("open.pdf");
    ProtectionService::writeProtectedCopy(*doc_, open, {"owner-secret", "", true, true});
    const QString allowed = QString::fromUtf8(runTool("qpdf", {"--show-encryption", open}, &code));
    EXPECT_TRUE(allowed.contains("print high resolution: allowed")) << allowed.toStdString();
    EXPECT_TRUE(allowed.contains("extract for any purpose: allowed"));

    auto reread = pdf::Document::open(out);
    ASSERT_NE(reread, nullptr);
    EXPECT_TRUE(reread->isEncrypted());
    EXPECT_FALSE(reread->isLocked());
}

TEST_F(ProtectedCopy, UserPasswordIsAskedForAndTheOpenDocumentStaysPlain) {
    const QString out = dir_.filePath("both.pdf");
    ProtectionService::writeProtectedCopy(*doc_, out, {"owner-secret", "reader", true, true});

    int code = -1;
    extract(out, {}, &code);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(extract(out, {"-upw", "wrong"}, &code).isEmpty());
    EXPECT_TRUE(extract(out, {"-upw", "reader"}, &code).contains("Confidential figures"));
    EXPECT_EQ(code, 0);
    auto reread = pdf::Document::open(out);
    ASSERT_NE(reread, nullptr);
    EXPECT_TRUE(reread->isLocked());
    EXPECT_FALSE(reread->unlock("wrong"));
    EXPECT_TRUE(reread->unlock("reader"));
    EXPECT_EQ(reread->pageCount(), 2);

    // The document in memory was not touched by writing the protected copy.
    EXPECT_FALSE(doc_->isEncrypted());
    const QString plain = dir_.filePath("plain.pdf");
    ASSERT_TRUE(doc_->write(plain));
    EXPECT_TRUE(QString::fromUtf8(runTool("qpdf", {"--show-encryption", plain}, &code))
                    .contains("File is not encrypted"));
    EXPECT_TRUE(extract(plain, {}, &code).contains("Page 2"));
}

TEST_F(ProtectedCopy, FailedWriteNamesTheReasonAndKeepsWhatWasThere) {
    EXPECT_THROW(ProtectionService::writeProtectedCopy(*doc_, dir_.filePath("x.pdf"), {}),
                 ProtectionService::ProtectionError);
    EXPECT_FALSE(QFile::exists(dir_.filePath("x.pdf")));

    const QString missingFolder = dir_.filePath("no/such/folder/x.pdf");
    try {
        ProtectionService::writeProtectedCopy(*doc_, missingFolder, {"o", "", true, true});
        FAIL() << "writing into a missing folder succeeded";
    } catch (const ProtectionService::ProtectionError& e) {
        EXPECT_GT(std::string(e.what()).size(), 5u);
    }

    // A password the encryption cannot take: the reason is named, the earlier file stays.
    const QString kept = writeTemp(dir_.path(), "kept.pdf", "earlier bytes");
    try {
        ProtectionService::writeProtectedCopy(*doc_, kept, {QString(200, 'o'), "", true, true});
        FAIL() << "an over-long password was accepted";
    } catch (const ProtectionService::ProtectionError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("too long")) << e.what();
    }
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier bytes"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"kept.pdf"}));
}

} // namespace
