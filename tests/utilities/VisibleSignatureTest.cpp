// A visible signature as two other renderers draw it: upright on pages turned by /Rotate,
// where the page is shown at its lower left, with the same picture in both.
#include "support/SignatureFixtures.h"
#include "utilities/DigitalSignatureService.h"
#include "utilities/StandardSignature.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Four Letter pages turned by 0, 90, 180 and 270 degrees, each with a line at its top.
QByteArray turnedPages() {
    QByteArray pdf = "%PDF-1.4\n";
    std::vector<qsizetype> offsets;
    auto add = [&](const QByteArray& object) {
        offsets.push_back(pdf.size());
        pdf += object + "\n";
    };
    add("1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj");
    add("2 0 obj<</Type/Pages/Kids[3 0 R 4 0 R 5 0 R 6 0 R]/Count 4/MediaBox[0 0 612 792]>>endobj");
    for (int i = 0; i < 4; ++i)
        add(QByteArray::number(3 + i) + " 0 obj<</Type/Page/Parent 2 0 R/Rotate " +
            QByteArray::number(i * 90) +
            "/Contents 7 0 R/Resources<</Font<</F<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>"
            ">>>>>>endobj");
    const QByteArray text = "BT /F 24 Tf 72 700 Td (Top of the page) Tj ET";
    add("7 0 obj<</Length " + QByteArray::number(text.size()) + ">>stream\n" + text +
        "\nendstream endobj");
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 8\n0000000000 65535 f \n";
    for (const qsizetype at : offsets)
        pdf += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer<</Size 8/Root 1 0 R>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// The part of a page image where the signature box is shown, at 72 dpi: 180 points wide,
// four lines high, 36 points from the shown page's left and bottom edges.
QImage signatureArea(const QString& png) {
    const QImage page = QImage(png).convertToFormat(QImage::Format_Grayscale8);
    const QSize box(180, 48);
    return page.copy(36, page.height() - 36 - box.height(), box.width(), box.height());
}

int darkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

// Mean difference of two greyscale images of one size, 0 (same) to 255.
double difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return sum / (a.width() * a.height());
}

} // namespace

TEST(VisibleSignatureTest, UprightOnTurnedPagesAndAlikeInBothRenderers) {
    QTemporaryDir dir;
    const KeyStore keys(dir.path() + "/keys");
    const SigningIdentity identity = DigitalSignatureService::identityFor("Ada Lovelace", keys);
    StandardSignature::Options options;
    // One time for all four, so that the boxes show the same words.
    options.when = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    options.reason = "I approve (this) version";
    options.location = "London";
    QByteArray pdf = turnedPages();
    for (int page = 0; page < 4; ++page) {
        options.visiblePage = page;
        pdf = StandardSignature::sign(pdf, identity, "Ada Lovelace", options);
    }
    const QString path = dir.path() + "/signed.pdf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdf);
    file.close();
    for (const auto& result : StandardSignature::verify(pdf))
        EXPECT_EQ(result.integrity, StandardSignature::Integrity::Valid);
    // The reason and location are the signature's own, as UTF-16 text strings.
    for (const auto& [key, text] : {std::pair{QByteArray("/Reason<"), options.reason},
                                    std::pair{QByteArray("/Location<"), options.location}}) {
        QByteArray utf16 = "\xFE\xFF";
        for (const QChar ch : text)
            utf16 += QByteArray(1, char(ch.unicode() >> 8)) + char(ch.unicode() & 0xFF);
        EXPECT_EQ(pdf.count(key + utf16.toHex().toUpper() + ">"), 4) << key.toStdString();
    }
    EXPECT_EQ(sigfix::runProgram("qpdf", {"--check", path}).exitCode, 0);

    ASSERT_EQ(sigfix::runProgram("pdftoppm", {"-r", "72", "-png", path, dir.path() + "/poppler"})
                  .exitCode,
              0);
    ASSERT_EQ(
        sigfix::runProgram("mutool", {"draw", "-r", "72", "-o", dir.path() + "/mupdf%d.png", path})
            .exitCode,
        0);
    const QImage reference = signatureArea(dir.path() + "/poppler-1.png");
    EXPECT_GT(darkPixels(reference), 300); // frame and four lines of text
    for (int page = 1; page <= 4; ++page) {
        const QImage poppler = signatureArea(dir.path() + QString("/poppler-%1.png").arg(page));
        const QImage mupdf = signatureArea(dir.path() + QString("/mupdf%1.png").arg(page));
        // The same box, upright, wherever the page was turned; and the same in both.
        EXPECT_LT(difference(poppler, reference), 2.0) << "page " << page;
        EXPECT_LT(difference(mupdf, poppler), 12.0) << "page " << page;
        EXPECT_GT(darkPixels(mupdf), 300) << "page " << page;
    }
}
