// Lookups by page number in a long flat page tree: right after every change of the tree,
// and handing out page references that other objects can point at.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
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

// A flat tree of 300 pages that inherit their page box, rotation and fonts from the root,
// the box far from the origin, so a page that lost what it inherits shows no text. Every
// tenth page links to page 7 by its page object.
QByteArray inheritingFlatPdf(int count) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int root = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    std::vector<int> pages;
    for (int i = 0; i < count; ++i)
        pages.push_back(pdf.reserve());
    QByteArray kids;
    for (int i = 0; i < count; ++i) {
        const QByteArray text =
            "BT /F1 12 Tf 1100 1300 Td (Page " + QByteArray::number(i + 1) + " inherits) Tj ET";
        const int contents = pdf.addStream("<< >>", text);
        QByteArray annots;
        if (i % 10 == 9)
            annots =
                " /Annots [<< /Type /Annot /Subtype /Link /Rect [1100 1200 1200 1220] /Dest [" +
                QByteArray::number(pages[6]) + " 0 R /XYZ 1000 1400 0] >>]";
        pdf.set(pages[size_t(i)], "<< /Type /Page /Parent " + QByteArray::number(root) +
                                      " 0 R /Contents " + QByteArray::number(contents) + " 0 R" +
                                      annots + " >>");
        kids += QByteArray::number(pages[size_t(i)]) + " 0 R ";
    }
    pdf.set(root, "<< /Type /Pages /Count " + QByteArray::number(count) + " /Kids [" + kids +
                      "] /MediaBox [1000 1000 1400 1500] /Rotate 90 /Resources << /Font << /F1 " +
                      QByteArray::number(font) + " 0 R >> >> >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(root) + " 0 R >>");
    return pdf.build(catalog);
}

TEST(LongDocumentTest, TextReadOnSeveralThreadsEqualsEachPageReadOnItsOwn) {
    const QByteArray bytes = inheritingFlatPdf(300);
    const auto texts = pdf::Document::fromData(bytes)->textPages();
    std::vector<QString> streamed;
    pdf::Document::fromData(bytes)->forEachTextPage([&](int, const pdf::TextPage* text) {
        streamed.push_back(text ? text->text() : QString());
        return true;
    });
    auto alone = pdf::Document::fromData(bytes);
    ASSERT_EQ(texts.size(), 300u);
    ASSERT_EQ(streamed.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        const QString expected = QStringLiteral("Page %1 inherits").arg(i + 1);
        auto page = alone->page(i);
        ASSERT_NE(page, nullptr);
        const auto own = page->textPage();
        EXPECT_EQ(own->text().simplified(), expected) << i;
        ASSERT_NE(texts[size_t(i)], nullptr) << i;
        EXPECT_EQ(texts[size_t(i)]->text(), own->text()) << i;
        EXPECT_EQ(streamed[size_t(i)], own->text()) << i;
        // The same boxes: each page kept its inherited page box and rotation.
        ASSERT_FALSE(own->lines().empty());
        EXPECT_EQ(texts[size_t(i)]->lines().front().box, own->lines().front().box) << i;
    }
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
