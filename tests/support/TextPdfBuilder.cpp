#include "TextPdfBuilder.h"

namespace fixtures {
namespace {

QByteArray escaped(const QString& text) {
    QByteArray out;
    for (char c : text.toLatin1()) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

QByteArray num(double v) {
    return QByteArray::number(v, 'f', 2);
}

} // namespace

QByteArray buildTextPdf(const std::vector<PageSpec>& pages) {
    const int n = int(pages.size());
    // Objects: 1 catalog, 2 pages, 3 font, then per page: page object, content stream.
    std::vector<QByteArray> objects(3 + 2 * n);
    QByteArray kids;
    for (int i = 0; i < n; ++i)
        kids += QByteArray::number(4 + 2 * i) + " 0 R ";
    objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(n) + " >>";
    objects[2] =
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    for (int i = 0; i < n; ++i) {
        const PageSpec& p = pages[i];
        QByteArray content;
        for (const TextRun& r : p.runs)
            content += "BT /F1 " + num(r.size) + " Tf " + num(r.x) + " " + num(r.y) + " Td (" +
                       escaped(r.text) + ") Tj ET\n";
        objects[3 + 2 * i] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + num(p.size.width()) +
                             " " + num(p.size.height()) + "] /Rotate " +
                             QByteArray::number(p.rotation) +
                             " /Resources << /Font << /F1 3 0 R >> >> /Contents " +
                             QByteArray::number(5 + 2 * i) + " 0 R >>";
        objects[4 + 2 * i] = "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
                             content + "endstream";
    }
    QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<qsizetype> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += QByteArray::number(qulonglong(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf +=
        "xref\n0 " + QByteArray::number(qulonglong(objects.size() + 1)) + "\n0000000000 65535 f \n";
    for (qsizetype off : offsets)
        pdf += QByteArray::number(qlonglong(off)).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(qulonglong(objects.size() + 1)) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(qlonglong(xref)) + "\n%%EOF\n";
    return pdf;
}

QByteArray buildNumberedPdf(int count, int linesPerPage) {
    static const char* const words[] = {
        "The quick brown fox jumps over the lazy dog while the reader turns the page.",
        "Every page of this document carries the same measured paragraph of prose.",
        "Rendering should stay sharp at any zoom, and scrolling should never stall.",
        "Selections follow the text line by line, across pages when the drag does."};
    std::vector<PageSpec> pages(count);
    for (int i = 0; i < count; ++i) {
        pages[i].runs.push_back({72, 730, 24, QStringLiteral("Page %1").arg(i + 1)});
        for (int l = 0; l < linesPerPage; ++l)
            pages[i].runs.push_back({72, 700.0 - l * 15, 11, QString::fromLatin1(words[l % 4])});
    }
    return buildTextPdf(pages);
}

} // namespace fixtures
