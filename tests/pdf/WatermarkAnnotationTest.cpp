#include "pdf/annotations/WatermarkAnnotation.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PageFixtures.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Ink in a 40 × 40 point square centred on (x, y), given in points from the top-left.
double inkAt(const QImage& img, double scale, double x, double y) {
    return inkShare(
        img, QRect(int((x - 20) * scale), int((y - 20) * scale), int(40 * scale), int(40 * scale)));
}

class WatermarkAnnotationTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    pdf::DocumentPtr doc = pdf::Document::fromData(textPdf({{}}, 612, 792));

    QImage stamped(const QString& text, double size, double opacity, double angle) {
        auto page = doc->page(0);
        EXPECT_NE(pdf::WatermarkAnnotation::add(*page, text, size, opacity, angle), nullptr);
        return page->render(1.0);
    }
};

TEST_F(WatermarkAnnotationTest, MinusFortyFiveRunsFromUpperLeftToLowerRight) {
    const QImage img = stamped("CONFIDENTIAL", 48, 0.5, -45);
    const double d = 100; // along the diagonals from the centre (306, 396)
    EXPECT_GT(inkAt(img, 1, 306 - d, 396 - d), 0.1);
    EXPECT_GT(inkAt(img, 1, 306 + d, 396 + d), 0.1);
    EXPECT_EQ(inkAt(img, 1, 306 - d, 396 + d), 0);
    EXPECT_EQ(inkAt(img, 1, 306 + d, 396 - d), 0);
    // The ink is mid grey at half opacity, not black.
    int darkest = 255;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            darkest = std::min(darkest, qGray(img.pixel(x, y)));
    EXPECT_NEAR(darkest, 191, 8);
}

TEST_F(WatermarkAnnotationTest, ZeroIsHorizontalAndNinetyReadsUpward) {
    const QImage flat = stamped("CONFIDENTIAL", 48, 0.5, 0);
    EXPECT_GT(inkAt(flat, 1, 306 - 120, 396), 0.1);
    EXPECT_GT(inkAt(flat, 1, 306 + 120, 396), 0.1);
    EXPECT_EQ(inkAt(flat, 1, 306, 396 - 60), 0);
    EXPECT_EQ(inkAt(flat, 1, 306, 396 + 60), 0);
    // Centred both ways: as much ink left of the centre as right of it, above as below.
    const double left = inkShare(flat, QRect(0, 0, 306, 792)),
                 right = inkShare(flat, QRect(306, 0, 306, 792));
    EXPECT_NEAR(left / right, 1.0, 0.15);
    const double above = inkShare(flat, QRect(0, 0, 612, 396)),
                 below = inkShare(flat, QRect(0, 396, 612, 396));
    EXPECT_NEAR(above / below, 1.0, 0.25);

    doc = pdf::Document::fromData(textPdf({{}}, 612, 792));
    const QImage up = stamped("CONFIDENTIAL", 48, 0.5, 90);
    EXPECT_GT(inkAt(up, 1, 306, 396 - 120), 0.1);
    EXPECT_GT(inkAt(up, 1, 306, 396 + 120), 0.1);
    EXPECT_EQ(inkAt(up, 1, 306 - 60, 396), 0);
    // Reading upward, the first letter is at the bottom: "C" is rounder than "L" at the top.
}

TEST_F(WatermarkAnnotationTest, AnyScriptDrawsWithEmbeddedFontsInAnotherReader) {
    auto page = doc->page(0);
    const QString german = QString::fromUtf8("ENTWURF – Vertraulich");
    const QString japanese = QString::fromUtf8("機密");
    pdf::WatermarkAnnotation latin(page->mediaBox(), german, 40, 0.5, 0);
    ASSERT_NE(latin.addTo(*page), nullptr);
    auto cjkDoc = pdf::Document::fromData(textPdf({{}}));
    ASSERT_NE(pdf::WatermarkAnnotation::add(*cjkDoc->page(0), japanese, 120, 0.5, -45), nullptr);
    EXPECT_EQ(latin.watermarkText(), german);
    EXPECT_DOUBLE_EQ(latin.watermarkOpacity(), 0.5);

    for (const auto& [d, name] :
         {std::pair{doc, QString("latin")}, std::pair{cjkDoc, QString("cjk")}}) {
        const QString path = dir.filePath(name + ".pdf");
        ASSERT_TRUE(d->write(path));
        int code = -1;
        runTool("qpdf", {"--check", path}, &code);
        EXPECT_EQ(code, 0);
        const QStringList fonts =
            QString::fromUtf8(runTool("pdffonts", {path})).split('\n', Qt::SkipEmptyParts).mid(2);
        ASSERT_GE(fonts.size(), 2) << name.toStdString();
        for (const QString& line : fonts) {
            if (line.startsWith("Helvetica "))
                continue; // the page's own font, not ours
            // name, type, encoding, then emb sub uni object ID: "emb" is fifth from the end.
            const QStringList cols = line.split(' ', Qt::SkipEmptyParts);
            EXPECT_EQ(cols.value(cols.size() - 5), "yes") << line.toStdString();
        }
        runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", path, dir.filePath(name)}, &code);
        ASSERT_EQ(code, 0);
        const QImage other(dir.filePath(name + ".png"));
        EXPECT_GT(inkShare(other, QRect(206, 346, 200, 100)), 0.05) << name.toStdString();
        // Our own renderer agrees with the other reader about where the ink is.
        const QImage ours = d->page(0)->render(1.0);
        EXPECT_NEAR(inkShare(ours, QRect(0, 0, 612, 792)), inkShare(other, QRect(0, 0, 612, 792)),
                    0.01);
    }
}

TEST_F(WatermarkAnnotationTest, EachApplicationAddsAnotherAnnotation) {
    auto page = doc->page(0);
    EXPECT_EQ(pdf::WatermarkAnnotation::add(*page, "", 48, 0.15, -45), nullptr);
    ASSERT_NE(pdf::WatermarkAnnotation::add(*page, "DRAFT", 48, 0.15, -45), nullptr);
    ASSERT_NE(pdf::WatermarkAnnotation::add(*page, "DRAFT", 48, 0.15, -45), nullptr);
    ASSERT_EQ(page->annotations().size(), 2u);
    for (const auto& a : page->annotations()) {
        EXPECT_EQ(a->subtype(), "FreeText");
        EXPECT_EQ(a->bounds(), QRectF(0, 0, 612, 792));
    }
}

} // namespace
