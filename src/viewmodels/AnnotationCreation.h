#pragma once
// What the toolbar's drawing tools make, in the style chosen for them: each creation is
// one edit performed through DocumentViewModel (one undo step), and each returns false
// (changing nothing) without a document, such a page, or anything to draw.
// Geometry is in the page's PDF user space.
#include "models/AnnotationStyle.h"
#include "pdf/annotations/Annotation.h"
#include "pdf/text/Selection.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class AnnotationViewModel;
class DocumentViewModel;

namespace AnnotationCreation {

// The style a tool draws with, from the settings in AnnotationViewModel.
struct ToolStyle {
    QColor color;
    QColor fill; // invalid or transparent: none
    double lineWidth = 1;
    double fontSize = 12;
};
ToolStyle styleFor(AnnotationTool tool, const AnnotationViewModel& settings);

// Underline or strike-out (by `tool`) over each selected line, one annotation per line.
bool addMarkup(AnnotationTool tool, const AnnotationViewModel& settings,
               const std::optional<pdf::Selection>& selection, DocumentViewModel& documentVM);
// A note whose icon's top-left corner, as shown, is at `at`.
bool addNote(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
             QPointF at, const QString& text);
// The strokes of one group as one ink annotation.
bool addInk(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
            const std::vector<std::vector<QPointF>>& strokes);
bool addTextBox(const AnnotationViewModel& settings, DocumentViewModel& documentVM, int pageIndex,
                const QRectF& rect, const QString& text);
// Rectangle, oval, line or arrow (by `tool`) dragged from `from` to `to`.
bool addShape(AnnotationTool tool, const AnnotationViewModel& settings,
              DocumentViewModel& documentVM, int pageIndex, QPointF from, QPointF to);
// New text for a note or a text box edited again, as one edit.
bool changeContents(DocumentViewModel& documentVM, const pdf::AnnotationPtr& annotation,
                    const QString& text);

// Evens out a stroke's tremor: a few passes of corner cutting, ends kept.
std::vector<QPointF> smoothStroke(const std::vector<QPointF>& points);

} // namespace AnnotationCreation
