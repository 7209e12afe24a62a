#include "pageview/PdfThumbnailView.h"

#include "pageview/PageRenderer.h"
#include "pageview/PageSlots.h"
#include "pageview/PdfPageView.h"
#include "pageview/ViewMemoryBudget.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentChanges.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <cmath>

namespace {
constexpr int kPadding = 8;
constexpr int kLabelHeight = 18;
constexpr int kWaitForView = 500; // ms
} // namespace

PdfThumbnailView::PdfThumbnailView(QWidget* parent)
    : QAbstractScrollArea(parent),
      renderer_(new PageRenderer(ViewMemoryBudget::standard().thumbnailBytes, this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
    connect(renderer_, &PageRenderer::imageReady, viewport(), qOverload<>(&QWidget::update));
}

PdfThumbnailView::~PdfThumbnailView() = default;

void PdfThumbnailView::setPdfView(PdfPageView* view) {
    if (view == view_)
        return;
    if (view_)
        disconnect(view_, nullptr, this, nullptr);
    view_ = view;
    if (view) {
        connect(view, &PdfPageView::documentChanged, this, &PdfThumbnailView::reload);
        // Edits come through the document's own notice; unlocking shows the pages at last.
        connect(view, &PdfPageView::documentUnlocked, this, &PdfThumbnailView::reload);
        connect(view, &PdfPageView::pageChanged, this, &PdfThumbnailView::currentPageChanged);
        connect(view, &PdfPageView::pageSizesCompleted, this, [this] {
            if (view_ && doc_ == view_->document() && view_->pageSizes().size() == sizes_.size()) {
                sizes_ = view_->pageSizes();
                viewport()->update();
            }
        });
        connect(view, &PdfPageView::painted, this, [this](bool sharp) {
            if (sharp && waitingForView_) {
                waitingForView_ = false;
                viewport()->update();
            }
        });
        // The view going away leaves an empty strip rather than dangling pages.
        connect(view, &QObject::destroyed, this, [this] {
            view_.clear();
            reload();
        });
    }
    reload();
}

void PdfThumbnailView::setThumbnailSize(const QSizeF& size) {
    if (size.isEmpty() || size == thumbSize_)
        return;
    thumbSize_ = size;
    renderer_->clear();
    updateScrollBars();
    viewport()->update();
}

void PdfThumbnailView::setBackgroundColor(const QColor& color) {
    background_ = color;
    viewport()->update();
}

void PdfThumbnailView::reload() {
    renderer_->clear();
    pages_.clear();
    if (doc_)
        disconnect(doc_->changes(), nullptr, this, nullptr);
    doc_ = view_ ? view_->document() : nullptr;
    if (doc_)
        connect(doc_->changes(), &pdf::DocumentChanges::changed, this,
                &PdfThumbnailView::documentEdited);
    // While the view still works from estimates, so do the thumbnails: the sizes are
    // walked once, by the view, after its first page shows.
    if (doc_ && view_ && !view_->pageSizesKnown())
        sizes_ = view_->pageSizes();
    else
        sizes_ = doc_ ? doc_->pageSizes() : std::vector<QSizeF>();
    pages_.resize(sizes_.size());
    labels_ = doc_ ? pdf::PageLabels::read(*doc_) : pdf::PageLabels();
    // The page being read comes first: thumbnails would take the same cores and the
    // document's lock from it. A view that does not paint soon lets the strip go anyway.
    // A window not shown yet (the document given at start-up) is about to paint its page.
    waitingForView_ =
        !sizes_.empty() && view_ && (view_->isVisible() || !view_->window()->isVisible());
    if (waitingForView_)
        QTimer::singleShot(kWaitForView, this, [this] {
            waitingForView_ = false;
            viewport()->update();
        });
    updateScrollBars();
    currentPageChanged();
    viewport()->update();
}

void PdfThumbnailView::documentEdited(const pdf::Change& change) {
    if (!doc_ || doc_->isLocked())
        return;
    if (change.movesPages()) {
        PageSlots::follow(pages_, change, *renderer_);
        sizes_ = doc_->pageSizes();
        labels_ = pdf::PageLabels::read(*doc_);
        if (pages_.size() != sizes_.size()) {
            renderer_->clear();
            pages_.assign(sizes_.size(), nullptr);
        }
        updateScrollBars();
        currentPageChanged();
    } else {
        PageSlots::invalidate(pages_, change, *renderer_);
    }
    viewport()->update();
}

pdf::PagePtr PdfThumbnailView::pageObject(int index) {
    if (index < 0 || index >= pageCount() || !doc_)
        return nullptr;
    if (!pages_[index])
        pages_[index] = doc_->page(index);
    return pages_[index];
}

int PdfThumbnailView::cellHeight() const {
    return int(std::ceil(thumbSize_.height())) + kLabelHeight + 2 * kPadding;
}

void PdfThumbnailView::updateScrollBars() {
    const int total = cellHeight() * pageCount();
    verticalScrollBar()->setRange(0, std::max(0, total - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

QRect PdfThumbnailView::cellRect(int index) const {
    if (index < 0 || index >= pageCount())
        return {};
    return QRect(0, index * cellHeight() - verticalScrollBar()->value(), viewport()->width(),
                 cellHeight());
}

int PdfThumbnailView::indexAt(const QPoint& p) const {
    if (p.x() < 0 || p.x() >= viewport()->width())
        return -1;
    const int y = p.y() + verticalScrollBar()->value();
    const int index = y >= 0 ? y / cellHeight() : -1;
    return index < pageCount() ? index : -1;
}

int PdfThumbnailView::highlightedIndex() const {
    return view_ && !sizes_.empty() ? view_->currentPageIndex() : -1;
}

bool PdfThumbnailView::isRendering() const {
    return waitingForView_ || renderer_->isBusy();
}

void PdfThumbnailView::currentPageChanged() {
    const QRect cell = cellRect(highlightedIndex());
    if (!cell.isNull()) {
        // Keep the current page in sight with the least movement.
        QScrollBar* bar = verticalScrollBar();
        if (cell.top() < 0)
            bar->setValue(bar->value() + cell.top());
        else if (cell.bottom() > viewport()->height())
            bar->setValue(bar->value() + cell.bottom() - viewport()->height() + 1);
    }
    viewport()->update();
}

void PdfThumbnailView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (background_.alpha() > 0)
        p.fillRect(viewport()->rect(), background_);
    if (sizes_.empty())
        return;
    const double dpr = viewport()->devicePixelRatioF();
    const int first = std::max(0, indexAt(QPoint(0, 0)));
    const int current = highlightedIndex();
    renderer_->beginPass();
    for (int i = first; i < pageCount(); ++i) {
        const QRect cell = cellRect(i);
        if (cell.top() >= viewport()->height())
            break;
        const pdf::PagePtr page = waitingForView_ ? nullptr : pageObject(i);
        const QSizeF size = sizes_[i];
        const double fit =
            std::min(thumbSize_.width() / size.width(), thumbSize_.height() / size.height());
        const QSizeF shown = size * fit;
        const QRectF box(cell.left() + (cell.width() - shown.width()) / 2.0,
                         cell.top() + kPadding + (thumbSize_.height() - shown.height()) / 2.0,
                         std::round(shown.width()), std::round(shown.height()));
        if (i == current) {
            p.setPen(Qt::NoPen);
            QColor h = palette().color(QPalette::Highlight);
            h.setAlpha(70);
            p.setBrush(h);
            p.drawRoundedRect(box.adjusted(-5, -5, 5, 5), 4, 4);
        }
        p.fillRect(box.translated(0, 1), QColor(0, 0, 0, 40));
        p.fillRect(box, Qt::white);
        if (page) {
            const double scale = fit * dpr;
            const PageRenderer::Key key{page.get(), renderer_->generation(page.get()),
                                        PageRenderer::scaleKeyFor(scale), -1, -1};
            QImage img = renderer_->image(key);
            if (img.isNull()) {
                renderer_->request(key, page, scale, PageRenderer::wholePage(size, scale),
                                   PageRenderer::Thumbnail);
                img = renderer_->bestWholePage(page.get(), renderer_->generation(page.get()));
            }
            if (!img.isNull()) {
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(box, img);
            }
        }
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * 0.9);
        f.setBold(i == current);
        p.setFont(f);
        p.setPen(palette().color(QPalette::WindowText));
        const QString label = caption(i);
        p.drawText(QRect(cell.left(), int(cell.top() + kPadding + thumbSize_.height() + 2),
                         cell.width(), kLabelHeight),
                   Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetrics(f).elidedText(label, Qt::ElideMiddle, cell.width() - 4));
    }
    renderer_->endPass();
}

QString PdfThumbnailView::caption(int index) const {
    return labels_.pageCount() == pageCount() ? labels_.display(index) : QString::number(index + 1);
}

void PdfThumbnailView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    // A strip made before its first layout scrolled for a tiny viewport; look again.
    currentPageChanged();
}

void PdfThumbnailView::scrollContentsBy(int, int) {
    viewport()->update();
}

void PdfThumbnailView::mousePressEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0 && view_)
        view_->goToPageIndex(index);
    QAbstractScrollArea::mousePressEvent(event);
}
