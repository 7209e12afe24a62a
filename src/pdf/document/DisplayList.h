#pragma once
// A recorded page, rasterised without the document's lock on any thread.
#include <QImage>
#include <QRect>
#include <QSizeF>

#include <memory>

namespace pdf {

struct DisplayListData;

// Stops a render or a recording from another thread. The engine looks at it between
// drawing operations, so a cancelled render ends soon after and returns no image, and a
// cancelled recording no display list. For one render or recording at a time.
class RenderCancel {
public:
    RenderCancel();
    ~RenderCancel();
    RenderCancel(const RenderCancel&) = delete;
    RenderCancel& operator=(const RenderCancel&) = delete;

    void cancel();
    bool isCancelled() const;

private:
    friend class DisplayList;
    friend class Page;
    struct Cookie;
    std::unique_ptr<Cookie> cookie_;
};

class DisplayList {
public:
    explicit DisplayList(std::unique_ptr<DisplayListData> d);
    ~DisplayList();

    // Page size as shown (rotation applied), in points.
    QSizeF size() const;
    // Renders at `scale` (1 = 72 dpi) on white. With a non-empty `clip` (pixels in the
    // full image at that scale) only that part is rendered and returned.
    // `cancel`, when cancelled from another thread, stops the work early (null image).
    QImage render(double scale, QRect clip = {}, RenderCancel* cancel = nullptr) const;

private:
    std::unique_ptr<DisplayListData> d_;
};

} // namespace pdf
