#include "support/HostileFixtures.h"

#include "support/PdfFixtures.h"

namespace fixtures {

namespace {

QByteArray ref(int n) {
    return QByteArray::number(n) + " 0 R ";
}

QByteArray escapedBytes(const QByteArray& raw) {
    QByteArray out;
    for (char ch : raw) {
        if (ch == '(' || ch == ')' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}

// One page with the given annotations; returns the file.
QByteArray onePage(MiniPdf& pdf, int catalog, int pagesObj, int page, const QByteArray& annots,
                   const QByteArray& extraCatalog = {}) {
    const int helv = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const int contents = pdf.addStream("<< >>", "BT /Helv 12 Tf 72 720 Td (Hostile) Tj ET");
    pdf.set(page, "<< /Type /Page /Parent " + ref(pagesObj) +
                      "/MediaBox [0 0 612 792] /Resources << /Font << /Helv " + ref(helv) +
                      ">> >> /Contents " + ref(contents) +
                      (annots.isEmpty() ? "" : "/Annots [" + annots + "]") + " >>");
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + extraCatalog + " >>");
    return pdf.build(catalog);
}

} // namespace

QByteArray lyingCountPdf(qint64 claimed) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    onePage(pdf, catalog, pagesObj, page, {});
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(page) + "] /Count " +
                          QByteArray::number(claimed) + " >>");
    return pdf.build(catalog);
}

QByteArray loopingPageTreePdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int inner = pdf.reserve();
    const int page = pdf.reserve();
    onePage(pdf, catalog, pagesObj, page, {});
    const int second =
        pdf.add("<< /Type /Page /Parent " + ref(inner) + "/MediaBox [0 0 300 400] >>");
    // The inner node lists the root (a loop), and both list the first page (a repeat).
    pdf.set(inner, "<< /Type /Pages /Parent " + ref(pagesObj) + "/Kids [" + ref(pagesObj) +
                       ref(second) + ref(page) + "] /Count 3 >>");
    pdf.set(pagesObj,
            "<< /Type /Pages /Kids [" + ref(page) + ref(inner) + ref(inner) + "] /Count 7 >>");
    return pdf.build(catalog);
}

QByteArray selfListingFieldPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    const int field = pdf.reserve();
    const int widget = pdf.add("<< /Type /Annot /Subtype /Widget /Parent " + ref(field) +
                               "/Rect [72 680 300 700] /F 4 /P " + ref(page) + ">>");
    pdf.set(field, "<< /FT /Tx /T (loop) /V (round) /DA (/Helv 12 Tf 0 g) /Kids [" + ref(widget) +
                       ref(field) + ref(field) + ref(field) + ref(field) + ref(field) + "] >>");
    return onePage(pdf, catalog, pagesObj, page, ref(widget),
                   "/AcroForm << /Fields [" + ref(field) + "] >>");
}

QByteArray loopingNamesPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    const int names = pdf.reserve();
    pdf.set(names, "<< /Kids [" + ref(names) + ref(names) + "] /Limits [(a) (z)] >>");
    const int link =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 72 200 100] /Dest (missing) >>");
    const int outline = pdf.reserve();
    const int first = pdf.reserve();
    pdf.set(first, "<< /Title (Loop) /Parent " + ref(outline) + "/Next " + ref(first) + "/First " +
                       ref(first) + "/Dest [" + ref(page) + "/Fit] >>");
    pdf.set(outline, "<< /Type /Outlines /First " + ref(first) + "/Last " + ref(first) + ">>");
    const int structure = pdf.reserve();
    pdf.set(structure, "<< /Type /StructTreeRoot /K [" + ref(structure) + ref(structure) + "] >>");
    return onePage(pdf, catalog, pagesObj, page, ref(link),
                   "/Names << /Dests " + ref(names) + ">> /Outlines " + ref(outline) +
                       "/StructTreeRoot " + ref(structure));
}

QByteArray namedFieldPdf(const QString& name) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    const int widget = pdf.add(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (" + escapedBytes(name.toLatin1()) +
        ") /V (value) /DA (/Helv 12 Tf 0 g) /Rect [72 680 300 700] /F 4 /P " + ref(page) + ">>");
    return onePage(pdf, catalog, pagesObj, page, ref(widget),
                   "/AcroForm << /Fields [" + ref(widget) + "] >>");
}

QByteArray titledPdf(const QByteArray& title) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    onePage(pdf, catalog, pagesObj, page, {});
    const int info =
        pdf.add("<< /Title (" + escapedBytes(title) + ") /Author (" + escapedBytes(title) + ") >>");
    return pdf.build(catalog, "/Info " + ref(info));
}

QByteArray blankPagesPdf(int pages, double width, double height) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    QByteArray kids;
    const QByteArray box =
        "[0 0 " + QByteArray::number(width) + " " + QByteArray::number(height) + "]";
    for (int i = 0; i < pages; ++i)
        kids +=
            ref(pdf.add("<< /Type /Page /Parent " + ref(pagesObj) + "/MediaBox " + box + " >>"));
    pdf.set(pagesObj,
            "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + ">>");
    return pdf.build(catalog);
}

QByteArray pngHeaderOnly(quint32 width, quint32 height) {
    auto crc = [](const QByteArray& bytes) {
        quint32 c = 0xFFFFFFFFu;
        for (char ch : bytes) {
            c ^= quint8(ch);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    auto be32 = [](quint32 v) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[i] = char(v >> (24 - 8 * i));
        return out;
    };
    auto chunk = [&](const QByteArray& type, const QByteArray& data) {
        return be32(quint32(data.size())) + type + data + be32(crc(type + data));
    };
    const QByteArray ihdr = be32(width) + be32(height) + QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
           chunk("IDAT", QByteArray(16, 'x')) + chunk("IEND", {});
}

} // namespace fixtures
