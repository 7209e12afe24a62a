#pragma once
// Where links and outline entries lead. Positions are in display space (points, origin at
// the page's top-left corner, rotation applied), the space the page view lays pages out in.
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

namespace pdf {

class Document;
class Page;

struct Destination {
    int page = -1;              // -1: leads nowhere in this document
    std::optional<double> top;  // the height to bring to the top of the view, when given
    std::optional<double> left; // the left edge to bring into view, when given
    bool isValid() const { return page >= 0; }
    bool operator==(const Destination&) const = default;
};

struct Link {
    QRectF rect;             // the area that reacts to the pointer, in display space
    QString uri;             // the address of an external link; empty for internal ones
    Destination destination; // where an internal link leads
    bool isExternal() const { return !uri.isEmpty(); }
};

struct OutlineItem {
    QString title;
    Destination destination;
    QString uri;       // an entry that opens an address rather than a page
    bool open = false; // shown expanded when the document is opened
    std::vector<OutlineItem> children;
};

// The page's links, in display space; named destinations are resolved.
std::vector<Link> links(const Page& page);
// The table of contents, empty when the document has none. Entries reached twice (a
// damaged file whose outline loops) are listed once.
std::vector<OutlineItem> outline(const Document& document);
// Where a named destination leads; invalid when the name is not defined.
Destination namedDestination(const Document& document, const QString& name);

} // namespace pdf
