#pragma once
// A recorded page, rasterised without the document's lock on any thread.
#include "base/CancelToken.h"

#include <QImage>
#include <QRect>
#include <QSizeF>

#include <memory>

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

private:
    std::unique_ptr<DisplayListData> d_;
};

} // namespace pdf
