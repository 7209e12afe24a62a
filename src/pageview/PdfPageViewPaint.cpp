// Painting of the page view: sheets, rendered pages (whole or in tiles), selections.
#include "pageview/PageRenderer.h"
#include "pageview/PdfPageView.h"
#include "pdf/document/PixelBudget.h"

#include "pageview/AnnotationSelector.h"
#include "pageview/AnnotationToolGestures.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace {
// A page larger than this (device pixels) is rendered in tiles, so deep zooms only
// rasterise what is on screen.
constexpr qint64 kWholePagePixels = 4 << 20;
constexpr int kTile = 1024;
// The quick first look at a page while its sharp image is made.
constexpr double kPreviewScale = 0.3;

void paintSheet(QPainter& p, const QRectF& r, const QColor& paper) {
    // A soft shadow: a few widening translucent outlines, offset downwards.
    p.setPen(Qt::NoPen);
    for (int i = 4; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 14 + 6 * (4 - i)));
        p.drawRoundedRect(r.adjusted(-i, -i + 1.5, i, i + 1.5), i, i);
    }
    p.fillRect(r, paper);
}

} // namespace

QColor PdfPageView::selectionDrawColor() const {
    if (selection_ && selection_->color().isValid())
        return selection_->color();
    // Lighter than the highlight itself: drawn multiplied, the text stays readable.
    QColor h = palette().color(QPalette::Active, QPalette::Highlight);
    return QColor::fromRgbF(0.55 + 0.45 * h.redF(), 0.55 + 0.45 * h.greenF(),
                            0.55 + 0.45 * h.blueF());
}

void PdfPageView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), background_);
    if (sizes_.empty()) {
        lastPaintSharp_ = false;
        return;
    }
    const double dpr = viewport()->devicePixelRatioF();
    const double deviceScale = scale_ * dpr;
    const QPointF offset = contentOffset();
    const QRectF visible(offset, QSizeF(viewport()->size()));

    renderer_->beginPass();
    bool sharp = true;
    for (int index : layout_.pagesIn(visible)) {
        const QRectF rect = layout_.pageRect(index).translated(-offset);
        paintSheet(p, rect, ReadingColoursScheme::paper(renderer_->readingColours()));
        sharp &= paintPage(p, index, rect, rect.intersected(QRectF(viewport()->rect())),
                           deviceScale, dpr);
        if (!matchesByPage_.empty())
            paintSearchMatches(p, index, rect);
        if (selection_)
            paintSelection(p, index, rect);
    }
    annotations_->paint(p);
    if (gestures_)
        gestures_->paint(p);
    // The neighbours wait until the document first shows sharp (or as sharp as it gets:
    // nothing left rendering): on a machine of few cores they would take the cores from
    // the page being opened to.
    shownSharp_ = shownSharp_ || sharp || !renderer_->isBusy();
    if (shownSharp_)
        prefetchAround(visible, deviceScale);
    renderer_->endPass();
    lastPaintSharp_ = sharp;
    if (sizesEstimated_ && !sizesQueued_ && (sharp || !renderer_->isBusy())) {
        // The first page is on the screen: now the rest of the pages' sizes.
        sizesQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            sizesQueued_ = false;
            completePageSizes();
        });
    }
    emit painted(sharp);
}

bool PdfPageView::paintPage(QPainter& p, int index, const QRectF& rect, const QRectF& visible,
                            double deviceScale, double dpr) {
    const pdf::PagePtr page = pageObject(index);
    if (!page)
        return true;
    const quint64 revision = renderer_->generation(page.get());
    const qint64 scaleKey = PageRenderer::scaleKeyFor(deviceScale);
    const QSizeF size = sizes_[index];
    const QSize pixels = pdf::pixelSize(size, deviceScale);
    const qint64 pixelsW = pixels.width(), pixelsH = pixels.height();

    struct Piece {
        PageRenderer::Key key;
        QRect clip;
    };
    std::vector<Piece> pieces;
    if (pixelsW * pixelsH <= kWholePagePixels) {
        pieces.push_back(
            {{page.get(), revision, scaleKey, -1, -1}, QRect(0, 0, int(pixelsW), int(pixelsH))});
    } else {
        // Only the tiles under the visible part of the page.
        const QRectF local = visible.translated(-rect.topLeft());
        const int x0 = std::max(0, int(local.left() * dpr) / kTile);
        const int y0 = std::max(0, int(local.top() * dpr) / kTile);
        const int x1 = std::min(int((pixelsW - 1) / kTile), int(local.right() * dpr) / kTile);
        const int y1 = std::min(int((pixelsH - 1) / kTile), int(local.bottom() * dpr) / kTile);
        for (int ty = y0; ty <= y1; ++ty)
            for (int tx = x0; tx <= x1; ++tx) {
                const QRect clip = QRect(tx * kTile, ty * kTile, kTile, kTile)
                                       .intersected(QRect(0, 0, int(pixelsW), int(pixelsH)));
                pieces.push_back({{page.get(), revision, scaleKey, tx, ty}, clip});
            }
    }

    std::vector<QImage> images(pieces.size());
    bool complete = true;
    for (size_t i = 0; i < pieces.size(); ++i) {
        images[i] = renderer_->image(pieces[i].key);
        complete &= !images[i].isNull();
    }

    p.save();
    p.setClipRect(rect);
    if (!complete) {
        // Something at hand while the sharp image is made: the best earlier rendering,
        // and a quick low-resolution one when there is nothing yet for this revision.
        const double previewScale = kPreviewScale * dpr;
        const PageRenderer::Key previewKey{page.get(), revision,
                                           PageRenderer::scaleKeyFor(previewScale), -1, -1};
        if (deviceScale > previewScale * 1.5 && !renderer_->contains(previewKey))
            renderer_->request(previewKey, page, previewScale,
                               PageRenderer::wholePage(size, previewScale),
                               PageRenderer::VisiblePreview);
        const QImage fallback = renderer_->bestWholePage(page.get(), revision);
        if (!fallback.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(rect, fallback);
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (images[i].isNull()) {
            renderer_->request(pieces[i].key, page, deviceScale, pieces[i].clip,
                               PageRenderer::VisibleSharp);
            continue;
        }
        QImage& img = images[i];
        img.setDevicePixelRatio(dpr);
        const QPointF origin = rect.topLeft() + QPointF(pieces[i].clip.topLeft()) / dpr;
        p.drawImage(origin, img);
    }
    p.restore();
    return complete;
}

void PdfPageView::paintSelection(QPainter& p, int index, const QRectF& rect) {
    const pdf::PagePtr page = pageObject(index);
    if (!page)
        return;
    const std::vector<QRectF> lines = selection_->lineRectsForPage(page.get());
    if (lines.empty())
        return;
    const QTransform toDisplay = page->pageToDisplay();
    p.save();
    p.setClipRect(rect);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QColor color = selectionDrawColor();
    for (const QRectF& line : lines) {
        const QRectF d = toDisplay.mapRect(line);
        p.fillRect(QRectF(rect.topLeft() + d.topLeft() * scale_, d.size() * scale_), color);
    }
    p.restore();
}

void PdfPageView::setSearchMatches(const QList<pdf::Selection>& matches) {
    matches_ = matches;
    matchesByPage_.clear();
    for (int i = 0; i < int(matches_.size()); ++i)
        for (const auto& range : matches_[i].ranges())
            if (range.page)
                matchesByPage_[range.page.get()].push_back(i);
    viewport()->update();
}

void PdfPageView::paintSearchMatches(QPainter& p, int index, const QRectF& rect) {
    const pdf::PagePtr page = pageObject(index);
    if (!page)
        return;
    const auto found = matchesByPage_.find(page.get());
    if (found == matchesByPage_.end())
        return;
    const QTransform toDisplay = page->pageToDisplay();
    p.save();
    p.setClipRect(rect);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    // A pale tint for every match; the current one is the selection, drawn strongly on top.
    const QColor tint(255, 238, 150);
    for (int match : found->second)
        for (const QRectF& line : matches_[match].lineRectsForPage(page.get())) {
            const QRectF d = toDisplay.mapRect(line);
            p.fillRect(QRectF(rect.topLeft() + d.topLeft() * scale_, d.size() * scale_), tint);
        }
    p.restore();
}

void PdfPageView::askForVisiblePages() {
    if (sizes_.empty())
        return;
    const double deviceScale = scale_ * viewport()->devicePixelRatioF();
    const QRectF visible(contentOffset(), QSizeF(viewport()->size()));
    renderer_->beginPass();
    for (int index : layout_.pagesIn(visible)) {
        const pdf::PagePtr page = pageObject(index);
        const QSize pixels = pdf::pixelSize(sizes_[index], deviceScale);
        // Tiled pages are asked for by the paint, which knows the tiles in view.
        if (!page || qint64(pixels.width()) * pixels.height() > kWholePagePixels)
            continue;
        renderer_->request({page.get(), renderer_->generation(page.get()),
                            PageRenderer::scaleKeyFor(deviceScale), -1, -1},
                           page, deviceScale, QRect(QPoint(0, 0), pixels),
                           PageRenderer::VisibleSharp);
    }
    renderer_->endPass();
}

void PdfPageView::prefetchAround(const QRectF& visible, double deviceScale) {
    // The pages a screen above and below: their previews, then their sharp images, as long
    // as that does not push out what is on screen (the renderer refuses such prefetches).
    const QRectF around = visible.adjusted(0, -visible.height(), 0, visible.height());
    const double dpr = viewport()->devicePixelRatioF();
    const double previewScale = kPreviewScale * dpr;
    for (int index : layout_.pagesIn(around)) {
        if (visible.intersects(layout_.pageRect(index)) || !pageObject(index))
            continue;
        const pdf::PagePtr page = pageObject(index);
        const quint64 revision = renderer_->generation(page.get());
        const QSizeF size = sizes_[index];
        if (deviceScale > previewScale * 1.5)
            renderer_->request(
                {page.get(), revision, PageRenderer::scaleKeyFor(previewScale), -1, -1}, page,
                previewScale, PageRenderer::wholePage(size, previewScale), PageRenderer::Prefetch);
        if (size.width() * size.height() * deviceScale * deviceScale <= kWholePagePixels)
            renderer_->request(
                {page.get(), revision, PageRenderer::scaleKeyFor(deviceScale), -1, -1}, page,
                deviceScale, PageRenderer::wholePage(size, deviceScale), PageRenderer::Prefetch);
    }
}
