#include "pdf/document/Page.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"
#include "support/PdfFixtures.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Share of pixels in `rect` of `image` for which `pred` holds.
template <typename Pred> double share(const QImage& image, QRect rect, Pred pred) {
    int hits = 0, total = 0;
    rect = rect.intersected(image.rect());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x, ++total)
            hits += pred(QColor(image.pixel(x, y))) ? 1 : 0;
    return total ? double(hits) / total : 0;
}

TEST(PageTest, GeometryAndRotation) {
    auto doc = pdf::Document::fromData(textPdf({{"Hello"}}, 612, 792));
    auto page = doc->page(0);
    EXPECT_EQ(page->mediaBox(), QRectF(0, 0, 612, 792));
    EXPECT_EQ(page->rotation(), 0);
    page->setRotation(450);
    EXPECT_EQ(page->rotation(), 90);
    EXPECT_EQ(page->displaySize(), QSizeF(792, 612));
    page->setRotation(-90);
    EXPECT_EQ(page->rotation(), 270);
    page->setRotation(0);
    // PDF space (y up) to display space (y down).
    EXPECT_EQ(page->pageToDisplay().map(QPointF(0, 792)), QPointF(0, 0));
}

TEST(PageTest, RenderingScalesAndIncludesAnnotations) {
    auto doc = pdf::Document::fromData(textPdf({{"Hello world"}}));
    auto page = doc->page(0);
    const QImage plain = page->render(2.0);
    EXPECT_EQ(plain.size(), QSize(1224, 1584));
    EXPECT_EQ(QColor(plain.pixel(5, 5)), QColor(Qt::white));
    const QImage thumb = page->thumbnail(QSize(120, 160));
    EXPECT_LE(thumb.width(), 120);
    EXPECT_LE(thumb.height(), 160);
    EXPECT_GE(thumb.width(), 119);

    const quint64 before = page->revision();
    auto highlight = page->addHighlight(QRectF(300, 300, 100, 40), QColor(0, 200, 0, 77));
    ASSERT_NE(highlight, nullptr);
    EXPECT_GT(page->revision(), before);
    EXPECT_EQ(highlight->subtype(), "Highlight");
    EXPECT_NEAR(highlight->color().alphaF(), 0.3, 0.01);
    EXPECT_EQ(highlight->bounds(), QRectF(300, 300, 100, 40));
    const QImage marked = page->render(1.0);
    // The block 300..400 x 300..340 in PDF space is 300..400 x 452..492 on screen.
    EXPECT_GT(
        share(marked, QRect(310, 460, 80, 25), [](QColor c) { return c.green() > c.red() + 20; }),
        0.9);
    EXPECT_TRUE(page->removeAnnotation(highlight));
    EXPECT_TRUE(page->annotations().empty());
    EXPECT_FALSE(highlight->isValid());
}

TEST(PageTest, CustomAppearancesShowHereAndInOtherReaders) {
    QTemporaryDir dir;
    auto doc = pdf::Document::fromData(textPdf({{""}}));
    auto page = doc->page(0);
    QImage red(40, 20, QImage::Format_ARGB32);
    red.fill(Qt::transparent);
    QPainter(&red).fillRect(0, 0, 20, 20, QColor(220, 0, 0));
    auto stamp = page->addImageStamp(QRectF(100, 600, 200, 80), red);
    ASSERT_NE(stamp, nullptr);
    EXPECT_EQ(stamp->subtype(), "Stamp");
    auto mark = page->addTextWatermark(QRectF(0, 0, 612, 792), QString::fromUtf8("機密 DRAFT"), 48,
                                       QColor(128, 128, 128, 128), 0);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->subtype(), "FreeText");
    auto note =
        page->addFreeText(QRectF(100, 100, 200, 16), "Signed by Zoë", 9, QColor(128, 128, 128));
    ASSERT_NE(note, nullptr);
    EXPECT_DOUBLE_EQ(note->fontSize(), 9);

    auto check = [&](const QImage& img, double scale) {
        auto px = [&](double x, double y) {
            return QColor(img.pixel(int(x * scale), int((792 - y) * scale)));
        };
        EXPECT_GT(px(150, 640).red(), 180); // left half of the stamp: red
        EXPECT_LT(px(150, 640).green(), 80);
        EXPECT_EQ(px(250, 640), QColor(Qt::white)); // right half: transparent
        // Some grey ink around the centre line.
        EXPECT_GT(share(img, QRect(0, int(380 * scale), int(612 * scale), int(40 * scale)),
                        [](QColor c) { return c.red() < 230 && qAbs(c.red() - c.blue()) < 10; }),
                  0.01);
    };
    check(page->render(1.0), 1.0);
    // Rendering again (appearances must not be regenerated into something else).
    check(page->render(1.0), 1.0);

    const QString out = dir.filePath("stamped.pdf");
    ASSERT_TRUE(doc->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    runTool("pdftoppm", {"-r", "72", "-png", "-singlefile", out, dir.filePath("p")}, &code);
    ASSERT_EQ(code, 0);
    check(QImage(dir.filePath("p.png")), 1.0);
    const QString fonts = QString::fromUtf8(runTool("pdffonts", {out}));
    EXPECT_TRUE(fonts.contains("yes")) << fonts.toStdString(); // embedded
}

TEST(PageTest, TextCharactersCarryTheirBoxes) {
    auto doc = pdf::Document::fromData(textPdf({{"First line", "Second line"}}));
    auto tp = doc->page(0)->textPage();
    ASSERT_EQ(tp->lines().size(), 2u);
    EXPECT_EQ(tp->text(), "First line\nSecond line");
    const QRectF first = tp->lines()[0].box;
    EXPECT_NEAR(first.left(), 72, 1);
    EXPECT_GT(first.bottom(), 715); // the line stands at y = 720 in PDF space
    EXPECT_LT(first.top(), 720);
    EXPECT_GT(first.top(), tp->lines()[1].box.top());
}

} // namespace
