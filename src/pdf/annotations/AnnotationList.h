#pragma once
// Every annotation of a document as a reader lists them for review: kind, author, date,
// page and text, with replies (/IRT) naming the annotation they answer. Read from the page
// objects without loading the pages, within bounds: at most kMaxListedAnnotations in all.
// Links, form widgets and pop-ups are not listed: they are not anybody's remarks.
#include "pdf/annotations/Annotation.h"

#include <QDateTime>
#include <QRectF>
#include <QString>

#include <vector>

namespace pdf {

class Document;
class Page;

struct AnnotationEntry {
    int page = -1;
    int object = 0; // the annotation's object number; 0 for one written in place
    QString subtype{};
    QString author{};
    QString contents{};
    QDateTime date{};  // last modified, else created; invalid when the file says neither
    int inReplyTo = 0; // object number of the annotation answered, 0 for none
};

constexpr int kMaxListedAnnotations = 100000;

// In page order, and in each page as its /Annots has them. Empty for a locked document.
std::vector<AnnotationEntry> listAnnotations(const Document& document);

// The object number of a live annotation; 0 when it has none or is gone.
int objectNumber(const Annotation& annotation);
// The annotation of `page` with that object number, or nullptr.
AnnotationPtr annotationByObject(const Page& page, int object);

// A reply to `to` (a note beside it that names it in /IRT), with `text` by `author`,
// dated now. nullptr when `to` is gone or has no object number.
AnnotationPtr addReply(Page& page, const Annotation& to, const QString& text,
                       const QString& author);

} // namespace pdf
