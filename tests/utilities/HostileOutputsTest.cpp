// The window's writers (sheets and menu exports) never write over the open document, and
// fixed names in a chosen folder do not follow links.
#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"
#include "utilities/FileConversionService.h"
#include "utilities/PageOperations.h"
#include "utilities/ProtectionService.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

TEST(HostileOutputs, NoSheetWritesOverTheOpenDocument) {
    QTemporaryDir dir;
    const QString path = writeTemp(dir.path(), "report.pdf", numberedPdf(2));
    const QString alias = dir.filePath("alias.pdf");
    ASSERT_TRUE(QFile::link(path, alias));
    const QByteArray before = hashOf(path);
    auto doc = pdf::Document::open(path);
    ASSERT_TRUE(doc);

    auto annotated = FileConversionService::writeAnnotatedPDF(*doc, path);
    EXPECT_TRUE(annotated.failed());
    EXPECT_TRUE(annotated.message.contains("one of the files being read"))
        << annotated.message.toStdString();
    auto text = FileConversionService::writeText(*doc, alias);
    EXPECT_TRUE(text.failed());
    auto image = FileConversionService::writePageImage(*doc, 0, path);
    EXPECT_TRUE(image.failed());

    ProtectionService::Settings settings;
    settings.ownerPassword = "owner";
    EXPECT_ANY_THROW(ProtectionService::writeProtectedCopy(*doc, alias, settings));
    QString error;
    EXPECT_FALSE(PageOperations::writePage(doc, 0, path, &error));
    EXPECT_TRUE(error.contains("one of the files being read")) << error.toStdString();

    EXPECT_EQ(hashOf(path), before);
    EXPECT_TRUE(QFileInfo(alias).isSymLink());
    // Another name is fine.
    EXPECT_FALSE(FileConversionService::writeAnnotatedPDF(*doc, dir.filePath("copy.pdf")).failed());
}

TEST(HostileOutputs, SplitReplacesAPlantedLinkInsteadOfFollowingIt) {
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(numberedPdf(2));
    ASSERT_TRUE(doc);
    const QString victim = writeTemp(dir.path(), "victim.txt", "keep me");
    const QString out = dir.filePath("split");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(QFile::link(victim, out + "/page_1.pdf"));
    const auto result = PageOperations::splitDocument(doc, out);
    EXPECT_TRUE(result.failures.isEmpty());
    EXPECT_FALSE(QFileInfo(out + "/page_1.pdf").isSymLink());
    EXPECT_TRUE(pdf::Document::open(out + "/page_1.pdf"));
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");
}
