#include "support/AnnotationFixtures.h"

#include "support/PdfFixtures.h"

namespace fixtures {

namespace {

QByteArray pageWith(MiniPdf& pdf, const QByteArray& annots, int rotation) {
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const int content = pdf.addStream("", "BT /F1 12 Tf 72 705 Td (Annotated page) Tj ET");
    const int page = pdf.add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Rotate " +
                             QByteArray::number(rotation) + " /Contents " +
                             QByteArray::number(content) + " 0 R /Resources << /Font << /F1 " +
                             QByteArray::number(font) + " 0 R >> >> /Annots [" + annots + "] >>");
    pdf.set(2, "<< /Type /Pages /Kids [" + QByteArray::number(page) + " 0 R] /Count 1 >>");
    return pdf.build(1);
}

QByteArray ref(int n) {
    return QByteArray::number(n) + " 0 R ";
}

} // namespace

QByteArray foreignAnnotationsPdf(int rotation) {
    MiniPdf pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.reserve(); // 2: the page tree
    QByteArray annots;
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Square /Rect [100 500 200 600] /C [1 0 0] "
                          "/BS << /W 3 >> /T (Okular) >>"));
    const int noteFace = pdf.addStream("<< /Type /XObject /Subtype /Form /BBox [0 0 24 24] >>",
                                       "1 1 0 rg 0 0 24 24 re f");
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Text /Rect [300 500 324 524] /C [1 1 0] "
                          "/Name /Comment /Contents (A note) /AP << /N " +
                          ref(noteFace) + ">> >>"));
    const int stampFace = pdf.addStream("<< /Type /XObject /Subtype /Form /BBox [0 0 100 60] >>",
                                        "0 0 1 rg 0 0 100 60 re f");
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Stamp /Rect [100 200 200 260] /Name /Approved "
                          "/AP << /N " +
                          ref(stampFace) + ">> >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Line /Rect [345 295 505 355] "
                          "/L [350 300 500 350] /C [0 0 1] /BS << /W 2 >> >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Ink /Rect [395 595 505 655] "
                          "/InkList [[400 600 450 650 500 600]] /C [0 1 0] /BS << /W 2 >> >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Highlight /Rect [72 700 200 715] "
                          "/QuadPoints [72 715 200 715 72 700 200 700] /C [1 1 0] /CA 0.3 >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Square /Rect [400 100 500 150] /F 2 "
                          "/C [0 0 0] >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 100 200 130] "
                          "/A << /S /URI /URI (https://example.org) >> >>"));
    return pageWith(pdf, annots, rotation);
}

QByteArray sharedQuadPointsPdf() {
    MiniPdf pdf;
    pdf.add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.reserve();
    const int quads = pdf.add("[72 715 200 715 72 700 200 700]");
    QByteArray annots;
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Highlight /Rect [72 700 200 715] "
                          "/QuadPoints " +
                          ref(quads) + "/C [1 1 0] >>"));
    annots += ref(pdf.add("<< /Type /Annot /Subtype /Highlight /Rect [72 700 200 715] "
                          "/QuadPoints " +
                          ref(quads) + "/C [0 1 0] >>"));
    return pageWith(pdf, annots, 0);
}

} // namespace fixtures
