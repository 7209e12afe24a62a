#include "pdf/document/DisplayList.h"

#include "pdf/document/PixelBudget.h"
#include "pdf/engine/Internal.h"

namespace pdf {

using engine::ctx;

DisplayList::DisplayList(std::unique_ptr<DisplayListData> d) : d_(std::move(d)) {}

DisplayList::~DisplayList() {
    fz_drop_display_list(ctx(), d_->list);
}

QSizeF DisplayList::size() const {
    return QSizeF(d_->bounds.x1 - d_->bounds.x0, d_->bounds.y1 - d_->bounds.y0);
}

QImage DisplayList::render(double scale, QRect clip, const base::CancelToken* cancel) const {
    if (scale <= 0 || (cancel && cancel->isCancelled()))
        return {};
    fz_context* c = ctx();
    // The page's top left corner lands on pixel (0, 0), whatever its origin, so that its
    // size in pixels follows the one rule of pixelSize and not the origin's fraction.
    const fz_matrix ctm = fz_concat(fz_translate(-d_->bounds.x0, -d_->bounds.y0),
                                    fz_scale(float(scale), float(scale)));
    const QSize pixels = pixelSize(size(), scale);
    const fz_irect full{0, 0, pixels.width(), pixels.height()};
    QRect area(0, 0, full.x1 - full.x0, full.y1 - full.y0);
    if (!clip.isEmpty())
        area = area.intersected(clip);
    if (area.isEmpty() || !withinPixelBudget(area.width(), area.height()))
        return {};
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    fz_pixmap* pix = nullptr;
    fz_device* dev = nullptr;
    fz_var(pix);
    fz_var(dev);
    bool ok = true;
    CancelCookie cookie(cancel);
    fz_try(c) {
        const fz_irect box{full.x0 + area.x(), full.y0 + area.y(),
                           full.x0 + area.x() + area.width(), full.y0 + area.y() + area.height()};
        // BGRA with alpha in memory is Qt's premultiplied ARGB32 on little-endian machines.
        pix = fz_new_pixmap_with_bbox_and_data(c, fz_device_bgr(c), box, nullptr, 1, image.bits());
        fz_clear_pixmap_with_value(c, pix, 255);
        dev = fz_new_draw_device(c, fz_identity, pix);
        fz_run_display_list(c, d_->list, dev, ctm, fz_rect_from_irect(box), cookie.get());
        fz_close_device(c, dev);
    }
    fz_always(c) {
        fz_drop_device(c, dev);
        fz_drop_pixmap(c, pix);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok || (cancel && cancel->isCancelled()))
        return {};
    return image;
}

} // namespace pdf
