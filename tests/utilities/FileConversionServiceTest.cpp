#include "utilities/FileConversionService.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/document/DisplayList.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"
#include "support/FileSizeLimit.h"
#include "support/PdfFixtures.h"
#include "utilities/PageImageExport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

using namespace fixtures;

namespace {

class FileConversionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString image(const QString& name, QSize size, QColor color, const char* format,
                  double dpi = 72) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(color);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        const QString path = dir.filePath(name);
        QImageWriter writer(path, format);
        EXPECT_TRUE(writer.write(img)) << writer.errorString().toStdString();
        return path;
    }
};

TEST_F(FileConversionTest, ImagesBecomePagesOfTheirNaturalSizeAndNonImagesAreSkipped) {
    const QString first = image("a.png", QSize(200, 100), Qt::red, "png");
    const QString broken = writeTemp(dir.path(), "b.png", "this is not an image");
    const QString third = image("c.jpg", QSize(600, 300), Qt::blue, "jpeg", 300);
    auto doc = FileConversionService::imagesToPDF({first, broken, third});
    ASSERT_EQ(doc->pageCount(), 2);
    EXPECT_EQ(doc->page(0)->mediaBox().size(), QSizeF(200, 100));
    // 600 × 300 pixels at 300 dpi are 144 × 72 points.
    EXPECT_NEAR(doc->page(1)->mediaBox().width(), 144, 0.01);
    EXPECT_NEAR(doc->page(1)->mediaBox().height(), 72, 0.01);
    const QImage rendered = doc->page(1)->render(1.0);
    EXPECT_GT(QColor(rendered.pixel(70, 36)).blue(), 200);

    const QString out = dir.filePath("images.pdf");
    ASSERT_TRUE(doc->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);

    try {
        FileConversionService::imagesToPDF({broken, dir.filePath("missing.png")});
        FAIL() << "no image converted, yet no error";
    } catch (const FileConversionService::ConversionError& e) {
        EXPECT_EQ(e.kind(), FileConversionService::ConversionError::Kind::noImage);
        EXPECT_STREQ(e.what(), "Failed to load image");
    }
}

TEST_F(FileConversionTest, CutShortImagesAJpegKeepsItsBytesAPngIsRefused) {
    // A photo cut short (an interrupted copy) still shows what it holds, as in other
    // readers, and goes in unchanged; a PNG cut short cannot be decoded and is skipped.
    QImage photo(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    QByteArray jpeg, png;
    {
        QBuffer b(&jpeg);
        b.open(QIODevice::WriteOnly);
        ASSERT_TRUE(photo.save(&b, "jpeg", 90));
        QBuffer p(&png);
        p.open(QIODevice::WriteOnly);
        ASSERT_TRUE(photo.save(&p, "png"));
    }
    const QByteArray shortJpeg = jpeg.left(jpeg.size() * 2 / 3);
    const QString cutJpeg = writeTemp(dir.path(), "cut.jpg", shortJpeg);
    const QString cutPng = writeTemp(dir.path(), "cut.png", png.left(png.size() / 2));
    auto doc = FileConversionService::imagesToPDF({cutJpeg, cutPng});
    ASSERT_EQ(doc->pageCount(), 1);
    EXPECT_EQ(doc->page(0)->mediaBox().size(), QSizeF(400, 300));
    const QString out = dir.filePath("cut.pdf");
    ASSERT_TRUE(doc->write(out));
    runTool("pdfimages", {"-j", out, dir.filePath("x")});
    QFile extracted(dir.filePath("x-000.jpg"));
    ASSERT_TRUE(extracted.open(QIODevice::ReadOnly));
    EXPECT_EQ(extracted.readAll(), shortJpeg);
}

TEST_F(FileConversionTest, ClipboardContentsPreferTheImageAndSetTextOnALetterPage) {
    EXPECT_EQ(FileConversionService::clipboardToPDF(QImage(), QString()), nullptr);

    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::red);
    auto fromImage = FileConversionService::clipboardToPDF(image, "Hello");
    ASSERT_NE(fromImage, nullptr);
    EXPECT_EQ(fromImage->pageCount(), 1);
    EXPECT_EQ(fromImage->page(0)->mediaBox().size(), QSizeF(120, 80));
    EXPECT_FALSE(fromImage->page(0)->text().has_value());

    auto fromText = FileConversionService::clipboardToPDF(QImage(), "Hello");
    ASSERT_NE(fromText, nullptr);
    auto page = fromText->page(0);
    EXPECT_EQ(page->mediaBox(), QRectF(0, 0, 612, 792));
    auto text = page->textPage();
    ASSERT_EQ(text->text(), "Hello");
    const QRectF word = text->bounds(0, 5);
    // The block starts 50 points in from the left and the top (y = 742); 12-point glyphs,
    // whose boxes reach a little above the line by the font's ascender.
    EXPECT_NEAR(word.left(), 50, 1.5);
    EXPECT_GT(word.bottom(), 736);
    EXPECT_LT(word.bottom(), 750);
    EXPECT_GT(word.height(), 10);
    EXPECT_LT(word.height(), 18);
}

TEST_F(FileConversionTest, TextExportFormatAndProposedNames) {
    auto doc = pdf::Document::fromData(textPdf({{}, {"B"}, {"C"}}));
    EXPECT_EQ(FileConversionService::pdfToText(*doc), "B\n\n--- Page 3 ---\n\nC");
    EXPECT_EQ(FileConversionService::textFileName("report.pdf"), "report.txt");
    EXPECT_EQ(FileConversionService::annotatedFileName("report.pdf"), "report_annotated.pdf");
    EXPECT_EQ(FileConversionService::pageImageName(4), "page_5.png");

    auto outcome = FileConversionService::writeText(*doc, dir.filePath("out.txt"));
    EXPECT_EQ(outcome.status, FileConversionService::ExportOutcome::Status::written);
    QFile written(dir.filePath("out.txt"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("B\n\n--- Page 3 ---\n\nC"));

    // A folder in the way of the file: the failure is reported with the file's name.
    const QString blocker = writeTemp(dir.path(), "blocker", "x");
    outcome = FileConversionService::writeText(*doc, blocker + "/out.txt");
    EXPECT_TRUE(outcome.failed());
    EXPECT_TRUE(outcome.message.contains("out.txt")) << outcome.message.toStdString();
}

TEST_F(FileConversionTest, PageImagesAreTwiceThePointSizeAndReplaceOldFiles) {
    auto doc = pdf::Document::fromData(numberedPdf(2));
    auto outcome = FileConversionService::writePageImage(*doc, 1, dir.filePath("single.png"));
    EXPECT_EQ(outcome.status, FileConversionService::ExportOutcome::Status::written);
    EXPECT_EQ(QImage(dir.filePath("single.png")).size(), QSize(1224, 1584));
    // A page that is not there writes nothing and says so.
    outcome = FileConversionService::writePageImage(*doc, 2, dir.filePath("none.png"));
    EXPECT_TRUE(outcome.failed());
    EXPECT_TRUE(outcome.message.contains("none.png")) << outcome.message.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("none.png")));

    QDir(dir.path()).mkdir("pages");
    const QString folder = dir.filePath("pages");
    writeTemp(folder, "page_1.png", "old bytes");
    const auto result = PageImageExport::writeAll(*doc, folder, 2.0);
    EXPECT_EQ(result.written, 2);
    EXPECT_TRUE(result.failures.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"page_1.png", "page_2.png"}));
    EXPECT_EQ(QImage(folder + "/page_1.png").size(), QSize(1224, 1584));
}

TEST_F(FileConversionTest, EachExportedPngIsItsOwnPageRenderedExactly) {
    auto doc = pdf::Document::fromData(numberedPdf(6));
    std::atomic<int> reports{0};
    std::atomic<int> lastTotal{0};
    const auto result = PageImageExport::writeAll(*doc, dir.path(), 0.5, [&](int, int total) {
        reports++;
        lastTotal = total;
    });
    EXPECT_EQ(result.written, 6);
    EXPECT_EQ(reports.load(), 6);
    EXPECT_EQ(lastTotal.load(), 6);
    for (int i = 0; i < 6; ++i) {
        const QImage written(dir.filePath(QStringLiteral("page_%1.png").arg(i + 1)));
        const QImage direct = doc->page(i)->displayList()->render(0.5);
        ASSERT_FALSE(written.isNull());
        EXPECT_EQ(written.convertToFormat(QImage::Format_RGB888),
                  direct.convertToFormat(QImage::Format_RGB888))
            << "page " << i + 1;
    }
}

TEST_F(FileConversionTest, PageExportThatRunsOutOfRoomKeepsOldFilesAndSaysWhy) {
    auto doc = pdf::Document::fromData(numberedPdf(4));
    QDir(dir.path()).mkdir("pages");
    const QString folder = dir.filePath("pages");
    writeTemp(folder, "page_1.png", "old bytes");
    PageImageExport::Result result;
    {
        FileSizeLimit full(1024); // every page's PNG is larger than this
        ASSERT_TRUE(full.active());
        result = PageImageExport::writeAll(*doc, folder, 2.0);
    }
    EXPECT_EQ(result.written, 0);
    ASSERT_EQ(result.failures.size(), 4);
    result.failures.sort();
    EXPECT_EQ(result.failures[0], "“page_1.png” could not be written: File too large");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"page_1.png"})); // no partial files
    QFile old(folder + "/page_1.png");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old bytes");
}

TEST_F(FileConversionTest, AnnotatedCopyKeepsAnnotationsForOtherReaders) {
    auto doc = pdf::Document::fromData(textPdf({{"Highlighted words on a page"}}));
    auto page = doc->page(0);
    page->addHighlight(page->textPage()->lines()[0].box, QColor(255, 204, 0, 77));
    QImage stamp(60, 30, QImage::Format_ARGB32);
    stamp.fill(QColor(0, 0, 200));
    page->addImageStamp(QRectF(300, 300, 120, 60), stamp);
    const auto outcome = FileConversionService::writeAnnotatedPDF(*doc, dir.filePath("copy.pdf"));
    ASSERT_EQ(outcome.status, FileConversionService::ExportOutcome::Status::written);
    int code = -1;
    runTool("qpdf", {"--check", dir.filePath("copy.pdf")}, &code);
    EXPECT_EQ(code, 0);
    runTool("pdftoppm",
            {"-r", "72", "-png", "-singlefile", dir.filePath("copy.pdf"), dir.filePath("r")},
            &code);
    const QImage rendered(dir.filePath("r.png"));
    ASSERT_FALSE(rendered.isNull());
    const QRectF line = page->textPage()->lines()[0].box;
    const QRect area(int(line.left()), int(792 - line.bottom()), int(line.width()),
                     int(line.height()));
    int tinted = 0, dark = 0, total = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x, ++total) {
            const QColor c(rendered.pixel(x, y));
            tinted += (c.red() > 230 && c.red() - c.blue() > 40)
                          ? 1
                          : 0; // yellow at alpha 0.3 over white
            dark += c.value() < 100 ? 1 : 0;
        }
    EXPECT_GT(tinted, total / 3); // tinted yellow, not painted over
    EXPECT_GT(dark, total / 50);  // and the words still show through
    EXPECT_GT(QColor(rendered.pixel(360, 792 - 330)).blue(), 150); // the stamp
}

} // namespace
