#include "pdf/text/TextLayer.h"

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "support/PdfFixtures.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// A grey picture, so that a layer drawn visibly by mistake would change pixels.
QImage scanImage() {
    QImage image(306, 396, QImage::Format_RGB32);
    image.fill(QColor(235, 233, 228));
    QPainter painter(&image);
    painter.fillRect(36, 36, 120, 10, Qt::black);
    return image;
}

// Two lines in display space, words a space apart.
std::vector<pdf::TextLayerLine> sampleLines() {
    pdf::TextLayerLine first;
    first.baseline = QLineF(72, 100, 300, 100);
    first.ascent = 9;
    first.descent = 3;
    first.words = {{"Harbour", QRectF(72, 91, 60, 12)}, {"quickly", QRectF(135, 91, 48, 12)}};
    pdf::TextLayerLine second;
    second.baseline = QLineF(72, 130, 300, 130);
    second.ascent = 9;
    second.descent = 3;
    second.words = {{"ministry", QRectF(72, 121, 55, 12)}, {"Zürich", QRectF(130, 121, 40, 12)}};
    return {first, second};
}

// The box a search for `word` selects, in display space.
QRectF foundBox(const pdf::DocumentPtr& doc, const pdf::PagePtr& page, const QString& word) {
    const auto found = doc->findString(word);
    if (found.size() != 1)
        return {};
    return page->pageToDisplay().mapRect(found.front().boundsForPage(page));
}

void expectNear(const QRectF& actual, const QRectF& expected, double tolerance) {
    EXPECT_NEAR(actual.left(), expected.left(), tolerance) << "left";
    EXPECT_NEAR(actual.right(), expected.right(), tolerance) << "right";
    EXPECT_NEAR(actual.top(), expected.top(), tolerance) << "top";
    EXPECT_NEAR(actual.bottom(), expected.bottom(), tolerance) << "bottom";
}

} // namespace

TEST(TextLayerTest, WordsAreFoundWhereTheyStandAndThePictureIsUnchanged) {
    auto doc = pdf::Document::create();
    auto page = doc->insertImagePage(0, scanImage(), 612, 792);
    ASSERT_TRUE(page);
    const QImage before = page->render(1.0);
    ASSERT_FALSE(page->text().has_value());
    EXPECT_FALSE(pdf::hasTextLayer(*page));

    ASSERT_TRUE(pdf::addTextLayer(*page, sampleLines()));
    EXPECT_TRUE(pdf::hasTextLayer(*page));
    EXPECT_EQ(page->render(1.0), before); // invisible: not one pixel differs
    ASSERT_TRUE(page->text().has_value());
    EXPECT_EQ(page->text()->simplified(), QString("Harbour quickly ministry Zürich"));

    // The selection covers the word's box: stretched across its width, the line's height.
    expectNear(foundBox(doc, page, "quickly"), QRectF(135, 91, 48, 12), 0.5);
    expectNear(foundBox(doc, page, "zürich"), QRectF(130, 121, 40, 12), 0.5);

    // Adding again replaces the layer instead of doubling the text.
    auto lines = sampleLines();
    lines.pop_back();
    ASSERT_TRUE(pdf::addTextLayer(*page, lines));
    EXPECT_EQ(page->text()->simplified(), QString("Harbour quickly"));
    EXPECT_TRUE(doc->findString("ministry").empty());
}

TEST(TextLayerTest, RotatedPagesGetTheirTextUpright) {
    auto doc = pdf::Document::create();
    // Stored on its side: shown upright only through /Rotate 90.
    auto page =
        doc->insertImagePage(0, scanImage().transformed(QTransform().rotate(-90)), 792, 612);
    ASSERT_TRUE(page);
    page->setRotation(90);
    ASSERT_EQ(page->displaySize(), QSizeF(612, 792));
    ASSERT_TRUE(pdf::addTextLayer(*page, sampleLines()));

    expectNear(foundBox(doc, page, "Harbour"), QRectF(72, 91, 60, 12), 0.5);
    // Reading order follows the upright page, not the page as stored.
    EXPECT_EQ(page->text()->simplified(), QString("Harbour quickly ministry Zürich"));
}

TEST(TextLayerTest, WrittenFileIsValidAndOtherReadersFindTheText) {
    if (!toolAvailable("qpdf") || !toolAvailable("pdftotext") || !toolAvailable("pdfimages"))
        GTEST_SKIP() << "qpdf and poppler-utils are needed";
    QTemporaryDir dir;
    const QString scanPath = dir.filePath("scan.pdf");
    {
        auto doc = pdf::Document::create();
        doc->insertImagePage(0, scanImage(), 612, 792);
        doc->insertImagePage(1, scanImage(), 612, 792);
        ASSERT_TRUE(doc->write(scanPath));
    }
    auto doc = pdf::Document::open(scanPath);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(pdf::addTextLayer(*doc->page(0), sampleLines()));
    ASSERT_TRUE(pdf::addTextLayer(*doc->page(1), sampleLines()));
    const QString outPath = dir.filePath("searchable.pdf");
    QString error;
    ASSERT_TRUE(doc->write(outPath, {}, &error)) << error.toStdString();

    int code = -1;
    const QByteArray check = runTool("qpdf", {"--check", outPath}, &code);
    EXPECT_EQ(code, 0) << check.toStdString();
    const QString text =
        QString::fromUtf8(runTool("pdftotext", {"-f", "2", "-l", "2", outPath, "-"}));
    EXPECT_EQ(text.simplified(), QString("Harbour quickly ministry Zürich"));
    // The same images, in size, colour and compression, before and after, and another
    // renderer draws the same pixels.
    EXPECT_EQ(runTool("pdfimages", {"-list", scanPath}), runTool("pdfimages", {"-list", outPath}));
    if (toolAvailable("pdftoppm")) {
        EXPECT_EQ(runTool("pdftoppm", {"-r", "36", "-f", "1", "-l", "1", scanPath}),
                  runTool("pdftoppm", {"-r", "36", "-f", "1", "-l", "1", outPath}));
    }
    // Poppler places the word where it stands on the page (its y axis points down too).
    const QString boxes =
        QString::fromUtf8(runTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", outPath, "-"}));
    EXPECT_TRUE(
        boxes.contains(QRegularExpression("xMin=\"13[45]\\.\\d+\" yMin=\"9\\d\\.\\d+\" "
                                          "xMax=\"18[23]\\.\\d+\" yMax=\"10\\d\\.\\d+\">quickly")))
        << boxes.toStdString();
}
