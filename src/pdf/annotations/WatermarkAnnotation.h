#pragma once
// A line of text drawn large, grey, translucent and rotated across a page: a free-text
// annotation whose own appearance draws the text, so every reader shows it the same way.
// The fields are fixed when it is made.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"

#include <QColor>
#include <QRectF>
#include <QString>

namespace pdf {

class WatermarkAnnotation {
public:
    // `bounds` is normally the page's media box: the text is centred on its middle.
    WatermarkAnnotation(const QRectF& bounds, const QString& text, double fontSize, double opacity,
                        double rotationAngle);

    const QRectF& bounds() const { return bounds_; }
    const QString& watermarkText() const { return watermarkText_; }
    double watermarkFontSize() const { return watermarkFontSize_; }
    double watermarkOpacity() const { return watermarkOpacity_; }
    // Degrees, counter-clockwise: -45 runs the text from upper left to lower right.
    double rotationAngle() const { return rotationAngle_; }
    // Mid grey with the opacity as alpha.
    QColor textColor() const;

    // Attaches the watermark to `page`; the annotation on the page, or nullptr when the
    // page is gone or the text is empty.
    AnnotationPtr addTo(Page& page) const;

    // A watermark over the whole media box of `page`, added to it.
    static AnnotationPtr add(Page& page, const QString& text, double fontSize, double opacity,
                             double rotationAngle);

private:
    QRectF bounds_;
    QString watermarkText_;
    double watermarkFontSize_;
    double watermarkOpacity_;
    double rotationAngle_;
};

} // namespace pdf
