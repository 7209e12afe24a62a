#pragma once
// How large one image may grow in memory. A page rendered for the screen or for export
// and an image imported into a document stay within this budget, so that a hostile or
// oversized file cannot take the machine's memory.
#include <QSize>
#include <QSizeF>

namespace pdf {

// 64 megapixels: 256 MiB at four bytes a pixel (8000 × 8000 points at 72 dpi).
constexpr qint64 kPixelBudget = qint64(1) << 26;

// `scale` for a page of `points`, lowered just enough for its image to fit the budget.
double scaleWithinBudget(QSizeF points, double scale);

// Pixels of a page of `points` drawn at `scale`: every side rounded up, after forgiving
// the float error of a side that is a whole number of pixels. The view, the export and
// the command line all size pages by this rule.
QSize pixelSize(QSizeF points, double scale);

// True when an image of `width` × `height` pixels fits the budget.
bool withinPixelBudget(qint64 width, qint64 height);

} // namespace pdf
