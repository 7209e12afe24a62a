#include "support/PdfFixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace fixtures {

int MiniPdf::add(const QByteArray& body) {
    objects_.push_back(body);
    return int(objects_.size());
}

int MiniPdf::reserve() {
    return add(QByteArray());
}

void MiniPdf::set(int number, const QByteArray& body) {
    objects_[size_t(number - 1)] = body;
}

int MiniPdf::addStream(const QByteArray& dict, const QByteArray& data) {
    QByteArray d = dict.trimmed();
    if (d.endsWith(">>"))
        d.chop(2);
    else
        d = "<<";
    const QByteArray body =
        d + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream";
    return add(body);
}

QByteArray MiniPdf::build(int catalog, const QByteArray& extraTrailer) const {
    QByteArray out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<qsizetype> offsets;
    for (size_t i = 0; i < objects_.size(); ++i) {
        offsets.push_back(out.size());
        out += QByteArray::number(qulonglong(i + 1)) + " 0 obj\n" + objects_[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(qulonglong(objects_.size() + 1)) + "\n";
    out += "0000000000 65535 f \n";
    for (qsizetype off : offsets)
        out += QByteArray::number(qlonglong(off)).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(qulonglong(objects_.size() + 1)) + " /Root " +
           QByteArray::number(catalog) + " 0 R " + extraTrailer + " >>\nstartxref\n" +
           QByteArray::number(qlonglong(xref)) + "\n%%EOF\n";
    return out;
}

QByteArray pdfString(const QString& text) {
    QByteArray out = "(";
    for (QChar ch : text) {
        const char c = ch.toLatin1();
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

QByteArray textPdf(const std::vector<QStringList>& pages, double width, double height) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int font = pdf.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    QByteArray kids;
    for (const QStringList& lines : pages) {
        QByteArray content = "BT /F1 12 Tf 16 TL 72 " + QByteArray::number(height - 72) + " Td\n";
        for (const QString& line : lines)
            content += pdfString(line) + " Tj T*\n";
        content += "ET\n";
        const int stream = pdf.addStream("<< >>", content);
        const int page = pdf.add("<< /Type /Page /Parent " + QByteArray::number(pagesObj) +
                                 " 0 R /MediaBox [0 0 " + QByteArray::number(width) + " " +
                                 QByteArray::number(height) + "] /Resources << /Font << /F1 " +
                                 QByteArray::number(font) + " 0 R >> >> /Contents " +
                                 QByteArray::number(stream) + " 0 R >>");
        kids += QByteArray::number(page) + " 0 R ";
    }
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                          QByteArray::number(qulonglong(pages.size())) + " >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pagesObj) + " 0 R >>");
    return pdf.build(catalog);
}

QByteArray numberedPdf(int count, const QString& line) {
    std::vector<QStringList> pages;
    for (int i = 1; i <= count; ++i)
        pages.push_back({QStringLiteral("Page %1").arg(i), line});
    return textPdf(pages);
}

QByteArray navigationPdf(bool loop) {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    std::vector<int> pages;
    for (int i = 0; i < 5; ++i)
        pages.push_back(pdf.reserve());
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R"; };
    auto linkAnnot = [&](int y, const QByteArray& action) {
        return pdf.add("<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect [72 " +
                       QByteArray::number(y) + " 272 " + QByteArray::number(y + 30) + "] " +
                       action + " >>");
    };
    const int toPage4 = linkAnnot(600, "/Dest [" + ref(pages[3]) + " /XYZ 0 500 0]");
    const int toNamed = linkAnnot(500, "/Dest (chapter2)");
    const int toWeb = linkAnnot(400, "/A << /S /URI /URI (https://example.org/guide) >>");
    QByteArray kids;
    for (int i = 0; i < 5; ++i) {
        const int stream = pdf.addStream("<< >>", "BT /F1 24 Tf 72 720 Td (Page " +
                                                      QByteArray::number(i + 1) + ") Tj ET\n");
        QByteArray annots;
        if (i == 0)
            annots = " /Annots [" + ref(toPage4) + " " + ref(toNamed) + " " + ref(toWeb) + "]";
        pdf.set(pages[i], "<< /Type /Page /Parent " + ref(pagesObj) +
                              " /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + ref(font) +
                              " >> >> /Contents " + ref(stream) + annots + " >>");
        kids += ref(pages[i]) + " ";
    }
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + kids + "] /Count 5 >>");
    const int names = pdf.add("<< /Names [(chapter2) [" + ref(pages[2]) + " /XYZ 0 400 0]] >>");

    const int outlines = pdf.reserve();
    const int part1 = pdf.reserve();
    const int chapter1 = pdf.reserve();
    const int section = pdf.reserve();
    const int part2 = pdf.reserve();
    const int website = pdf.reserve();
    pdf.set(outlines,
            "<< /Type /Outlines /First " + ref(part1) + " /Last " + ref(website) + " /Count 5 >>");
    pdf.set(part1, "<< /Title (Part I) /Parent " + ref(outlines) + " /Next " + ref(part2) +
                       " /First " + ref(chapter1) + " /Last " + ref(chapter1) +
                       " /Count 2 /Dest [" + ref(pages[0]) + " /Fit] >>");
    pdf.set(chapter1, "<< /Title (Chapter 1) /Parent " + ref(part1) + " /First " + ref(section) +
                          " /Last " + ref(section) + " /Count -1 /Dest [" + ref(pages[1]) +
                          " /XYZ 0 700 0] >>");
    pdf.set(section, "<< /Title (Section 1.1) /Parent " + ref(chapter1) + " /Dest [" +
                         ref(pages[2]) + " /Fit] >>");
    pdf.set(part2, "<< /Title (Part II) /Parent " + ref(outlines) + " /Prev " + ref(part1) +
                       " /Next " + ref(website) + " /Dest (chapter2) >>");
    pdf.set(website, "<< /Title (Website) /Parent " + ref(outlines) + " /Prev " + ref(part2) +
                         (loop ? " /Next " + ref(part1) : QByteArray()) +
                         " /A << /S /URI /URI (https://example.org/guide) >> >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + " /Outlines " + ref(outlines) +
                         " /Names << /Dests " + ref(names) + " >> >>");
    return pdf.build(catalog);
}

QByteArray formPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int page1 = pdf.reserve();
    const int page2 = pdf.reserve();
    const int helv = pdf.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    const int zadb = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>");
    const QByteArray p1 = QByteArray::number(page1) + " 0 R";
    const QByteArray p2 = QByteArray::number(page2) + " 0 R";
    auto onAp = [&](const QByteArray& name) {
        const int on = pdf.addStream("<< /Type /XObject /Subtype /Form /BBox [0 0 14 14] >>",
                                     "q 0 g BT /ZaDb 10 Tf 2 3 Td (4) Tj ET Q");
        const int off = pdf.addStream("<< /Type /XObject /Subtype /Form /BBox [0 0 14 14] >>", "");
        return "<< /N << /" + name + " " + QByteArray::number(on) + " 0 R /Off " +
               QByteArray::number(off) + " 0 R >> >>";
    };
    const int name = pdf.add(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Alice) /Rect [72 680 300 700] "
        "/DA (/Helv 12 Tf 0 g) /F 4 /P " +
        p1 + " >>");
    const int agree =
        pdf.add("<< /Type /Annot /Subtype /Widget /FT /Btn /T (agree) /V /Off /AS /Off "
                "/Rect [72 640 86 654] /F 4 /MK << /CA (4) >> /DA (/ZaDb 0 Tf 0 g) /AP " +
                onAp("Yes") + " /P " + p1 + " >>");
    const int radio = pdf.reserve();
    const int ra = pdf.add(
        "<< /Type /Annot /Subtype /Widget /Parent " + QByteArray::number(radio) +
        " 0 R /AS /a /Rect [72 600 86 614] /F 4 /MK << /CA (l) >> /DA (/ZaDb 0 Tf 0 g) /AP " +
        onAp("a") + " /P " + p1 + " >>");
    const int rb = pdf.add(
        "<< /Type /Annot /Subtype /Widget /Parent " + QByteArray::number(radio) +
        " 0 R /AS /Off /Rect [100 600 114 614] /F 4 /MK << /CA (l) >> /DA (/ZaDb 0 Tf 0 g) /AP " +
        onAp("b") + " /P " + p1 + " >>");
    pdf.set(radio, "<< /FT /Btn /Ff 49152 /T (choice) /V /a /Kids [" + QByteArray::number(ra) +
                       " 0 R " + QByteArray::number(rb) + " 0 R] >>");
    const int colour = pdf.add(
        "<< /Type /Annot /Subtype /Widget /FT /Ch /Ff 131072 /T (colour) /V (Red) "
        "/Opt [(Red) (Green) (Blue)] /Rect [72 560 200 580] /DA (/Helv 12 Tf 0 g) /F 4 /P " +
        p1 + " >>");
    const int sig = pdf.add(
        "<< /Type /Annot /Subtype /Widget /FT /Sig /T (sig) /Rect [72 480 272 530] /F 4 /P " + p1 +
        " >>");
    const int city = pdf.add(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (city) /V (Paris) /Rect [72 680 300 700] "
        "/DA (/Helv 12 Tf 0 g) /F 4 /P " +
        p2 + " >>");
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R "; };
    const int c1 = pdf.addStream("<< >>", "BT /Helv 12 Tf 72 720 Td (Application form) Tj ET");
    const int c2 = pdf.addStream("<< >>", "BT /Helv 12 Tf 72 720 Td (Second page) Tj ET");
    const QByteArray res = "<< /Font << /Helv " + ref(helv) + " /ZaDb " + ref(zadb) + ">> >>";
    pdf.set(page1, "<< /Type /Page /Parent " + ref(pagesObj) +
                       "/MediaBox [0 0 612 792] /Resources " + res + " /Contents " + ref(c1) +
                       "/Annots [" + ref(name) + ref(agree) + ref(ra) + ref(rb) + ref(colour) +
                       ref(sig) + "] >>");
    pdf.set(page2, "<< /Type /Page /Parent " + ref(pagesObj) +
                       "/MediaBox [0 0 612 792] /Resources " + res + " /Contents " + ref(c2) +
                       "/Annots [" + ref(city) + "] >>");
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(page1) + ref(page2) + "] /Count 2 >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + "/AcroForm << /Fields [" +
                         ref(name) + ref(agree) + ref(radio) + ref(colour) + ref(sig) + ref(city) +
                         "] /DA (/Helv 0 Tf 0 g) "
                         "/DR << /Font << /Helv " +
                         ref(helv) + "/ZaDb " + ref(zadb) + ">> >> >> >>");
    return pdf.build(catalog);
}

QByteArray truncatedPdf() {
    const QByteArray full = numberedPdf(3);
    return full.left(full.size() / 3);
}

QByteArray garbageBytes() {
    QByteArray bytes(4096, '\0');
    QRandomGenerator rng(42);
    for (auto& b : bytes)
        b = char(rng.bounded(256));
    bytes[0] = 'X';
    return bytes;
}

QByteArray brokenXrefPdf() {
    QByteArray bytes = numberedPdf(2);
    const qsizetype xref = bytes.lastIndexOf("xref\n0 ");
    // Shift every offset so none points at an object, and point startxref nowhere.
    QByteArray broken = bytes.left(xref) + "xref\n0 1\n0000000000 65535 f \n" +
                        bytes.mid(bytes.indexOf("trailer", xref));
    broken.replace(broken.lastIndexOf("startxref\n") + 10, 3, "999");
    return broken;
}

QString writeTemp(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray runTool(const QString& program, const QStringList& args, int* exitCode,
                   QByteArray* errorOutput) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    p.closeWriteChannel();
    p.waitForFinished(300000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    if (errorOutput)
        *errorOutput = p.readAllStandardError();
    return p.readAllStandardOutput();
}

bool toolAvailable(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace fixtures
