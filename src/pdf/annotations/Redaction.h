#pragma once
// Redaction: marks saved as standard Redact annotations (so another program can apply them
// too), and applying them, which takes out of the document whatever lies under a mark
// instead of covering it. Geometry is in PDF user space (see Page.h).
#include "pdf/annotations/Annotation.h"

#include <QColor>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

namespace pdf {

class Document;
class Page;

struct RedactionStyle {
    QColor fill{Qt::black}; // what the area shows once applied
    QString overlayText;    // a short word drawn over the filled area ("Redacted"), or none
};

// One Redact annotation covering `areas` (one quadrilateral each), drawn as an outline in
// the fill colour until it is applied. Areas are clipped to the page's media box; nullptr
// when none of them meets the page or the page is gone.
AnnotationPtr addRedactionMark(Page& page, const std::vector<QRectF>& areas,
                               const RedactionStyle& style = {});

// The areas a Redact annotation covers (its quadrilaterals' boxes, else its rectangle);
// empty for any other annotation.
std::vector<QRectF> redactionAreas(const Annotation& annotation);

// What applying the marks of one page took away.
struct PageRedaction {
    int page = 0; // index
    int marks = 0;
    int glyphs = 0;        // characters, from the page's content, its forms and hidden layers
    int imagesCut = 0;     // images whose pixels under a mark now hold the fill colour
    int imagesRemoved = 0; // images wholly under a mark
    int paths = 0;         // painted subpaths lying wholly under a mark
    int annotations = 0;   // annotations and form fields meeting a mark
};

// Applies every Redact annotation of the document and removes it: glyphs whose centre lies
// under a mark leave the content streams (form XObjects too, invisible text included);
// image pixels under a mark take the fill colour in the image itself; painted subpaths
// wholly under a mark are removed; annotations and form fields meeting a mark are removed;
// each area is filled (with its overlay text); page thumbnails go. Afterwards the text of
// every such page is read again, and a character still lying under a mark is an error.
// Throws pdf::Error naming the page when a page cannot be redacted (damaged content, a
// locked document); the document may then be half changed and must not be written.
std::vector<PageRedaction> applyRedactions(Document& document);

// Where matches were found outside the pages' content.
struct ScrubCounts {
    int information = 0; // document information entries
    int metadata = 0;    // XMP packets (removed whole when they hold a match)
    int outline = 0;     // bookmark titles
    int annotations = 0; // annotation contents, authors and subjects
    int fields = 0;      // form field values
    int total() const { return information + metadata + outline + annotations + fields; }
};

// Replaces, through `scrub`, the matches in the document's text outside its pages:
// `scrub` rewrites its argument and returns how many matches it replaced. Annotations and
// fields whose text changed are drawn again. Throws pdf::Error.
ScrubCounts scrubDocumentText(Document& document, const std::function<int(QString&)>& scrub);

} // namespace pdf
