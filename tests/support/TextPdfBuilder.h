#pragma once
// Writes small text PDFs byte by byte (Helvetica, one content stream per page), so tests
// and benchmarks know exactly where every word sits. Coordinates are PDF user space.
#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <vector>

namespace fixtures {

struct TextRun {
    double x = 72;
    double y = 720; // baseline
    double size = 12;
    QString text; // Latin-1 only
};

struct PageSpec {
    QSizeF size{612, 792};
    int rotation = 0;
    std::vector<TextRun> runs;
};

QByteArray buildTextPdf(const std::vector<PageSpec>& pages);

// `count` Letter pages, each with a heading "Page N" and `linesPerPage` lines of prose.
QByteArray buildNumberedPdf(int count, int linesPerPage = 40);

} // namespace fixtures
