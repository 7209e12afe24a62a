#include "pdf/document/PixelBudget.h"

#include <algorithm>
#include <cmath>

namespace pdf {

double scaleWithinBudget(QSizeF points, double scale) {
    // Rounding up a pixel on each side must not tip the image over the budget.
    const double w = points.width() * scale + 1, h = points.height() * scale + 1;
    if (w <= 0 || h <= 0 || w * h <= double(kPixelBudget))
        return scale;
    return scale * std::sqrt(double(kPixelBudget) / (w * h)) * 0.999;
}

QSize pixelSize(QSizeF points, double scale) {
    const auto side = [scale](double length) {
        return int(std::max(1.0, std::ceil(length * scale - 1e-3)));
    };
    return QSize(side(points.width()), side(points.height()));
}

bool withinPixelBudget(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= kPixelBudget && height <= kPixelBudget &&
           width * height <= kPixelBudget;
}

} // namespace pdf
