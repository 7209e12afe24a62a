// Streams written deflated ahead of the engine's writer: what other readers make of them.
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QByteArray zlibOf(const QByteArray& data) {
    return qCompress(data).mid(4); // qCompress puts the length in front of the zlib stream
}

QByteArray lines(const QByteArray& words, int count) {
    QByteArray content = "BT /F1 12 Tf 14 TL 72 740 Td\n";
    for (int i = 0; i < count; ++i)
        content += "(" + words + " " + QByteArray::number(i) + ") Tj T*\n";
    return content + "ET\n";
}

// Page 1: an unfiltered content stream; page 2: one already deflated; page 3: its content
// split over an unfiltered and a deflated stream. The catalog has unfiltered metadata.
QByteArray mixedStreamsPdf(QByteArray* deflatedBytes) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    *deflatedBytes = zlibOf(lines("Deflated before", 40));
    const int plain = pdf.addStream("<< >>", lines("Plain words", 40));
    const int packed = pdf.addStream("<< /Filter /FlateDecode >>", *deflatedBytes);
    const int head = pdf.addStream("<< >>", "BT /F1 12 Tf 72 700 Td (Split) Tj ET\n");
    const int tail = pdf.addStream("<< /Filter /FlateDecode >>",
                                   zlibOf("BT /F1 12 Tf 72 680 Td (halves) Tj ET\n"));
    const int metadata = pdf.addStream("<< /Type /Metadata /Subtype /XML >>",
                                       "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"></x:xmpmeta>");
    const QByteArray resources = " /Resources << /Font << /F1 " + QByteArray::number(font) +
                                 " 0 R >> >> /MediaBox [0 0 612 792]";
    const QByteArray parent = " /Parent " + QByteArray::number(pages) + " 0 R";
    const int p1 = pdf.add("<< /Type /Page" + parent + resources + " /Contents " +
                           QByteArray::number(plain) + " 0 R >>");
    const int p2 = pdf.add("<< /Type /Page" + parent + resources + " /Contents " +
                           QByteArray::number(packed) + " 0 R >>");
    const int p3 =
        pdf.add("<< /Type /Page" + parent + resources + " /Contents [" + QByteArray::number(head) +
                " 0 R " + QByteArray::number(tail) + " 0 R] >>");
    pdf.set(pages, "<< /Type /Pages /Count 3 /Kids [" + QByteArray::number(p1) + " 0 R " +
                       QByteArray::number(p2) + " 0 R " + QByteArray::number(p3) + " 0 R] >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R /Metadata " +
                         QByteArray::number(metadata) + " 0 R >>");
    return pdf.build(catalog);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(StreamDeflateTest, UnfilteredStreamsAreWrittenDeflatedAndDeflatedOnesAsTheyWere) {
    QTemporaryDir dir;
    QByteArray deflated;
    auto doc = pdf::Document::fromData(mixedStreamsPdf(&deflated));
    ASSERT_NE(doc, nullptr);
    const QString first = dir.filePath("first.pdf");
    const QString second = dir.filePath("second.pdf");
    ASSERT_TRUE(doc->write(first));
    // Written again from the same document, after its streams were deflated once.
    ASSERT_TRUE(doc->write(second));
    for (const QString& path : {first, second}) {
        SCOPED_TRACE(path.toStdString());
        int code = -1;
        runTool("qpdf", {"--check", path}, &code);
        EXPECT_EQ(code, 0);
        const QByteArray bytes = readAll(path);
        EXPECT_FALSE(bytes.contains("Plain words")); // deflated now
        EXPECT_TRUE(bytes.contains(deflated));       // copied byte for byte
        EXPECT_TRUE(bytes.contains("<x:xmpmeta"));   // metadata stays readable as it is
        EXPECT_TRUE(pdftotextPage(path, 1).contains("Plain words 39"));
        EXPECT_TRUE(pdftotextPage(path, 2).contains("Deflated before 39"));
        EXPECT_EQ(pdftotextPage(path, 3).simplified(), "Split halves");
    }
    // The document itself still reads as before.
    EXPECT_TRUE(doc->page(0)->textPage()->text().contains("Plain words 0"));
    EXPECT_TRUE(doc->page(2)->textPage()->text().contains("halves"));
}

TEST(StreamDeflateTest, ALongDocumentIsWrittenSmallerAndReadsTheSame) {
    QTemporaryDir dir;
    const QByteArray bytes = numberedPdf(400, QString(200, QLatin1Char('x')));
    auto doc = pdf::Document::fromData(bytes);
    ASSERT_NE(doc, nullptr);
    const QString path = dir.filePath("long.pdf");
    ASSERT_TRUE(doc->write(path));
    int code = -1;
    runTool("qpdf", {"--check", path}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_LT(readAll(path).size(), bytes.size());
    for (int page : {1, 200, 400})
        EXPECT_TRUE(pdftotextPage(path, page).startsWith(QStringLiteral("Page %1").arg(page)))
            << page;
}

} // namespace
