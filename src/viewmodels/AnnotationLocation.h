#pragma once
// Where an annotation sits: its page's index and its place among that page's annotations.
// Edits keep this rather than the annotation object, which goes when its page is taken
// out and put back (by the undo of a page removal) while the place stays the same.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"

struct AnnotationLocation {
    int page = -1;
    int position = -1;

    // Page -1 when the annotation is not on a page of a document.
    static AnnotationLocation of(const pdf::AnnotationPtr& annotation);
    // The annotation at this place in `document`; nullptr when there is none.
    pdf::AnnotationPtr resolve(const pdf::Document& document) const;
    bool operator==(const AnnotationLocation&) const = default;
};
