#include "support/PageFixtures.h"

#include "support/PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace fixtures {

QByteArray linkedPdf() {
    MiniPdf pdf;
    const int catalog = pdf.reserve();
    const int pagesObj = pdf.reserve();
    const int font = pdf.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    int pages[3];
    for (int& p : pages)
        p = pdf.reserve();
    auto ref = [](int n) { return QByteArray::number(n) + " 0 R"; };
    const int toThird =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 700 200 720] /Border [0 0 0] /Dest [" +
                ref(pages[2]) + " /XYZ 0 792 0] >>");
    const int toSecond =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 650 200 670] /Border [0 0 0] "
                "/A << /S /GoTo /D (second) >> >>");
    const int web = pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 600 200 620] /Border [0 0 0] "
                            "/A << /S /URI /URI (https://example.com/) >> >>");
    const int back =
        pdf.add("<< /Type /Annot /Subtype /Link /Rect [72 700 200 720] /Border [0 0 0] /Dest [" +
                ref(pages[0]) + " /Fit] >>");
    const QByteArray annots[3] = {"[" + ref(toThird) + " " + ref(toSecond) + " " + ref(web) + "]",
                                  "[]", "[" + ref(back) + "]"};
    for (int i = 0; i < 3; ++i) {
        const int content = pdf.addStream("<< >>", "BT /F1 24 Tf 72 710 Td (Page " +
                                                       QByteArray::number(i + 1) + ") Tj ET");
        pdf.set(pages[i], "<< /Type /Page /Parent " + ref(pagesObj) +
                              " /MediaBox [0 0 612 792] /Resources << /Font << /F1 " + ref(font) +
                              " >> >> /Contents " + ref(content) + " /Annots " + annots[i] + " >>");
    }
    pdf.set(pagesObj, "<< /Type /Pages /Kids [" + ref(pages[0]) + " " + ref(pages[1]) + " " +
                          ref(pages[2]) + "] /Count 3 >>");
    const int dests = pdf.add("<< /Names [(second) [" + ref(pages[1]) + " /Fit]] >>");
    pdf.set(catalog, "<< /Type /Catalog /Pages " + ref(pagesObj) + " /Names << /Dests " +
                         ref(dests) + " >> >>");
    return pdf.build(catalog);
}

void PrintTo(const LinkInfo& link, std::ostream* os) {
    *os << "{page " << link.page << " -> " << link.targetPage << " " << link.uri.toStdString()
        << "}";
}

namespace {

QJsonObject objectsOf(const QString& path) {
    const QByteArray json = runTool("qpdf", {"--json", "--json-key=qpdf", path});
    const QJsonArray qpdf = QJsonDocument::fromJson(json).object().value("qpdf").toArray();
    return qpdf.size() > 1 ? qpdf.at(1).toObject() : QJsonObject();
}

QJsonValue deref(const QJsonObject& objects, const QJsonValue& v) {
    if (v.isString() && v.toString().endsWith(" R"))
        return objects.value("obj:" + v.toString()).toObject().value("value");
    return v;
}

} // namespace

std::vector<LinkInfo> linksInFile(const QString& path) {
    const QByteArray json =
        runTool("qpdf", {"--json", "--json-key=pages", "--json-key=qpdf", path});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonArray qpdf = root.value("qpdf").toArray();
    const QJsonObject objects = qpdf.size() > 1 ? qpdf.at(1).toObject() : QJsonObject();
    QMap<QString, int> pageNumber;
    const QJsonArray pages = root.value("pages").toArray();
    for (int i = 0; i < pages.size(); ++i)
        pageNumber[pages.at(i).toObject().value("object").toString()] = i + 1;
    std::vector<LinkInfo> links;
    for (int i = 0; i < pages.size(); ++i) {
        const QJsonObject page = deref(objects, pages.at(i).toObject().value("object")).toObject();
        for (const QJsonValue a : deref(objects, page.value("/Annots")).toArray()) {
            const QJsonObject annot = deref(objects, a).toObject();
            if (annot.value("/Subtype").toString() != "/Link")
                continue;
            LinkInfo info;
            info.page = i + 1;
            QJsonValue dest = annot.value("/Dest");
            const QJsonObject action = deref(objects, annot.value("/A")).toObject();
            if (action.value("/S").toString() == "/URI")
                info.uri = action.value("/URI").toString().mid(2); // "u:" prefix
            else if (dest.isUndefined())
                dest = action.value("/D");
            const QJsonArray arr = deref(objects, dest).toArray();
            if (!arr.isEmpty())
                info.targetPage = pageNumber.value(arr.at(0).toString(), 0);
            links.push_back(info);
        }
    }
    return links;
}

int pageObjectsInFile(const QString& path) {
    int count = 0;
    for (const QJsonValue v : objectsOf(path))
        if (v.toObject().value("value").toObject().value("/Type").toString() == "/Page")
            ++count;
    return count;
}

int fontObjectsInFile(const QString& path) {
    int count = 0;
    for (const QJsonValue v : objectsOf(path))
        if (v.toObject().value("value").toObject().value("/Type").toString() == "/Font")
            ++count;
    return count;
}

QString pdftotextPage(const QString& path, int page) {
    const QString n = QString::number(page);
    return QString::fromUtf8(runTool("pdftotext", {"-f", n, "-l", n, path, "-"}));
}

int pdfinfoPages(const QString& path) {
    int code = -1;
    const QString info = QString::fromUtf8(runTool("pdfinfo", {path}, &code));
    if (code != 0)
        return -1;
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

double inkShare(const QImage& image, const QRect& rect) {
    const QRect r = rect.intersected(image.rect());
    if (r.isEmpty())
        return 0;
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 245)
                ++ink;
    return double(ink) / double(r.width() * r.height());
}

} // namespace fixtures
