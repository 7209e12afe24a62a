#pragma once
// Where new blocks land on a composed page, and how large an image is by nature. The
// creation sheet and the command line's compose place blocks by these same rules.
#include "models/PageTemplate.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

// An image's size in points: pixels at the stated resolution, 72 dpi (a pixel a point)
// where none is stated.
QSizeF naturalSizeInPoints(QSize pixels, double xDpi, double yDpi);
// The same for a decoded image, whose resolution Qt keeps in dots per metre.
QSizeF naturalSizeInPoints(const QImage& image);

// The n-th text block of a page (n = the blocks it has) sits at (50, 50 + 120 n), 100 pt
// high and as wide as the page less its two 50-point margins.
TextBlock placedTextBlock(const PDFPageContent& page, const QString& text, double fontSize);

// An image block for encoded image bytes at its natural size, narrowed to the page width
// less the margins with its aspect ratio kept, below the page's other images. Nothing when
// the bytes do not decode to an image with a measurable, non-zero size.
std::optional<ImageBlock> placedImageBlock(const PDFPageContent& page, const QByteArray& imageData);
