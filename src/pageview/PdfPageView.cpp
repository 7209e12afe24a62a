#include "pageview/PdfPageView.h"

#include "pageview/AnnotationSelector.h"

#include "pageview/PageRenderer.h"
#include "pageview/PageSlots.h"
#include "pageview/PasswordPromptWidget.h"
#include "pageview/ViewMemoryBudget.h"

#include "pdf/document/Document.h"
#include "pdf/document/DocumentChanges.h"
#include "platform/NotificationCenter.h"

#include <QLineEdit>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

const char* const PdfPageView::pageChangedNotification = "PDFViewPageChanged";
const char* const PdfPageView::selectionChangedNotification = "PDFViewSelectionChanged";

namespace {
constexpr int kSizesAtLatest = 500; // ms
} // namespace

PdfPageView::PdfPageView(QWidget* parent)
    : QAbstractScrollArea(parent),
      renderer_(new PageRenderer(ViewMemoryBudget::standard().pageImageBytes, this)),
      prompt_(new PasswordPromptWidget(viewport())), annotations_(new AnnotationSelector(*this)) {
    background_ = palette().color(QPalette::Window);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    // Always on, so fitting the width never toggles the bar and refits in a loop.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setMouseTracking(true); // the pointer changes over links
    verticalScrollBar()->setSingleStep(24);
    horizontalScrollBar()->setSingleStep(24);
    prompt_->hide();
    connect(prompt_, &PasswordPromptWidget::unlockRequested, this, &PdfPageView::tryUnlock);
    connect(renderer_, &PageRenderer::imageReady, viewport(), qOverload<>(&QWidget::update));
    // Once the pages on screen are drawn, what filled outside the view goes back to budget.
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(settle, &QTimer::timeout, this, &PdfPageView::releaseUnusedMemory);
    connect(renderer_, &PageRenderer::imageReady, settle, [this, settle] {
        if (!renderer_->isBusy())
            settle->start();
    });
    connect(this, &PdfPageView::pageChanged, this, [this] {
        NotificationCenter::defaultCenter().post(pageChangedNotification,
                                                 QVariant::fromValue<QObject*>(this));
    });
    connect(this, &PdfPageView::selectionChanged, this, [this] {
        NotificationCenter::defaultCenter().post(selectionChangedNotification,
                                                 QVariant::fromValue<QObject*>(this));
    });
}

PdfPageView::~PdfPageView() = default;

void PdfPageView::releaseUnusedMemory() {
    renderer_->trimToPass();
    ViewMemoryBudget::standard().settle();
}

void PdfPageView::setDocument(const pdf::DocumentPtr& document) {
    if (document == doc_)
        return;
    renderer_->clear();
    if (doc_)
        disconnect(doc_->changes(), nullptr, this, nullptr);
    doc_ = document;
    if (doc_)
        connect(doc_->changes(), &pdf::DocumentChanges::changed, this,
                &PdfPageView::documentEdited);
    selection_.reset();
    tracker_.release();
    links_.clear();
    back_.clear();
    forward_.clear();
    pressedLink_.reset();
    emit historyChanged();
    currentPage_ = -1;
    shownSharp_ = false;
    prompt_->reset();
    reloadPages(true);
    relayout({});
    scrollToContentY(0);
    setCurrentPageIndex(sizes_.empty() ? -1 : 0);
    updatePromptGeometry();
    viewport()->update();
    emit documentChanged();
}

bool PdfPageView::isShowingPasswordPrompt() const {
    return doc_ && doc_->isLocked();
}

void PdfPageView::reloadPages(bool estimate) {
    links_.clear();
    pages_.clear();
    sizes_.clear();
    sizesEstimated_ = false;
    if (!doc_ || doc_->isLocked()) {
        prompt_->setVisible(doc_ != nullptr);
        return;
    }
    prompt_->hide();
    const int count = doc_->pageCount();
    if (estimate && count > 1) {
        // The first page is loaded for drawing anyway; walking every page for its size can
        // wait until it is on the screen.
        const pdf::PagePtr first = doc_->page(0);
        if (first && !first->displaySize().isEmpty()) {
            sizes_.assign(size_t(count), first->displaySize());
            pages_.resize(sizes_.size());
            pages_[0] = first;
            sizesEstimated_ = true;
            // A view that is not painted soon gets them anyway.
            QTimer::singleShot(kSizesAtLatest, this, &PdfPageView::completePageSizes);
            return;
        }
    }
    sizes_ = doc_->pageSizes();
    pages_.resize(sizes_.size());
}

void PdfPageView::completePageSizes() {
    if (!sizesEstimated_ || !doc_)
        return;
    std::vector<QSizeF> sizes = doc_->pageSizes();
    sizesEstimated_ = false;
    if (sizes.size() != sizes_.size()) {
        // The document changed its pages meanwhile without a notice reaching us: start over.
        layoutDocumentView();
    } else if (sizes != sizes_) {
        const Anchor anchor = currentAnchor();
        sizes_ = std::move(sizes);
        relayout(anchor);
    }
    emit pageSizesCompleted();
}

pdf::PagePtr PdfPageView::pageObject(int index) const {
    if (index < 0 || index >= pageCount() || !doc_)
        return nullptr;
    if (!pages_[index])
        pages_[index] = doc_->page(index);
    return pages_[index];
}

pdf::PagePtr PdfPageView::currentPage() const {
    return pageObject(currentPage_);
}

void PdfPageView::goToPage(const pdf::PagePtr& page) {
    if (!doc_ || !page)
        return;
    goToPageIndex(doc_->indexForPage(page));
}

void PdfPageView::goToPageIndex(int index) {
    if (index < 0 || index >= pageCount())
        return;
    if (!layout_.isLaidOut(index))
        relayout({index, 0});
    scrollToContentY(layout_.pageRect(index).top() - PageLayout::kGap / 2);
    setCurrentPageIndex(index);
    viewport()->update();
}

void PdfPageView::setScaleFactor(double scale) {
    // Buttons and menu items zoom about the middle of the view.
    if (!sizes_.empty() && isVisible())
        zoomAt(scale, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
    else
        applyScale(scale);
}

void PdfPageView::applyScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0)
        return;
    scale = std::clamp(scale, kMinScale, kMaxScale);
    const Anchor anchor = currentAnchor();
    autoScales_ = false;
    if (scale == scale_)
        return;
    scale_ = scale;
    relayout(anchor);
    emit scaleChanged();
}

void PdfPageView::setAutoScales(bool on) {
    if (on == autoScales_)
        return;
    autoScales_ = on;
    if (on) {
        relayout(currentAnchor());
    }
}

void PdfPageView::setDisplayMode(PDFDisplayMode mode) {
    if (mode == mode_)
        return;
    const Anchor anchor = currentAnchor();
    mode_ = mode;
    relayout(anchor);
    emit displayModeChanged();
}

void PdfPageView::setDisplayDirection(Qt::Orientation) {}

void PdfPageView::setBackgroundColor(const QColor& color) {
    background_ = color.isValid() ? color : palette().color(QPalette::Window);
    viewport()->update();
}

void PdfPageView::layoutDocumentView() {
    const Anchor anchor = currentAnchor();
    renderer_->clear();
    reloadPages();
    finishStructureChange(anchor);
}

void PdfPageView::finishStructureChange(Anchor anchor) {
    if (selection_) {
        // Drop a selection whose pages left the document.
        for (const auto& page : selection_->pages())
            if (!page || page->isDetached()) {
                selection_.reset();
                emit selectionChanged();
                break;
            }
    }
    anchor.page = std::min(anchor.page, pageCount() - 1);
    relayout(anchor);
    setCurrentPageIndex(anchor.page);
    if (PageLayout::isContinuous(mode_))
        updateCurrentPageFromScroll();
    viewport()->update();
    emit documentLayoutChanged();
}

void PdfPageView::setNeedsDisplay() {
    viewport()->update();
    emit displayInvalidated();
}

void PdfPageView::documentEdited(const pdf::Change& change) {
    if (!doc_ || doc_->isLocked())
        return;
    links_.clear(); // links are annotations: any edit may have changed them
    if (!change.movesPages()) {
        PageSlots::invalidate(pages_, change, *renderer_);
        setNeedsDisplay();
        return;
    }
    Anchor anchor = currentAnchor();
    PageSlots::follow(pages_, change, *renderer_, &anchor.page);
    sizes_ = doc_->pageSizes();
    if (sizesEstimated_) {
        sizesEstimated_ = false;
        emit pageSizesCompleted();
    }
    if (pages_.size() != sizes_.size()) {
        // Out of step (a notice delivered late, after further edits): start over.
        renderer_->clear();
        pages_.assign(sizes_.size(), nullptr);
    }
    finishStructureChange(anchor);
}

PdfPageView::Anchor PdfPageView::currentAnchor() const {
    Anchor a;
    a.page = currentPage_;
    const QRectF r = layout_.pageRect(currentPage_);
    if (!r.isNull() && scale_ > 0)
        a.offsetPts = (contentOffset().y() - r.top()) / scale_;
    return a;
}

void PdfPageView::relayout(const Anchor& anchor) {
    const double width = viewport()->width();
    const double before = scale_;
    if (autoScales_ && !sizes_.empty())
        scale_ = std::clamp(PageLayout::fitWidthScale(sizes_, mode_, width), kMinScale, kMaxScale);
    const int shown = anchor.page >= 0 ? anchor.page : std::max(currentPage_, 0);
    // Zooming keeps the horizontal middle of the view where it was.
    const double oldWidth = layout_.contentSize().width();
    const double middle = oldWidth > 0 ? (contentOffset().x() + width / 2) / oldWidth : 0.5;
    layout_ = PageLayout(sizes_, mode_, scale_, width, shown);
    updateScrollBars();
    {
        QScopedValueRollback guard(programmaticScroll_, true);
        horizontalScrollBar()->setValue(
            int(std::lround(middle * layout_.contentSize().width() - width / 2)));
    }
    const QRectF r = layout_.pageRect(anchor.page);
    if (!r.isNull())
        scrollToContentY(r.top() + anchor.offsetPts * scale_);
    viewport()->update();
    if (scale_ != before)
        emit scaleChanged();
}

void PdfPageView::updateScrollBars() {
    const QSize vp = viewport()->size();
    const QSizeF content = layout_.contentSize();
    QScopedValueRollback guard(programmaticScroll_, true);
    verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(content.height())) - vp.height()));
    verticalScrollBar()->setPageStep(vp.height());
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(content.width())) - vp.width()));
    horizontalScrollBar()->setPageStep(vp.width());
}

QPointF PdfPageView::contentOffset() const {
    return QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void PdfPageView::scrollToContentY(double y) {
    QScopedValueRollback guard(programmaticScroll_, true);
    verticalScrollBar()->setValue(int(std::lround(y)));
}

void PdfPageView::setCurrentPageIndex(int index) {
    if (index == currentPage_)
        return;
    currentPage_ = index;
    emit pageChanged();
}

void PdfPageView::updateCurrentPageFromScroll() {
    const QRectF visible(contentOffset(), QSizeF(viewport()->size()));
    const int page = layout_.pageFillingMost(visible);
    if (page >= 0)
        setCurrentPageIndex(page);
}

void PdfPageView::scrollContentsBy(int, int) {
    if (!programmaticScroll_)
        updateCurrentPageFromScroll();
    viewport()->update();
}

void PdfPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout(currentAnchor());
    updatePromptGeometry();
}

void PdfPageView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // The size is settled now, before the window's first paint: the pages in view start
    // rendering on another core while the window draws its frame and bars.
    if (!shownSharp_)
        askForVisiblePages();
}

void PdfPageView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        viewport()->update();
}

bool PdfPageView::turnRow(int direction) {
    // The non-continuous layouts show one row; moving past its end turns to the next.
    if (PageLayout::isContinuous(mode_) || sizes_.empty())
        return false;
    const int step = PageLayout::isTwoUp(mode_) ? 2 : 1;
    const int first = layout_.firstShown();
    const int target = direction > 0 ? first + step : first - step;
    if (target < 0 || target >= pageCount())
        return false;
    relayout({target, 0});
    scrollToContentY(direction > 0 ? 0 : verticalScrollBar()->maximum());
    setCurrentPageIndex(target);
    return true;
}

bool PdfPageView::isRendering() const {
    return renderer_->isBusy();
}

void PdfPageView::updatePromptGeometry() {
    // As wide as the card would like where there is room, else as wide as the view with its
    // title wrapped: never cut off at both sides.
    const QSize vp = viewport()->size();
    const int width = std::max(std::min(prompt_->preferredWidth(), vp.width() - 16),
                               prompt_->minimumSizeHint().width());
    const int height = prompt_->hasHeightForWidth() ? prompt_->heightForWidth(width)
                                                    : prompt_->sizeHint().height();
    prompt_->setGeometry(std::max(0, (vp.width() - width) / 2),
                         std::max(0, vp.height() / 3 - height / 2), width, height);
}

void PdfPageView::tryUnlock(const QString& password) {
    if (!doc_ || !doc_->isLocked())
        return;
    if (!doc_->unlock(password)) {
        prompt_->showRejected();
        updatePromptGeometry(); // room for the message
        return;
    }
    prompt_->reset();
    reloadPages(true);
    relayout({});
    scrollToContentY(0);
    setCurrentPageIndex(sizes_.empty() ? -1 : 0);
    emit documentLayoutChanged();
    emit documentUnlocked();
}
