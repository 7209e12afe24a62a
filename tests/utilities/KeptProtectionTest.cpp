// The annotated copy of a protected document keeps its protection; only someone who
// opened it with the owner password may leave it off. Import and clipboard say why they
// made nothing.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "support/FakeClipboard.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "utilities/FileConversionService.h"

#include <QImage>
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
    ScopedFileDialogs dialogs;

    // Opened with the user password: the copy asks for it and still forbids copying,
    // even when asked to drop the protection.
    auto asUser = protectedDocument("user");
    ASSERT_NE(asUser, nullptr);
    EXPECT_FALSE(asUser->hasOwnerAccess());
    for (bool drop : {false, true}) {
        const QString path = dir.filePath(QStringLiteral("user-%1.pdf").arg(drop));
        dialogs->scriptSave(path);
        ASSERT_FALSE(FileConversionService::exportAnnotatedPDF(*asUser, "a.pdf", drop).failed());
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
    dialogs->scriptSave(kept);
    ASSERT_FALSE(FileConversionService::exportAnnotatedPDF(*asOwner, "a.pdf").failed());
    EXPECT_TRUE(pdf::Document::open(kept)->isLocked());
    const QString open = dir.filePath("owner-open.pdf");
    dialogs->scriptSave(open);
    ASSERT_FALSE(FileConversionService::exportAnnotatedPDF(*asOwner, "a.pdf", true).failed());
    auto plain = pdf::Document::open(open);
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->isEncrypted());
    EXPECT_EQ(plain->page(0)->annotations().size(), 1u);
}

TEST(KeptProtection, ImportAndClipboardSayWhyNothingWasMade) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    ScopedAlerts alerts;
    ScopedClipboard clipboard;
    EXPECT_EQ(FileConversionService::clipboardToPDF(), nullptr);
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("clipboard")) << alerts->notices[0].toStdString();

    dialogs->scriptOpen({writeTemp(dir.path(), "broken.png", garbageBytes())});
    EXPECT_EQ(FileConversionService::importImagesAsPDF(), nullptr);
    ASSERT_EQ(alerts->notices.size(), 2u);
    // The dialog offers every image kind in its first filter.
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].contentTypes.first(), ContentType::image());
    EXPECT_TRUE(dialogs->openRequests[0].allowsMultipleSelection);

    dialogs->scriptOpen({}); // cancelled: no notice
    EXPECT_EQ(FileConversionService::importImagesAsPDF(), nullptr);
    EXPECT_EQ(alerts->notices.size(), 2u);

    // A PNG, a JPEG and a TIFF chosen together become three pages.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QStringList chosen;
    for (const char* format : {"png", "jpg", "tif"}) {
        const QString path = dir.filePath(QStringLiteral("picture.") + format);
        if (picture.save(path, format))
            chosen << path;
    }
    ASSERT_GE(chosen.size(), 2);
    dialogs->scriptOpen(chosen);
    auto made = FileConversionService::importImagesAsPDF();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->pageCount(), chosen.size());
}
