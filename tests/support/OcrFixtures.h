#pragma once
// Scanned-style fixtures for text recognition: text drawn into page-sized images, and
// PDFs whose pages are only such images (no text layer).
#include "pdf/document/Document.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace fixtures {

// A few paragraphs of plain English prose, the same on every call.
QString samplePassage();

// `text` broken into lines that fit `widthPoints` at `pointSize` in the fixture font.
QStringList wrapText(const QString& text, double pointSize, double widthPoints);

// A white US Letter page image at `dpi` with `lines` drawn from the top-left margin.
QImage textPageImage(const QStringList& lines, double pointSize = 12, int dpi = 144);
QImage blankPageImage(int dpi = 144);

// A document of US Letter pages, each showing one image over the whole page and
// carrying no text. Null images give blank pages.
pdf::DocumentPtr imageOnlyDocument(const std::vector<QImage>& pages);

// A document whose pages each hold one image as page content (the way scanners write
// them), over the whole US Letter page, and no text.
pdf::DocumentPtr scannedDocument(const std::vector<QImage>& pages);

// The ink box, in points from the page's top-left corner, of the first occurrence of `word`
// as textPageImage draws `lines`; empty when the word is not there.
QRectF drawnWordBox(const QStringList& lines, const QString& word, double pointSize = 12,
                    int dpi = 144);

// Share of the reference words found in order in `recognised` (1 - word edit distance / words).
double wordAccuracy(const QString& reference, const QString& recognised);

} // namespace fixtures
