#pragma once
// Helpers for driving the page view in tests.
#include "pdf/document/Document.h"

#include <QImage>
#include <QPoint>

class PdfPageView;
class PdfThumbnailView;

namespace fixtures {

// A document opened from the builder's bytes; fails the test when it does not open.
pdf::DocumentPtr openBytes(const QByteArray& bytes);

// Repaints until every visible page is sharp; false if that never happens (about 30 s).
bool waitUntilSharp(PdfPageView& view);
bool waitUntilIdle(PdfThumbnailView& view);

// What the viewport shows now, at device resolution.
QImage grabViewport(PdfPageView& view);

// Left-button gestures at viewport positions.
void dragInViewport(PdfPageView& view, QPointF from, QPointF to);
void doubleClickInViewport(PdfPageView& view, QPointF at);
void tripleClickInViewport(PdfPageView& view, QPointF at);
void clickInViewport(QWidget* viewport, QPointF at);

} // namespace fixtures
