#pragma once
// An invisible text layer over a scanned page: recognised words drawn in text render mode
// 3 (neither filled nor stroked), each stretched over the box where it was read, so that
// selecting, searching and highlighting in any reader mark the word in the picture. The
// page's own content streams and images are left byte for byte as they were.
#include <QLineF>
#include <QRectF>
#include <QString>

#include <vector>

namespace pdf {

class Page;

// Boxes are in display space: points, origin top-left, the page's rotation applied, which
// is how a page rendered for recognition is seen.
struct TextLayerWord {
    QString text;
    QRectF box;
};

struct TextLayerLine {
    std::vector<TextLayerWord> words;
    QLineF baseline;    // through the line, left to right
    double ascent = 0;  // from the baseline to the top of the tallest letters
    double descent = 0; // from the baseline down to the bottom of descenders (positive)
};

// Whether `page` carries a layer that addTextLayer put there.
bool hasTextLayer(const Page& page);

// Puts `lines` on `page` as invisible text; a layer added before is replaced, never
// doubled. False when the page is detached or the engine fails.
bool addTextLayer(Page& page, const std::vector<TextLayerLine>& lines);

} // namespace pdf
