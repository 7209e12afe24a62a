#include "support/FidelityFixtures.h"

#include "support/PdfFixtures.h"

namespace fixtures {

namespace {

QByteArray ref(int n) {
    return QByteArray::number(n) + " 0 R ";
}

const QByteArray kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

// Pages of `box` sharing one font and one content stream; returns the file.
QByteArray pagesPdf(MiniPdf& pdf, int count, const QByteArray& box, const QByteArray& content,
                    const QList<QByteArray>& extras) {
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int font = pdf.add(kHelvetica);
    const int stream = pdf.addStream("<< >>", content);
    QByteArray kids;
    for (int i = 0; i < count; ++i)
        kids += ref(pdf.add("<< /Type /Page /Parent " + ref(pagesObj) + "/MediaBox " + box +
                            " /Resources << /Font << /F " + ref(font) + ">> >> /Contents " +
                            ref(stream) + extras.value(i) + " >>"));
    pdf.set(pagesObj,
            "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + ">>");
    return pdf.build(catalog);
}

} // namespace

QByteArray utf16Hex(const QString& text) {
    QByteArray out = "<FEFF";
    for (const QChar ch : text)
        out += QByteArray::number(ch.unicode(), 16).rightJustified(4, '0').toUpper();
    return out + ">";
}

QByteArray sharedAnnotsPdf() {
    MiniPdf pdf;
    const int square =
        pdf.add("<< /Type /Annot /Subtype /Square /Rect [10 10 50 50] /C [1 0 0] >>");
    const int shared = pdf.add("[" + ref(square) + "]");
    const QByteArray annots = " /Annots " + ref(shared);
    return pagesPdf(pdf, 4, "[0 0 300 300]", "BT /F 12 Tf 20 150 Td (Shared) Tj ET",
                    {"", "", annots, annots});
}

QByteArray offPageTextPdf() {
    QByteArray content = "BT /F 12 Tf 10 50 Td (Visible words here) Tj ET\n";
    const int spots[][2] = {{500, 50}, {10, 400}, {-200, 50}, {10, -100}, {1000, 1000}};
    int k = 0;
    for (const auto& at : spots)
        content += "BT /F 12 Tf " + QByteArray::number(at[0]) + " " + QByteArray::number(at[1]) +
                   " Td (Hidden" + QByteArray::number(k++) + ") Tj ET\n";
    MiniPdf pdf;
    return pagesPdf(pdf, 1, "[0 0 384 111]", content, {});
}

QByteArray oddRotationPdf() {
    MiniPdf pdf;
    return pagesPdf(pdf, 4, "[0 0 200 400]", "BT /F 12 Tf 20 350 Td (Top) Tj ET",
                    {" /Rotate 45", " /Rotate -90", " /Rotate 450", " /Rotate 135"});
}

QByteArray zeroPagePdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.add("<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + ">>");
    return pdf.build(catalog);
}

QByteArray damagedHeaderPdf(const QByteArray& header) {
    MiniPdf pdf;
    QByteArray bytes =
        pagesPdf(pdf, 1, "[0 0 300 300]", "BT /F 12 Tf 20 150 Td (Damaged header) Tj ET", {});
    // Same length, so every offset in the cross-reference table still holds.
    return header.leftJustified(8, ' ', true) + bytes.mid(8);
}

QByteArray unicodeFormPdf(const QStringList& cities, int turn) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page = pdf.reserve();
    const int helv = pdf.add(kHelvetica);
    const QByteArray placed =
        turn ? "/Rect [20 20 50 280] /MK << /R " + QByteArray::number(turn) + " >> "
             : QByteArray("/Rect [20 200 380 230] ");
    const int name = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) " + placed +
                             "/DA (/Helv 12 Tf 0 g) /F 4 /P " + ref(page) + ">>");
    QByteArray options;
    for (const QString& city : cities)
        options += utf16Hex(city) + " ";
    const int city = pdf.add("<< /Type /Annot /Subtype /Widget /FT /Ch /Ff 131072 /T (city) "
                             "/Opt [" +
                             options + "] /Rect [20 100 380 130] /DA (/Helv 12 Tf 0 g) /F 4 /P " +
                             ref(page) + ">>");
    pdf.set(page, "<< /Type /Page /Parent " + ref(pagesObj) + "/MediaBox [0 0 400 300] /Annots [" +
                      ref(name) + ref(city) + "] >>");
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(page) + "] /Count 1 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + "/AcroForm << /Fields [" +
                         ref(name) + ref(city) + "] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv " +
                         ref(helv) + ">> >> >> >>");
    return pdf.build(catalog);
}

} // namespace fixtures
