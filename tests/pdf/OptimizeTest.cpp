// The pixel work behind smaller files, and the copy's cancel and estimates.
#include "pdf/writing/Optimize.h"
#include "pdf/document/Document.h"
#include "pdf/engine/Error.h"
#include "pdf/writing/ImageCodec.h"
#include "support/OptimizeFixtures.h"
#include "support/PdfFixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;
namespace codec = pdf::codec;

namespace {

codec::Pixels pixelsOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    codec::Pixels p{rgb.width(), rgb.height(), 3, {}};
    for (int y = 0; y < rgb.height(); ++y)
        p.samples.insert(p.samples.end(), rgb.constScanLine(y),
                         rgb.constScanLine(y) + rgb.width() * 3);
    return p;
}

TEST(ImageCodecTest, ResamplingAveragesTheAreaEachPixelCovers) {
    // 3 × 1 grey to 2 × 1: each new pixel covers one and a half old ones.
    const codec::Pixels row{3, 1, 1, {0, 90, 180}};
    const codec::Pixels half = codec::resample(row, 2, 1);
    EXPECT_EQ(half.samples, (codec::Bytes{30, 150}));
    // A fine checkerboard comes out as its mean grey, not as aliased stripes.
    codec::Pixels board{8, 8, 1, {}};
    for (int i = 0; i < 64; ++i)
        board.samples.push_back((i / 8 + i % 8) % 2 ? 255 : 0);
    for (unsigned char v : codec::resample(board, 3, 3).samples)
        EXPECT_NEAR(v, 128, 12);
}

TEST(ImageCodecTest, GreyIsToldFromColourWhateverTheNoise) {
    EXPECT_TRUE(codec::isGrey(pixelsOf(greyPhoto())));
    EXPECT_FALSE(codec::isGrey(pixelsOf(chart())));
    // A faint tint over the whole picture is colour.
    QImage sepia = greyPhoto();
    for (int y = 0; y < sepia.height(); ++y)
        for (int x = 0; x < sepia.width(); ++x) {
            const QColor c = sepia.pixelColor(x, y);
            sepia.setPixelColor(x, y, QColor(std::min(255, c.red() + 25), c.green(), c.blue()));
        }
    EXPECT_FALSE(codec::isGrey(pixelsOf(sepia)));
    EXPECT_TRUE(codec::looksPhotographic(pixelsOf(greyPhoto())));
    EXPECT_FALSE(codec::looksPhotographic(pixelsOf(chart())));
}

TEST(ImageCodecTest, JpegDecodesScaledAndRefusesDamage) {
    const QByteArray jpeg = jpegOf(greyPhoto(640, 480), 90);
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    codec::Pixels out;
    // The smallest power-of-two reduction still at least 150 × 100: a quarter.
    ASSERT_TRUE(codec::decodeJpeg(data, size_t(jpeg.size()), 3, 150, 100, &out));
    EXPECT_EQ(out.width, 160);
    EXPECT_EQ(out.height, 120);
    EXPECT_FALSE(codec::decodeJpeg(data, size_t(jpeg.size()), 1, 150, 100, &out));
    EXPECT_FALSE(codec::decodeJpeg(data, size_t(jpeg.size() * 2 / 3), 3, 640, 480, &out));
    // What is encoded decodes to nearly the same picture.
    const codec::Bytes again = codec::encodeJpeg(codec::toGrey(pixelsOf(greyPhoto(64, 48))), 90);
    ASSERT_TRUE(codec::decodeJpeg(again.data(), again.size(), 1, 64, 48, &out));
    EXPECT_EQ(out.width, 64);
}

class OptimizeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    pdf::DocumentPtr openPhotos() {
        std::vector<PlacedImage> pages;
        for (int i = 0; i < 6; ++i)
            pages.push_back({jpegOf(greyPhoto(640, 480, i), 92), {}, 160});
        pages.push_back({{}, chart(), 160});
        return pdf::Document::open(writeTemp(dir.path(), "photos.pdf", imagePagesPdf(pages)));
    }
};

TEST_F(OptimizeTest, CancelWritesNothing) {
    auto doc = openPhotos();
    ASSERT_TRUE(doc);
    base::CancelToken cancel;
    int calls = 0;
    const QString out = dir.filePath("out.pdf");
    const auto report = pdf::writeOptimizedCopy(
        *doc, out, {}, [&](int, int) { ++calls, cancel.cancel(); }, &cancel);
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.written);
    EXPECT_GE(calls, 1);
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no leftovers
}

TEST_F(OptimizeTest, EstimatesComeInOrderAndNearWhatIsWritten) {
    auto doc = openPhotos();
    ASSERT_TRUE(doc);
    const pdf::SizeEstimates estimates = pdf::estimateOptimizedSizes(*doc);
    EXPECT_EQ(estimates.inputBytes, QFileInfo(doc->path()).size());
    EXPECT_LE(estimates.lossless, estimates.inputBytes);
    EXPECT_LT(estimates.balanced, estimates.lossless);
    EXPECT_LE(estimates.small, estimates.balanced);
    for (auto level : {pdf::OptimizeLevel::Lossless, pdf::OptimizeLevel::Balanced}) {
        const QString out = dir.filePath(pdf::levelName(level) + ".pdf");
        const auto report = pdf::writeOptimizedCopy(*doc, out, {level, 0, 0});
        const qint64 estimate =
            level == pdf::OptimizeLevel::Lossless ? estimates.lossless : estimates.balanced;
        EXPECT_NEAR(double(estimate), double(report.outputBytes), 0.3 * report.outputBytes)
            << pdf::levelName(level).toStdString();
    }
}

TEST_F(OptimizeTest, RefusesWhatCannotBeRead) {
    auto created = pdf::Document::create();
    EXPECT_THROW(pdf::writeOptimizedCopy(*created, dir.filePath("a.pdf"), {}), pdf::Error);
    auto locked = pdf::Document::open(writeTemp(dir.path(), "l.pdf", survivorsPdf()));
    ASSERT_TRUE(locked);
    const QString secret = dir.filePath("secret.pdf");
    pdf::WriteOptions options;
    options.userPassword = "open";
    ASSERT_TRUE(locked->write(secret, options));
    auto closed = pdf::Document::open(secret);
    ASSERT_TRUE(closed && closed->isLocked());
    EXPECT_THROW(pdf::writeOptimizedCopy(*closed, dir.filePath("b.pdf"), {}), pdf::Error);
    ASSERT_TRUE(closed->unlock("open"));
    const auto report = pdf::writeOptimizedCopy(*closed, dir.filePath("c.pdf"),
                                                {pdf::OptimizeLevel::Lossless, 0, 0});
    EXPECT_TRUE(report.written);
    EXPECT_TRUE(pdf::Document::open(dir.filePath("c.pdf"))->isLocked());
}

} // namespace

namespace {

// Two pages; object 5 (page 2's contents) is of generation 1, and a 64 KB stream nothing
// refers to sits among the objects.
QByteArray generationsPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const int first = pdf.addStream("<< >>", "BT /F1 20 Tf 72 700 Td (First words) Tj ET");
    const int second = pdf.addStream("<< >>", "BT /F1 20 Tf 72 700 Td (Second words) Tj ET");
    QByteArray noise;
    for (int i = 0; i < 65536; ++i)
        noise += char((i * 7919) % 251);
    pdf.addStream("<< >>", noise);
    const auto page = [&](int contents) {
        return pdf.add("<< /Type /Page /Parent " + QByteArray::number(pages) +
                       " 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 " +
                       QByteArray::number(font) + " 0 R >> >> /Contents " +
                       QByteArray::number(contents) + (contents == 5 ? " 1 R" : " 0 R") + " >>");
    };
    const int p1 = page(first), p2 = page(second);
    pdf.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(p1) + " 0 R " +
                       QByteArray::number(p2) + " 0 R] /Count 2 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    QByteArray bytes = pdf.build(catalog);
    EXPECT_EQ(second, 5);
    bytes.replace("\n5 0 obj\n", "\n5 1 obj\n");
    const qsizetype xref = bytes.lastIndexOf("xref\n");
    const qsizetype entry = xref + 5 + 5 + 20 * 5; // "0 N\n" line, then entries 0 to 4
    bytes.replace(bytes.indexOf(" 00000 n", entry), 8, " 00001 n");
    return bytes;
}

TEST_F(OptimizeTest, TheCopyLeavesOutWhatNothingReachesAndKeepsGenerations) {
    const QString in = writeTemp(dir.path(), "gen.pdf", generationsPdf());
    auto doc = pdf::Document::open(in);
    ASSERT_TRUE(doc);
    const QString out = dir.filePath("out.pdf");
    const auto report = pdf::writeOptimizedCopy(*doc, out, {pdf::OptimizeLevel::Lossless, 0, 0});
    ASSERT_TRUE(report.written);
    EXPECT_LT(report.outputBytes, 4000); // the orphan is gone
    int status = -1;
    const QByteArray check = runTool("qpdf", {"--check", out}, &status);
    EXPECT_EQ(status, 0) << check.toStdString();
    const QString text = QString::fromUtf8(runTool("pdftotext", {out, "-"}));
    EXPECT_TRUE(text.contains("First words") && text.contains("Second words"))
        << text.toStdString();
}

} // namespace
