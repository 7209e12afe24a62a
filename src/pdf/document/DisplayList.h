#pragma once
// A recorded page, rasterised without the document's lock on any thread.
#include "base/CancelToken.h"

#include <QImage>
#include <QRect>
#include <QSizeF>

#include <memory>
#include <vector>

namespace pdf {

struct DisplayListData;

class DisplayList {
public:
    explicit DisplayList(std::unique_ptr<DisplayListData> d);
    ~DisplayList();

    // Page size as shown (rotation applied), in points.
    QSizeF size() const;
    // Renders at `scale` (1 = 72 dpi) on white. With a non-empty `clip` (pixels in the
    // full image at that scale) only that part is rendered and returned.
    // `cancel`, when cancelled from another thread, stops the work early (null image): the
    // engine looks at it between drawing operations.
    QImage render(double scale, QRect clip = {}, const base::CancelToken* cancel = nullptr) const;
    // Where the page draws pictures, in pixels of the full image at `scale` (at most 256
    // rectangles; none when the recording cannot be read). Reading colours leave these be.
    std::vector<QRect> imageRects(double scale) const;

private:
    std::unique_ptr<DisplayListData> d_;
};

} // namespace pdf
