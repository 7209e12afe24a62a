#include "pdf/document/Document.h"
#include "support/CliFixture.h"
#include "utilities/TextExport.h"

#include <QFile>

using namespace fixtures;

namespace {

class TextStreamCliTest : public CliFixture {};

TEST_F(TextStreamCliTest, TextWrittenAsItIsReadEqualsTheWholeText) {
    std::vector<QStringList> pages;
    for (int i = 0; i < 30; ++i)
        pages.push_back(i % 4 == 1 ? QStringList()
                                   : QStringList{QStringLiteral("Page %1 fox").arg(i + 1),
                                                 QStringLiteral("caf\u00e9")});
    const QByteArray bytes = textPdf(pages);
    const QString path = file("doc.pdf", bytes);
    const QByteArray whole = TextExport::documentText(*pdf::Document::fromData(bytes)).toUtf8();

    EXPECT_EQ(cli({"text", path}).toUtf8(), whole);
    EXPECT_EQ(code, 0);
    cli({"text", path, "-o", dir.filePath("out.txt")});
    EXPECT_EQ(code, 0);
    QFile out(dir.filePath("out.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), whole);

    // Search reports the same matches, in page order, with the count last.
    const QStringList lines = cli({"search", path, "FOX"}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 23);
    EXPECT_EQ(lines.first(), "page 1: fox");
    EXPECT_EQ(lines[1], "page 3: fox");
    EXPECT_EQ(lines.last(), "22 matches");
}

} // namespace
