#include "models/PageComposition.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cmath>

QSizeF naturalSizeInPoints(QSize pixels, double xDpi, double yDpi) {
    auto points = [](int length, double dpi) {
        return dpi > 0 ? length * 72.0 / dpi : double(length);
    };
    return {points(pixels.width(), xDpi), points(pixels.height(), yDpi)};
}

QSizeF naturalSizeInPoints(const QImage& image) {
    return naturalSizeInPoints(image.size(), std::round(image.dotsPerMeterX() * 0.0254),
                               std::round(image.dotsPerMeterY() * 0.0254));
}

TextBlock placedTextBlock(const PDFPageContent& page, const QString& text, double fontSize) {
    TextBlock block;
    block.text = text;
    block.position = QPointF(50, 50 + 120.0 * page.textBlocks.size());
    block.size = QSizeF(page.effectiveSize().width() - 100, 100);
    block.fontSize = fontSize;
    block.fontName = QStringLiteral("Helvetica");
    return block;
}

std::optional<ImageBlock> placedImageBlock(const PDFPageContent& page,
                                           const QByteArray& imageData) {
    QByteArray data = imageData;
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const QSizeF natural = naturalSizeInPoints(image);
    // A zero or unmeasurable side would divide by zero in the aspect ratio below.
    if (!(natural.width() > 0) || !(natural.height() > 0) || !std::isfinite(natural.width()) ||
        !std::isfinite(natural.height()))
        return std::nullopt;
    const double pageWidth = page.effectiveSize().width();
    // Pages narrower than the two 50-point margins get the image across their full width.
    const double available = pageWidth > 100 ? pageWidth - 100 : pageWidth;
    const double w = std::min(available, natural.width());
    const double h = w / (natural.width() / natural.height());
    if (!(w > 0) || !(h > 0))
        return std::nullopt;
    ImageBlock block;
    block.imageData = imageData;
    block.position = QPointF(50, 50 + (h + 20) * page.imageBlocks.size());
    block.size = QSizeF(w, h);
    return block;
}
