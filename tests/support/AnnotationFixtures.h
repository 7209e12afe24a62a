#pragma once
// A page of annotations as other programs write them, byte by byte: some without an
// appearance stream, some with their own.
#include <QByteArray>

namespace fixtures {

// One 612 x 792 page (turned by `rotation`) holding, in this order:
//  0 Square [100 500 200 600], red, border 3, no appearance
//  1 Text note [300 500 324 524], yellow, its own appearance (a filled yellow box)
//  2 Stamp [100 200 200 260], its own appearance (a filled blue box), no colour
//  3 Line from (350, 300) to (500, 350), blue, width 2, no appearance
//  4 Ink stroke (400, 600) (450, 650) (500, 600), green, width 2, no appearance
//  5 Highlight over [72 700 200 715], yellow at 0.3, no appearance
//  6 a hidden Square [400 100 500 150] and 7 a Link [72 100 200 130] (neither is picked)
// The page's text reads "Annotated page" at (72, 705).
QByteArray foreignAnnotationsPdf(int rotation = 0);

// Two highlights that share one QuadPoints array (an indirect object).
QByteArray sharedQuadPointsPdf();

} // namespace fixtures
