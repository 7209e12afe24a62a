#include "pdf/document/Document.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"
#include "utilities/TextExport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace fixtures;

namespace {

// Forty pages: the first and some in between without text, accented and long lines.
QByteArray mixedPdf() {
    std::vector<QStringList> pages;
    for (int i = 0; i < 40; ++i) {
        if (i == 0 || i % 7 == 3) {
            pages.push_back({});
            continue;
        }
        QStringList lines;
        for (int l = 0; l <= i % 5; ++l)
            lines << QStringLiteral("Page %1 line %2: caf\u00e9 na\u00efve d\u00e9j\u00e0 vu")
                         .arg(i + 1)
                         .arg(l);
        pages.push_back(lines);
    }
    return textPdf(pages);
}

QString streamed(const pdf::Document& doc) {
    QString out;
    EXPECT_TRUE(TextExport::streamDocumentText(doc, [&](const QString& piece) {
        out += piece;
        return true;
    }));
    return out;
}

TEST(TextStreamTest, StreamedTextIsTheWholeDocumentsTextByteForByte) {
    const QByteArray bytes = mixedPdf();
    const QString whole = TextExport::documentText(*pdf::Document::fromData(bytes));
    ASSERT_TRUE(whole.contains(QStringLiteral("--- Page 40 ---")));
    ASSERT_FALSE(whole.startsWith(QLatin1Char('\n')));
    // A fresh document (read by private copies) and one whose pages moved (read in place).
    EXPECT_EQ(streamed(*pdf::Document::fromData(bytes)).toUtf8(), whole.toUtf8());
    auto edited = pdf::Document::fromData(bytes);
    ASSERT_TRUE(edited->removePage(39));
    EXPECT_EQ(streamed(*edited).toUtf8(),
              whole.left(whole.indexOf(QStringLiteral("\n\n--- Page 40 ---"))).toUtf8());
}

TEST(TextStreamTest, PagesArriveInOrderOnceAndTheWalkStopsWhenAsked) {
    auto doc = pdf::Document::fromData(mixedPdf());
    std::vector<int> seen;
    std::vector<bool> hadText;
    doc->forEachTextPage(
        [&](int index, const pdf::TextPage* text) {
            seen.push_back(index);
            hadText.push_back(text != nullptr);
            return true;
        },
        3);
    ASSERT_EQ(seen.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(seen[size_t(i)], i);
        EXPECT_EQ(hadText[size_t(i)], !(i == 0 || i % 7 == 3)) << i;
    }

    seen.clear();
    doc = pdf::Document::fromData(mixedPdf());
    int pieces = 0;
    EXPECT_FALSE(
        TextExport::streamDocumentText(*doc, [&](const QString&) { return ++pieces < 5; }));
    EXPECT_EQ(pieces, 5);

    // A visitor that throws ends the walk with its exception, and the workers stop.
    EXPECT_THROW(doc->forEachTextPage([](int index, const pdf::TextPage*) -> bool {
        if (index == 10)
            throw std::runtime_error("disk full");
        return true;
    }),
                 std::runtime_error);
}

} // namespace
