#include "utilities/PDFCreationService.h"

#include "utilities/PdfDrawingContext.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace {

// The platform's named colours; only the opacities are part of the design.
const QColor systemBlue(0, 122, 255);
const QColor systemRed(255, 59, 48);
const QColor systemGray(142, 142, 147);

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(opacity));
    return color;
}

// Block rectangles are top-left based; the surface is bottom-left based.
QRectF surfaceRect(QPointF position, QSizeF size, double pageHeight) {
    return {position.x(), pageHeight - position.y() - size.height(), size.width(), size.height()};
}

constexpr double gridPitch = 20;
constexpr double gridMargin = 30;

// 30, 50, 70, ... while the position keeps the margin from the far edge.
QList<double> gridPositions(double extent) {
    QList<double> positions;
    for (int i = 0;; ++i) {
        const double p = gridMargin + gridPitch * i;
        if (!(p <= extent - gridMargin))
            break;
        positions.append(p);
    }
    return positions;
}

} // namespace

PDFCreationService::CreationError::CreationError(Kind kind)
    : std::runtime_error(message(kind)), kind_(kind) {}

const char* PDFCreationService::CreationError::message(Kind kind) {
    switch (kind) {
    case Kind::contextCreationFailed:
        return "Failed to create PDF rendering context";
    case Kind::imageLoadFailed:
        return "Failed to load image data";
    case Kind::documentCreationFailed:
        return "Failed to create PDF document from rendered data";
    }
    return "";
}

QByteArray PDFCreationService::renderDocument(const QList<PDFPageContent>& pages) {
    PdfDrawingContext context;
    if (!context.isValid())
        throw CreationError(CreationError::Kind::contextCreationFailed);
    for (const PDFPageContent& page : pages) {
        const QSizeF size = page.effectiveSize();
        context.beginPage(size);
        context.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
        drawBackground(context, page.pageTemplate, size);
        for (const TextBlock& block : page.textBlocks)
            drawTextBlock(context, block, size.height());
        for (const ImageBlock& block : page.imageBlocks)
            drawImageBlock(context, block, size.height());
        context.endPage();
    }
    const QByteArray bytes = context.finish();
    // A context that failed while drawing leaves no usable bytes; opening decides then.
    return bytes;
}

pdf::DocumentPtr PDFCreationService::createDocument(const QList<PDFPageContent>& pages) {
    const QByteArray bytes = renderDocument(pages);
    pdf::DocumentPtr document = bytes.isEmpty() ? nullptr : pdf::Document::fromData(bytes);
    if (!document)
        throw CreationError(CreationError::Kind::documentCreationFailed);
    return document;
}

pdf::PagePtr PDFCreationService::createBlankPage(QSizeF size, PageTemplate pageTemplate) {
    PDFPageContent page(pageTemplate, PageSize::custom);
    page.customWidth = size.width();
    page.customHeight = size.height();
    const pdf::DocumentPtr document = createDocument({page});
    if (document->pageCount() < 1)
        return nullptr;
    return document->page(0);
}

void PDFCreationService::drawBackground(PdfDrawingContext& context, PageTemplate pageTemplate,
                                        QSizeF size) {
    switch (pageTemplate) {
    case PageTemplate::blank:
        break;
    case PageTemplate::lined:
        drawLinedBackground(context, size, 28);
        break;
    case PageTemplate::grid:
        drawGridBackground(context, size);
        break;
    case PageTemplate::dotGrid:
        drawDotGridBackground(context, size);
        break;
    }
}

void PDFCreationService::drawLinedBackground(PdfDrawingContext& context, QSizeF size,
                                             double lineSpacing) {
    const double W = size.width();
    const double H = size.height();
    QList<QLineF> rules;
    if (lineSpacing > 0) {
        // Positions from the index, not by repeated subtraction, so no error accumulates.
        for (int i = 1;; ++i) {
            const double y = H - 50 - lineSpacing * i;
            if (!(y > 50))
                break;
            rules.append(QLineF(50, y, W - 50, y));
        }
    }
    context.strokeLines(rules, withOpacity(systemBlue, 0.2), 0.5);
    context.strokeLines({QLineF(70, H - 50, 70, 50)}, withOpacity(systemRed, 0.3), 0.5);
}

void PDFCreationService::drawGridBackground(PdfDrawingContext& context, QSizeF size) {
    const double W = size.width();
    const double H = size.height();
    QList<QLineF> lines;
    for (const double x : gridPositions(W))
        lines.append(QLineF(x, gridMargin, x, H - gridMargin));
    for (const double y : gridPositions(H))
        lines.append(QLineF(gridMargin, y, W - gridMargin, y));
    context.strokeLines(lines, withOpacity(systemGray, 0.2), 0.3);
}

void PDFCreationService::drawDotGridBackground(PdfDrawingContext& context, QSizeF size) {
    const double W = size.width();
    const double H = size.height();
    const QColor color = withOpacity(systemGray, 0.3);
    const QList<double> ys = gridPositions(H);
    for (const double x : gridPositions(W))
        for (const double y : ys)
            context.fillEllipse(QRectF(x - 1, y - 1, 2, 2), color);
}

void PDFCreationService::drawTextBlock(PdfDrawingContext& context, const TextBlock& block,
                                       double pageHeight) {
    PdfTextStyle style;
    style.fontName = block.fontName;
    style.fontSize = block.fontSize;
    style.color = Qt::black;
    context.drawText(block.text, surfaceRect(block.position, block.size, pageHeight), style);
}

bool PDFCreationService::drawImageBlock(PdfDrawingContext& context, const ImageBlock& block,
                                        double pageHeight) {
    QByteArray data = block.imageData;
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    return context.drawImage(image, surfaceRect(block.position, block.size, pageHeight));
}
