#include "support/ImagePageFixtures.h"

#include "support/PdfFixtures.h"

#include <cmath>

namespace fixtures {

namespace {

QByteArray picture(int side, int seed) {
    QByteArray rgb;
    rgb.reserve(side * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double u = double(x) / side, v = double(y) / side;
            rgb.append(char(127 + 120 * std::sin(6.0 * u + seed)));
            rgb.append(char(127 + 120 * std::cos(5.0 * v + 0.5 * seed)));
            // A little texture, as photographs have.
            rgb.append(char((x * 7 + y * 13 + seed * 31) % 64 + 96));
        }
    // qCompress puts a four-byte length before the zlib stream.
    return qCompress(rgb, 6).mid(4);
}

} // namespace

QByteArray imagePagesPdf(int count, int imageSide, double width, double height) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int font = pdf.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    const QByteArray n = QByteArray::number(imageSide);
    QByteArray kids;
    for (int i = 0; i < count; ++i) {
        const int image =
            pdf.addStream("<< /Type /XObject /Subtype /Image /Width " + n + " /Height " + n +
                              " /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                              "/Filter /FlateDecode >>",
                          picture(imageSide, i));
        const double w = width - 144, h = height / 2 - 72;
        QByteArray content = "q " + QByteArray::number(w) + " 0 0 " + QByteArray::number(h) +
                             " 72 " + QByteArray::number(height / 2) + " cm /Im0 Do Q\n";
        content += "BT /F1 12 Tf 16 TL 72 " + QByteArray::number(height / 2 - 30) + " Td\n";
        content += pdfString(QStringLiteral("Picture %1 of %2").arg(i + 1).arg(count)) + " Tj T*\n";
        for (int line = 0; line < 12; ++line)
            content += "(The quick brown fox jumps over the lazy dog, line " +
                       QByteArray::number(line + 1) + ".) Tj T*\n";
        content += "ET\n";
        const int stream = pdf.addStream("<< >>", content);
        const int page = pdf.add("<< /Type /Page /Parent " + QByteArray::number(pagesObj) +
                                 " 0 R /MediaBox [0 0 " + QByteArray::number(width) + " " +
                                 QByteArray::number(height) + "] /Resources << /Font << /F1 " +
                                 QByteArray::number(font) + " 0 R >> /XObject << /Im0 " +
                                 QByteArray::number(image) + " 0 R >> >> /Contents " +
                                 QByteArray::number(stream) + " 0 R >>");
        kids += QByteArray::number(page) + " 0 R ";
    }
    pdf.set(pagesObj,
            "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pagesObj) + " 0 R >>");
    return pdf.build(catalog);
}

} // namespace fixtures
