#pragma once
// The annotations the toolbar's drawing tools make: text markup, notes, ink, text boxes,
// rectangles, ellipses, lines and arrows. Each gets its appearance stream when it is made,
// so every reader draws it the same way. Geometry is in PDF user space (see Page.h);
// notes and text boxes read upright as the page is shown, whatever its /Rotate.
// Each returns the new annotation, or nullptr when the page is gone or nothing fits.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

namespace pdf {

enum class MarkupKind { Underline, StrikeOut };
enum class ShapeKind { Rectangle, Ellipse };

// Underline or strike-out over `rect` (QuadPoints equal to the rectangle).
AnnotationPtr addTextMarkup(Page& page, MarkupKind kind, const QRectF& rect, const QColor& color);

// A sticky note (Text annotation) whose icon's top-left corner, as shown, is at `at`.
AnnotationPtr addNote(Page& page, QPointF at, const QString& text, const QColor& color);
// The side of a note's icon, in points.
constexpr double kNoteIconSize = 20;

// One ink annotation drawing each stroke (two points at least) as a polyline.
AnnotationPtr addInk(Page& page, const std::vector<std::vector<QPointF>>& strokes,
                     const QColor& color, double lineWidth);

// A rectangle or an ellipse inscribed in `rect`; `fill` invalid or transparent for none.
AnnotationPtr addShape(Page& page, ShapeKind kind, const QRectF& rect, const QColor& stroke,
                       const QColor& fill, double lineWidth);

// A line from `from` to `to`, with an open arrowhead at `to` when `arrow`.
AnnotationPtr addLine(Page& page, QPointF from, QPointF to, const QColor& color, double lineWidth,
                      bool arrow);

// A free-text box without border or background: `text` wrapped inside `rect`, in any
// script (fonts that cover it are embedded), at `fontSize` in `color`.
AnnotationPtr addTextBox(Page& page, const QRectF& rect, const QString& text, double fontSize,
                         const QColor& color);

// New text for a note; its icon stays as it is. False for other annotations.
bool setNoteText(Annotation& note, const QString& text);

// True for a text box as addTextBox makes them (a free-text annotation with the
// typewriter intent: plain text, no callout), whoever made it.
bool isTextBox(const Annotation& annotation);
// New text for a free-text box, drawn again as addTextBox draws it: its width, top edge,
// size and colour stay, its height follows the text. False (nothing changed) for other
// annotations or an empty text.
bool setTextBoxText(Annotation& box, const QString& text);

} // namespace pdf
