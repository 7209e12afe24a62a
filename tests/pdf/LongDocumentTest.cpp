// Lookups by page number in a long flat page tree: right after every change of the tree,
// and handing out page references that other objects can point at.
#include "pdf/Annotation.h"
#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextPage.h"
#include "support/PdfFixtures.h"

#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QString pageText(const pdf::DocumentPtr& doc, int index) {
    auto page = doc->page(index);
    return page ? page->textPage()->text().simplified() : QString();
}

TEST(LongDocumentTest, PagesAreFoundByNumberAfterEveryChangeOfTheTree) {
    auto doc = pdf::Document::fromData(numberedPdf(1500, "Long"));
    ASSERT_EQ(doc->pageCount(), 1500);
    EXPECT_TRUE(pageText(doc, 1499).startsWith("Page 1500"));
    EXPECT_TRUE(pageText(doc, 700).startsWith("Page 701"));

    ASSERT_TRUE(doc->removePage(0));
    EXPECT_TRUE(pageText(doc, 0).startsWith("Page 2"));
    EXPECT_TRUE(pageText(doc, 1498).startsWith("Page 1500"));

    auto other = pdf::Document::fromData(numberedPdf(3, "Other"));
    ASSERT_EQ(doc->insertPages(*other, {0, 1, 2}, 700), 3);
    EXPECT_TRUE(pageText(doc, 699).startsWith("Page 701"));
    EXPECT_TRUE(pageText(doc, 700).startsWith("Page 1 Other"));
    EXPECT_TRUE(pageText(doc, 702).startsWith("Page 3 Other"));
    EXPECT_TRUE(pageText(doc, 703).startsWith("Page 702"));
    ASSERT_NE(doc->insertBlankPage(1502, 300, 300), nullptr);
    EXPECT_EQ(doc->pageCount(), 1503);
    EXPECT_TRUE(pageText(doc, 1501).startsWith("Page 1500"));
    EXPECT_EQ(doc->page(1502)->mediaBox().size(), QSizeF(300, 300));

    // The text of every page at once, read on several threads, in the right slots.
    auto fresh = pdf::Document::fromData(numberedPdf(600, "Bulk"));
    const auto texts = fresh->textPages();
    ASSERT_EQ(texts.size(), 600u);
    for (int i : {0, 299, 599})
        EXPECT_TRUE(texts[size_t(i)]->text().simplified().startsWith(
            QStringLiteral("Page %1 Bulk").arg(i + 1)));
}

TEST(LongDocumentTest, AnAnnotationPointsAtItsPageByReference) {
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(numberedPdf(40));
    auto page = doc->page(30);
    ASSERT_NE(page, nullptr);
    ASSERT_NE(page->addHighlight(QRectF(72, 72, 100, 20), Qt::yellow), nullptr);
    const QString path = dir.filePath("annotated.pdf");
    ASSERT_TRUE(doc->write(path));
    int code = -1;
    const QByteArray json = runTool("qpdf", {"--json", "--json-key=qpdf", path}, &code);
    ASSERT_EQ(code, 0);
    // The annotation's /P is a reference to page 31's object, not a copy of the page.
    const QJsonObject objects =
        QJsonDocument::fromJson(json).object()["qpdf"].toArray()[1].toObject();
    int pages = 0;
    QString pointer;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const QJsonObject value = it.value().toObject()["value"].toObject();
        if (value["/Type"].toString() == "/Page")
            ++pages;
        if (value["/Subtype"].toString() == "/Highlight")
            pointer = value["/P"].toVariant().toString();
    }
    EXPECT_EQ(pages, 40);
    EXPECT_TRUE(pointer.endsWith(" 0 R")) << pointer.toStdString();
}

} // namespace
