// The annotated copy of a protected document keeps its protection; only someone who
// opened it with the owner password may leave it off.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"
#include "utilities/FileConversionService.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

pdf::DocumentPtr protectedDocument(const QString& password) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    pdf::WriteOptions options;
    options.ownerPassword = "owner";
    options.userPassword = "user";
    options.allowCopying = false;
    auto locked = pdf::Document::fromData(doc->serialize(options));
    if (!locked || !locked->unlock(password))
        return nullptr;
    locked->page(0)->addHighlight(QRectF(72, 700, 100, 20), Qt::yellow);
    return locked;
}

QString shownEncryption(const QString& path, const QString& password) {
    return QString::fromUtf8(
        runTool("qpdf", {"--password=" + password, "--show-encryption", path}));
}

} // namespace

TEST(KeptProtection, TheAnnotatedCopyKeepsPasswordAndPermissionsUnlessTheOwnerDropsThem) {
    if (!toolAvailable("qpdf"))
        GTEST_SKIP() << "qpdf not installed";
    QTemporaryDir dir;

    // Opened with the user password: the copy asks for it and still forbids copying,
    // even when asked to drop the protection.
    auto asUser = protectedDocument("user");
    ASSERT_NE(asUser, nullptr);
    EXPECT_FALSE(asUser->hasOwnerAccess());
    for (bool drop : {false, true}) {
        const QString path = dir.filePath(QStringLiteral("user-%1.pdf").arg(drop));
        ASSERT_FALSE(FileConversionService::writeAnnotatedPDF(*asUser, path, drop).failed());
        auto copy = pdf::Document::open(path);
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->isLocked());
        ASSERT_TRUE(copy->unlock("user"));
        EXPECT_EQ(copy->page(0)->annotations().size(), 1u);
        EXPECT_TRUE(shownEncryption(path, "user").contains("extract for any purpose: not allowed"))
            << shownEncryption(path, "user").toStdString();
        int status = -1;
        runTool("qpdf", {"--password=user", "--check", path}, &status);
        EXPECT_EQ(status, 0);
    }

    // The owner keeps it by default and may drop it.
    auto asOwner = protectedDocument("owner");
    ASSERT_NE(asOwner, nullptr);
    EXPECT_TRUE(asOwner->hasOwnerAccess());
    const QString kept = dir.filePath("owner-kept.pdf");
    ASSERT_FALSE(FileConversionService::writeAnnotatedPDF(*asOwner, kept).failed());
    EXPECT_TRUE(pdf::Document::open(kept)->isLocked());
    const QString open = dir.filePath("owner-open.pdf");
    ASSERT_FALSE(FileConversionService::writeAnnotatedPDF(*asOwner, open, true).failed());
    auto plain = pdf::Document::open(open);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->isEncrypted());
    EXPECT_EQ(plain->page(0)->annotations().size(), 1u);
}
