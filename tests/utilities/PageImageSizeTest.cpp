#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/HostileFixtures.h"
#include "support/ImagePageFixtures.h"
#include "support/PdfFixtures.h"
#include "utilities/FileConversionService.h"
#include "utilities/PageImageExport.h"
#include "utilities/PngEncoder.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class PageImageSizeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    // pdftoppm's PNG of page 1 at 144 dpi.
    QString popplerPng(const QString& pdf, const QString& stem) {
        int code = -1;
        runTool("pdftoppm",
                {"-r", "144", "-png", "-cropbox", "-f", "1", "-l", "1", "-singlefile", pdf,
                 dir.filePath(stem)},
                &code);
        EXPECT_EQ(code, 0);
        return dir.filePath(stem + ".png");
    }
};

// Color type byte of the IHDR chunk.
int colourType(const QByteArray& png) {
    return png.size() > 25 ? int(quint8(png[25])) : -1;
}

TEST_F(PageImageSizeTest, ExportedPageIsAsSmallAsPopplersAndAsLarge) {
    const QString pdf = writeTemp(dir.path(), "picture.pdf", imagePagesPdf(1, 360));
    auto doc = pdf::Document::fromData(imagePagesPdf(1, 360));
    ASSERT_TRUE(doc);
    QDir(dir.path()).mkdir("ours");
    const auto result = PageImageExport::writeAll(*doc, dir.filePath("ours"), 2.0);
    ASSERT_EQ(result.written, 1);
    const QString ours = dir.filePath("ours/page_1.png");
    const QString theirs = popplerPng(pdf, "poppler");
    const qint64 oursBytes = QFileInfo(ours).size(), theirBytes = QFileInfo(theirs).size();
    ASSERT_GT(theirBytes, 0);
    EXPECT_LE(double(oursBytes), 1.2 * double(theirBytes))
        << "ours " << oursBytes << " bytes, pdftoppm " << theirBytes;
    EXPECT_EQ(QImage(ours).size(), QImage(theirs).size());
}

TEST_F(PageImageSizeTest, EncodedPixelsComeBackExactlyInColourAndInGrey) {
    auto doc = pdf::Document::fromData(imagePagesPdf(1, 120));
    const QImage colour = doc->page(0)->render(0.75);
    auto text = pdf::Document::fromData(numberedPdf(1));
    const QImage grey = text->page(0)->render(0.75);

    QImage tiny(3, 2, QImage::Format_RGB888); // not the renderer's format; odd row length
    const QRgb px[6] = {qRgb(255, 0, 0),  qRgb(0, 255, 0),     qRgb(0, 0, 255),
                        qRgb(10, 10, 10), qRgb(200, 201, 202), qRgb(0, 0, 0)};
    for (int i = 0; i < 6; ++i)
        tiny.setPixel(i % 3, i / 3, px[i]);
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(qRgb(128, 128, 128));

    for (const QImage& source : {colour, grey, tiny, dot}) {
        const QByteArray png = PngEncoder::encode(source);
        ASSERT_FALSE(png.isEmpty());
        QImage back;
        ASSERT_TRUE(back.loadFromData(png, "PNG"));
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888),
                  source.convertToFormat(QImage::Format_RGB888))
            << source.width() << "x" << source.height();
    }
    // A page of black text on white needs no colour channels.
    EXPECT_EQ(colourType(PngEncoder::encode(grey)), 0);
    EXPECT_EQ(colourType(PngEncoder::encode(colour)), 2);
    EXPECT_TRUE(PngEncoder::encode(QImage()).isEmpty());
}

TEST_F(PageImageSizeTest, BothExportPathsGiveOddPagesOneSize) {
    // A plain odd size; the same with a media box that does not start at a whole point;
    // and a Letter page cropped to it, which is shown (and exported) as the crop box.
    const auto onePage = [](const QByteArray& boxes) {
        MiniPdf pdf;
        const int catalog = pdf.reserve(), pages = pdf.reserve();
        const int page = pdf.add("<< /Type /Page /Parent " + QByteArray::number(pages) + " 0 R " +
                                 boxes + " >>");
        pdf.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
        pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
        return pdf.build(catalog);
    };
    const std::vector<QByteArray> files = {
        blankPagesPdf(1, 609.5, 789.3), onePage("/MediaBox [0.3 0.7 609.8 790]"),
        onePage("/MediaBox [0 0 612 792] /CropBox [1.25 1.35 610.75 790.65]")};
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        const QString stem = QStringLiteral("odd%1").arg(i);
        const QString pdf = writeTemp(dir.path(), stem + ".pdf", files[i]);
        auto doc = pdf::Document::fromData(files[i]);
        ASSERT_TRUE(doc);

        const auto outcome =
            FileConversionService::writePageImage(*doc, 0, dir.filePath(stem + "_current.png"));
        ASSERT_EQ(outcome.status, FileConversionService::ExportOutcome::Status::written);
        const QString folder = dir.filePath(stem + "_all");
        QDir().mkpath(folder);
        ASSERT_EQ(PageImageExport::writeAll(*doc, folder, 2.0).written, 1);

        const QSize current = QImage(dir.filePath(stem + "_current.png")).size();
        EXPECT_EQ(current, QSize(1219, 1579));
        EXPECT_EQ(QImage(folder + "/page_1.png").size(), current);
        EXPECT_EQ(QImage(popplerPng(pdf, stem + "_poppler")).size(), current);
    }
}

} // namespace
