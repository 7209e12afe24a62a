#pragma once
// Fixtures and inspection helpers for page copying: a document with links of every kind,
// and another reader's (qpdf's) view of where the links of a written file lead.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <ostream>
#include <vector>

namespace fixtures {

// Three pages "Page 1".."Page 3". Page 1 links to page 3 (/Dest [p3 /XYZ ...]), to page 2
// through a named destination in a GoTo action, and to https://example.com/; page 3 links
// back to page 1 (/Dest [p1 /Fit]).
QByteArray linkedPdf();

struct LinkInfo {
    int page = 0;       // 1-based page holding the link
    int targetPage = 0; // 1-based page the link leads to; 0 for none in this file
    QString uri;        // for URI links
    bool operator==(const LinkInfo&) const = default;
};
void PrintTo(const LinkInfo& link, std::ostream* os);

// The links of a file as qpdf reads them, in page order.
std::vector<LinkInfo> linksInFile(const QString& path);
// Number of page objects in the file, counting ones that are in no page tree.
int pageObjectsInFile(const QString& path);
// Number of font objects in the file.
int fontObjectsInFile(const QString& path);

// Text of one page (1-based) as pdftotext reads it.
QString pdftotextPage(const QString& path, int page);
// Number of pages pdfinfo reports; -1 when it cannot read the file.
int pdfinfoPages(const QString& path);

// Share of pixels in `rect` for which `ink` holds.
double inkShare(const QImage& image, const QRect& rect);

} // namespace fixtures
