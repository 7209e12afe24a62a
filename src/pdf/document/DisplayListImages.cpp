// Finds the pictures of a recorded page: a device that only notes where images land.
#include "pdf/document/DisplayList.h"
#include "pdf/engine/Internal.h"

#include <cmath>

namespace pdf {

namespace {

constexpr int kMostImages = 256;

struct ImageDevice {
    fz_device super;
    fz_rect rects[kMostImages];
    int count;
};

void noteImage(fz_context*, fz_device* dev, fz_image*, fz_matrix ctm, float, fz_color_params) {
    auto* self = reinterpret_cast<ImageDevice*>(dev);
    if (self->count < kMostImages)
        self->rects[self->count++] = fz_transform_rect(fz_unit_rect, ctm);
}

} // namespace

std::vector<QRect> DisplayList::imageRects(double scale) const {
    std::vector<QRect> out;
    if (scale <= 0)
        return out;
    // The engine's macro for a derived device names its context `ctx`.
    fz_context* ctx = engine::ctx();
    const fz_matrix ctm = fz_concat(fz_translate(-d_->bounds.x0, -d_->bounds.y0),
                                    fz_scale(float(scale), float(scale)));
    ImageDevice* dev = nullptr;
    fz_var(dev);
    bool ok = true;
    fz_try(ctx) {
        dev = fz_new_derived_device(ctx, ImageDevice);
        dev->count = 0;
        dev->super.fill_image = noteImage;
        fz_run_display_list(ctx, d_->list, &dev->super, ctm, fz_infinite_rect, nullptr);
        fz_close_device(ctx, &dev->super);
    }
    fz_catch(ctx) {
        ok = false;
    }
    if (ok && dev)
        for (int i = 0; i < dev->count; ++i) {
            const fz_rect& r = dev->rects[i];
            out.emplace_back(QPoint(int(std::floor(r.x0)), int(std::floor(r.y0))),
                             QPoint(int(std::ceil(r.x1)) - 1, int(std::ceil(r.y1)) - 1));
        }
    if (dev)
        fz_drop_device(ctx, &dev->super);
    return out;
}

} // namespace pdf
