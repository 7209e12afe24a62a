#pragma once
// Files shaped like those other producers write, which a reader must take as they are:
// shared annotation arrays, text beyond the page edge, odd rotations, damaged headers.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fixtures {

// Four 300 × 300 pages; pages 3 and 4 share one /Annots array object holding a red square.
QByteArray sharedAnnotsPdf();
// One 384 × 111 page: "Visible words here" on it, and five words drawn beyond each edge.
QByteArray offPageTextPdf();
// Four 200 × 400 pages with /Rotate 45, -90, 450 and 135, each with "Top" near its top.
QByteArray oddRotationPdf();
// A page tree without pages.
QByteArray zeroPagePdf();
// One page ("Damaged header") whose "%PDF-" header is overwritten by `header`.
QByteArray damagedHeaderPdf(const QByteArray& header);
// One 400 × 300 page with a text field "name" and a combo box "city" offering `cities`.
// With a `turn` (/MK /R) the name field stands upright at [20 20 50 280] instead of lying at
// [20 200 380 230].
QByteArray unicodeFormPdf(const QStringList& cities, int turn = 0);
// Text as a PDF string of UTF-16BE with its byte order mark, in hex.
QByteArray utf16Hex(const QString& text);

} // namespace fixtures
