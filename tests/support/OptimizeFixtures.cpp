#include "support/OptimizeFixtures.h"

#include "support/PdfFixtures.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>

namespace fixtures {

namespace {

QByteArray ref(int number) {
    return QByteArray::number(number) + " 0 R";
}

QByteArray textContent(const QByteArray& line, const QByteArray& extra = {}) {
    return "BT /F1 14 Tf 72 700 Td (" + line + ") Tj ET\n" + extra;
}

} // namespace

QByteArray survivorsPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    QByteArray pixels;
    for (int i = 0; i < 16 * 16; ++i)
        pixels += QByteArray::fromHex(i % 3 ? "204080" : "f0e0d0");
    const QByteArray imageDict =
        "<< /Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 >>";
    const int image1 = pdf.addStream(imageDict, pixels);
    const int image3 = pdf.addStream(imageDict, pixels);
    const QByteArray draw = "q 100 0 0 100 72 400 cm /Im Do Q\n";
    const int c1 = pdf.addStream("<< >>", textContent("Alpha page one", draw));
    const int c2 = pdf.addStream("<< >>", textContent("Beta page two"));
    const int c3 = pdf.addStream("<< >>", textContent("Gamma page three", draw));
    const int p1 = pdf.reserve(), p2 = pdf.reserve(), p3 = pdf.reserve();
    const int link =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 600 272 630] /Border [0 0 0] "
                "/A << /S /URI /URI (https://example.org) >> >>");
    const int square =
        pdf.add("<< /Type /Annot /Subtype /Square /Rect [300 300 400 400] /C [1 0 0] "
                "/Contents (note) /P " +
                ref(p1) + " >>");
    const int field = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Alice) "
                              "/Rect [72 500 272 530] /P " +
                              ref(p2) + " /DA (/Helv 12 Tf 0 g) >>");
    const auto page = [&](int number, int contents, const QByteArray& resources,
                          const QByteArray& annots) {
        pdf.set(number, "<< /Type /Page /Parent " + ref(pages) +
                            " /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + ref(font) +
                            " >> " + resources + " >> /Contents " + ref(contents) + " " + annots +
                            " >>");
    };
    page(p1, c1, "/XObject << /Im " + ref(image1) + " >>",
         "/Annots [" + ref(link) + " " + ref(square) + "]");
    page(p2, c2, {}, "/Annots [" + ref(field) + "]");
    page(p3, c3, "/XObject << /Im " + ref(image3) + " /Spare " + ref(image1) + " >>", {});
    const int outlines = pdf.reserve();
    const int first = pdf.reserve(), third = pdf.reserve();
    pdf.set(first, "<< /Title (First) /Parent " + ref(outlines) + " /Next " + ref(third) +
                       " /Dest [" + ref(p1) + " /Fit] >>");
    pdf.set(third, "<< /Title (Third) /Parent " + ref(outlines) + " /Prev " + ref(first) +
                       " /Dest [" + ref(p3) + " /Fit] >>");
    pdf.set(outlines,
            "<< /Type /Outlines /First " + ref(first) + " /Last " + ref(third) + " /Count 2 >>");
    pdf.set(pages,
            "<< /Type /Pages /Kids [" + ref(p1) + " " + ref(p2) + " " + ref(p3) + "] /Count 3 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " /Outlines " + ref(outlines) +
                         " /PageLabels << /Nums [0 << /S /r >> 2 << /S /D /P (A-) >>] >> "
                         "/AcroForm << /Fields [" +
                         ref(field) + "] /DA (/Helv 12 Tf 0 g) /DR << /Font << /Helv " + ref(font) +
                         " >> >> >> >>");
    return pdf.build(catalog);
}

QImage greyPhoto(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(200, 200, 200));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 12; ++i) {
            const int g = 40 + i * 15;
            p.setBrush(QColor(g, g, g));
            p.drawEllipse(QPointF(width * (0.1 + 0.07 * i), height * (0.3 + 0.04 * (i % 5))),
                          width * 0.12, height * 0.2);
        }
    }
    QRandomGenerator noise{quint32(seed)};
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int delta = int(noise.bounded(25)) - 12;
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] =
                    uchar(std::clamp(row[x * 3 + c] + delta + int(noise.bounded(3)) - 1, 0, 255));
        }
    }
    return image;
}

QImage chart(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    const QColor colours[] = {QColor(220, 40, 40), QColor(40, 120, 220), QColor(40, 160, 60),
                              QColor(240, 180, 0)};
    for (int i = 0; i < 8; ++i)
        p.fillRect(QRect(40 + i * 70, height - 40 - (i * 37 % 300) - 40, 50, (i * 37 % 300) + 40),
                   colours[i % 4]);
    p.fillRect(QRect(30, height - 40, width - 60, 3), Qt::black);
    return image;
}

QByteArray jpegOf(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "JPEG", quality);
    return bytes;
}

QByteArray imagePagesPdf(const std::vector<PlacedImage>& images) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pages = pdf.reserve();
    QByteArray kids;
    for (const PlacedImage& placed : images) {
        int image = 0;
        QSize size;
        if (!placed.jpeg.isEmpty()) {
            size = QImage::fromData(placed.jpeg, "JPEG").size();
            image = pdf.addStream("<< /Type /XObject /Subtype /Image /Width " +
                                      QByteArray::number(size.width()) + " /Height " +
                                      QByteArray::number(size.height()) +
                                      " /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                                      "/Filter /DCTDecode >>",
                                  placed.jpeg);
        } else {
            const QImage rgb = placed.pixels.convertToFormat(QImage::Format_RGB888);
            size = rgb.size();
            QByteArray samples;
            for (int y = 0; y < rgb.height(); ++y)
                samples.append(reinterpret_cast<const char*>(rgb.constScanLine(y)),
                               rgb.width() * 3);
            image = pdf.addStream("<< /Type /XObject /Subtype /Image /Width " +
                                      QByteArray::number(size.width()) + " /Height " +
                                      QByteArray::number(size.height()) +
                                      " /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                                      "/Filter /FlateDecode >>",
                                  qCompress(samples, 6).mid(4));
        }
        const double w = placed.points;
        const double h = w * size.height() / size.width();
        const int contents =
            pdf.addStream("<< >>", "q " + QByteArray::number(w) + " 0 0 " + QByteArray::number(h) +
                                       " 36 36 cm /Im Do Q\n");
        const int page = pdf.add("<< /Type /Page /Parent " + ref(pages) +
                                 " /MediaBox [0 0 612 792] /Resources << /XObject << /Im " +
                                 ref(image) + " >> >> /Contents " + ref(contents) + " >>");
        kids += ref(page) + " ";
    }
    pdf.set(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                       QByteArray::number(qulonglong(images.size())) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " >>");
    return pdf.build(catalog);
}

} // namespace fixtures
