// The bytes a document was read from are searched where they lie: in the engine's copy of
// a file read whole, or in the file itself, a piece at a time, for one read as needed.
#include "pdf/document/DocumentSource.h"
#include "pdf/document/Document.h"
#include "pdf/signatures/SignatureFields.h"
#include "support/PdfFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("source.pdf"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

TEST(DocumentSource, FindsTextAnywhereInTheFileItWasReadFrom) {
    // A padded file: past the search's 1 MiB pieces, with the sought text at the very start
    // (the header), across a piece boundary, and as the very last bytes.
    QByteArray bytes = numberedPdf(3);
    bytes += "\n%" + QByteArray((1 << 20) - bytes.size() - 6, 'x') + "/Mark1"; // ends past 1 MiB
    bytes += "\n% //Mark2 /Ma /Mark /Mark3";
    const QTemporaryDir dir;
    const QString path = writeFile(dir, bytes);
    const auto whole = pdf::Document::fromData(bytes);
    const auto looked = pdf::Document::open(path);
    ASSERT_TRUE(whole && looked);
    for (const auto& document : {whole, looked}) {
        EXPECT_TRUE(pdf::sourceContains(*document, "%PDF-"));
        EXPECT_TRUE(pdf::sourceContains(*document, "/Mark1"));
        EXPECT_TRUE(pdf::sourceContains(*document, "//Mark2"));
        EXPECT_TRUE(pdf::sourceContains(*document, "/Mark3"));
        // Near misses: a first byte that repeats, a prefix cut off by the file's end.
        EXPECT_FALSE(pdf::sourceContains(*document, "/Mark4"));
        EXPECT_FALSE(pdf::sourceContains(*document, "/Mark3 "));
        EXPECT_FALSE(pdf::sourceContains(*document, "///Mark2"));
        EXPECT_TRUE(pdf::sourceContains(*document, ""));
    }
}
