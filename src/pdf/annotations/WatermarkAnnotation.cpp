#include "pdf/annotations/WatermarkAnnotation.h"

#include <algorithm>

namespace pdf {

WatermarkAnnotation::WatermarkAnnotation(const QRectF& bounds, const QString& text, double fontSize,
                                         double opacity, double rotationAngle)
    : bounds_(bounds), watermarkText_(text), watermarkFontSize_(fontSize),
      watermarkOpacity_(std::clamp(opacity, 0.0, 1.0)), rotationAngle_(rotationAngle) {}

QColor WatermarkAnnotation::textColor() const {
    QColor grey(128, 128, 128);
    grey.setAlphaF(float(watermarkOpacity_));
    return grey;
}

AnnotationPtr WatermarkAnnotation::addTo(Page& page) const {
    if (watermarkText_.isEmpty() || watermarkFontSize_ <= 0)
        return nullptr;
    return page.addTextWatermark(bounds_, watermarkText_, watermarkFontSize_, textColor(),
                                 rotationAngle_);
}

AnnotationPtr WatermarkAnnotation::add(Page& page, const QString& text, double fontSize,
                                       double opacity, double rotationAngle) {
    return WatermarkAnnotation(page.mediaBox(), text, fontSize, opacity, rotationAngle).addTo(page);
}

} // namespace pdf
