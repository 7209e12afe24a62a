#pragma once
// What a page draws, read back as paths, glyphs and images in PDF user space (origin
// bottom-left, y up), in drawing order. Lets tests and tools check geometry, colours
// and opacities of written files without rasterising them.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

#include <optional>
#include <vector>

namespace pdf {

struct TracedPath {
    int order = 0;             // position in the page's drawing sequence
    bool stroked = false;      // false: filled
    QList<QPolygonF> subpaths; // points of each subpath, curves flattened
    QRectF bounds;
    QColor color;         // RGB, alpha = opacity
    double lineWidth = 0; // strokes only, in user space
};

struct TracedGlyph {
    int order = 0;
    char32_t unicode = 0;
    QPointF origin;
    double size = 0;
};

struct TracedImage {
    int order = 0;
    QRectF rect;
    QSize pixelSize;
};

struct PageTrace {
    QRectF mediaBox;
    std::vector<TracedPath> paths;
    std::vector<TracedGlyph> glyphs;
    std::vector<TracedImage> images;

    // nullopt when the bytes are no PDF or the page does not exist.
    static std::optional<PageTrace> fromData(const QByteArray& bytes, int pageIndex);
    // The glyphs' text in drawing order.
    QString text() const;
};

} // namespace pdf
