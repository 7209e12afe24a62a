#pragma once
// Editing the annotations already on a page, whoever made them: finding the one under a
// point, moving, resizing, restyling and removing it, and taking a copy of its dictionary
// that an undo puts back exactly. Geometry is in PDF user space, as everywhere in pdf/.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace pdf {

// What a selection needs to know of an annotation.
struct AnnotationFacts {
    QString subtype;
    QRectF frame;                                        // Rect, or the marked area for text markup
    QColor color;                                        // invalid when the annotation has none
    std::optional<std::pair<QPointF, QPointF>> lineEnds; // Line annotations only
    double lineWidth = 0;                                // border width, 0 when none
    double fontSize = 0;                                 // FreeText only
};

std::optional<AnnotationFacts> annotationFacts(const Annotation& annotation);

// Annotations a person can pick on the page: not form widgets, links, popups, hidden or
// locked ones. Listed in drawing order.
std::vector<AnnotationPtr> editableAnnotations(const Page& page);
bool isEditable(const Annotation& annotation);

// The editable annotations whose frame, grown by `slop` points, holds `point` (a line's
// stroke, for lines), topmost first; annotationAt gives the topmost.
std::vector<AnnotationPtr> annotationsAt(const Page& page, QPointF point, double slop = 0);
AnnotationPtr annotationAt(const Page& page, QPointF point, double slop = 0);

// Which restyling an annotation of this subtype takes.
bool takesColor(const QString& subtype);
bool takesLineWidth(const QString& subtype);
bool takesFontSize(const QString& subtype);

// Each edit returns false when nothing changed (the annotation is gone, the values are
// the same, or the engine refused). The appearance is made again where the engine can
// draw the subtype; where it cannot (stamps, our own lettered free text), the existing
// appearance is kept and follows the Rect.
bool moveAnnotation(Annotation& annotation, QPointF delta);
// The frame becomes `frame`; every point the annotation is drawn from is scaled with it.
bool resizeAnnotation(Annotation& annotation, const QRectF& frame);
bool setLineEnds(Annotation& annotation, QPointF start, QPointF end);
// Colour with its alpha as opacity; free text takes it as its text colour.
bool setAnnotationColor(Annotation& annotation, const QColor& color);
bool setAnnotationLineWidth(Annotation& annotation, double width);
bool setAnnotationFontSize(Annotation& annotation, double size);

// A copy of an annotation's dictionary. The appearance streams it names are never written
// over by the edits above (a new appearance is a new stream), so restoring the copy brings
// back exactly what the annotation was.
class AnnotationSnapshot {
public:
    ~AnnotationSnapshot();
    AnnotationSnapshot(const AnnotationSnapshot&) = delete;
    AnnotationSnapshot& operator=(const AnnotationSnapshot&) = delete;

    QString subtype() const { return subtype_; }
    // The same keys and values; objects of the document are compared by reference.
    bool sameAs(const AnnotationSnapshot& other) const;

    struct Data;
    explicit AnnotationSnapshot(std::unique_ptr<Data> d, QString subtype);
    const Data& data() const { return *d_; }

private:
    std::unique_ptr<Data> d_;
    QString subtype_;
};

std::shared_ptr<const AnnotationSnapshot> snapshot(const Annotation& annotation);
// Puts the dictionary back as it was when the snapshot was taken.
bool restore(Annotation& annotation, const AnnotationSnapshot& snapshot);
// Adds a removed annotation back to `page` (the last one drawn) from its snapshot.
AnnotationPtr reinsert(Page& page, const AnnotationSnapshot& snapshot);

} // namespace pdf
