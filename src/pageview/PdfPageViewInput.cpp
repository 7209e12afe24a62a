// Mouse, keyboard and selection handling of the page view.
#include "pageview/PdfPageView.h"

#include "pageview/AnnotationSelector.h"
#include "pageview/AnnotationToolGestures.h"

#include "desktop/Clipboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QToolTip>
#include <QWheelEvent>

#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

QRectF PdfPageView::pageRectInViewport(int index) const {
    const QRectF r = layout_.pageRect(index);
    return r.isNull() ? r : r.translated(-contentOffset());
}

int PdfPageView::pageAtViewportPoint(QPointF point, QPointF* pagePoint, bool nearest) const {
    const QPointF content = point + contentOffset();
    const int index = layout_.pageAt(content, nearest);
    if (index < 0 || !pageObject(index))
        return -1;
    if (pagePoint) {
        const QPointF display = (content - layout_.pageRect(index).topLeft()) / scale_;
        *pagePoint = pageObject(index)->pageToDisplay().inverted().map(display);
    }
    return index;
}

QPointF PdfPageView::viewportPointForPagePoint(int index, QPointF pagePoint) const {
    const QRectF r = pageRectInViewport(index);
    if (r.isNull() || !pageObject(index))
        return {};
    return r.topLeft() + pageObject(index)->pageToDisplay().map(pagePoint) * scale_;
}

void PdfPageView::applySelection(std::optional<pdf::Selection> selection) {
    if (selection && selection->isEmpty())
        selection.reset();
    if (selection == selection_)
        return;
    selection_ = std::move(selection);
    viewport()->update();
    emit selectionChanged();
}

void PdfPageView::setCurrentSelection(const std::optional<pdf::Selection>& selection, bool) {
    applySelection(selection);
}

void PdfPageView::clearSelection() {
    applySelection(std::nullopt);
}

void PdfPageView::scrollSelectionToVisible() {
    if (!selection_ || !doc_)
        return;
    const auto pages = selection_->pages();
    if (pages.empty())
        return;
    const int index = doc_->indexForPage(pages.front());
    if (index < 0 || index >= pageCount())
        return;
    if (!layout_.isLaidOut(index))
        relayout({index, 0});
    const QRectF bounds =
        pageObject(index)->pageToDisplay().mapRect(selection_->boundsForPage(pageObject(index)));
    const QRectF page = layout_.pageRect(index);
    const QRectF target(page.topLeft() + bounds.topLeft() * scale_, bounds.size() * scale_);
    const QRectF visible(contentOffset(), QSizeF(viewport()->size()));
    if (!visible.contains(target)) {
        // Centre the selection vertically, and horizontally when it is off to a side.
        scrollToContentY(target.center().y() - visible.height() / 2);
        if (target.left() < visible.left() || target.right() > visible.right())
            horizontalScrollBar()->setValue(int(target.center().x() - visible.width() / 2));
    }
    // Whatever page now fills the view is the current one.
    updateCurrentPageFromScroll();
    viewport()->update();
}

bool PdfPageView::copySelection() {
    if (!selection_)
        return false;
    const QString text = selection_->string();
    if (text.isEmpty())
        return false;
    Clipboard::current()->setText(text);
    return true;
}

void PdfPageView::handlePress(QMouseEvent* event, int clicks) {
    QPointF point;
    const int index = pageAtViewportPoint(event->position(), &point);
    if (index < 0) {
        tracker_.release();
        clearSelection();
        return;
    }
    std::optional<pdf::Selection> made = tracker_.press(pageObject(index), point, clicks);
    // A plain press starts afresh; a double or triple click selects at once.
    applySelection(made);
}

const pdf::Link* PdfPageView::linkAt(QPointF point) const {
    const QPointF content = point + contentOffset();
    const int index = layout_.pageAt(content, false);
    if (index < 0 || !pageObject(index))
        return nullptr;
    auto found = links_.find(index);
    if (found == links_.end())
        found = links_.emplace(index, pdf::links(*pageObject(index))).first;
    const QPointF display = (content - layout_.pageRect(index).topLeft()) / scale_;
    for (const pdf::Link& link : found->second)
        if (link.rect.contains(display))
            return &link;
    return nullptr;
}

void PdfPageView::activateLink(const pdf::Link& link) {
    if (link.isExternal())
        emit externalLinkActivated(link.uri);
    else
        goToDestination(link.destination);
}

void PdfPageView::goToDestination(const pdf::Destination& destination) {
    if (!destination.isValid() || destination.page >= pageCount())
        return;
    back_.push_back(currentAnchor());
    forward_.clear();
    Anchor target{destination.page, 0};
    // A little room above the target line, so the heading it names is not cut.
    if (destination.top)
        target.offsetPts = std::max(0.0, *destination.top - 12);
    showAnchor(target);
    if (destination.left && pageObject(destination.page)) {
        const double x = layout_.pageRect(destination.page).left() + *destination.left * scale_;
        const QScrollBar* bar = horizontalScrollBar();
        if (x < bar->value() || x > bar->value() + viewport()->width())
            horizontalScrollBar()->setValue(int(x));
    }
    emit historyChanged();
}

void PdfPageView::showAnchor(const Anchor& anchor) {
    if (anchor.page < 0 || anchor.page >= pageCount())
        return;
    if (!layout_.isLaidOut(anchor.page) || !PageLayout::isContinuous(mode_))
        relayout(anchor);
    scrollToContentY(layout_.pageRect(anchor.page).top() + anchor.offsetPts * scale_);
    setCurrentPageIndex(anchor.page);
    viewport()->update();
}

void PdfPageView::goBack() {
    if (back_.empty())
        return;
    forward_.push_back(currentAnchor());
    const Anchor anchor = back_.back();
    back_.pop_back();
    showAnchor(anchor);
    emit historyChanged();
}

void PdfPageView::goForward() {
    if (forward_.empty())
        return;
    back_.push_back(currentAnchor());
    const Anchor anchor = forward_.back();
    forward_.pop_back();
    showAnchor(anchor);
    emit historyChanged();
}

void PdfPageView::updateHover(QPointF point) {
    const pdf::Link* link = linkAt(point);
    QString description;
    if (link)
        description =
            link->isExternal() ? link->uri : tr("Go to page %1").arg(link->destination.page + 1);
    viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
    if (description == hovered_)
        return;
    hovered_ = description;
    emit linkHovered(description);
}

bool PdfPageView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint local = viewport()->mapFrom(this, help->pos());
        if (gestures_ && gestures_->showToolTip(local, help->globalPos()))
            return true;
        if (const pdf::Link* link = linkAt(local))
            QToolTip::showText(help->globalPos(),
                               link->isExternal() ? link->uri
                                                  : tr("Page %1").arg(link->destination.page + 1),
                               viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void PdfPageView::mousePressEvent(QMouseEvent* event) {
    if (annotations_->mousePress(event))
        return;
    if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
        event->button() == Qt::BackButton ? goBack() : goForward();
        event->accept();
        return;
    }
    if (gestures_ && gestures_->press(event))
        return;
    if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier)) {
        if (const pdf::Link* link = linkAt(event->position())) {
            // A link reacts on release over it, as buttons do; no selection starts here.
            pressedLink_ = *link;
            setFocus(Qt::MouseFocusReason);
            return;
        }
    }
    pressedLink_.reset();
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // A press soon after a double click, close to it, is the third click.
    const bool triple =
        lastDoubleClick_.isValid() &&
        lastDoubleClick_.elapsed() < QApplication::styleHints()->mouseDoubleClickInterval() &&
        (event->position() - lastDoubleClickPos_).manhattanLength() <
            QApplication::styleHints()->startDragDistance() * 2;
    lastDoubleClick_.invalidate();
    handlePress(event, triple ? 3 : 1);
}

void PdfPageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (gestures_ && gestures_->doubleClick(event))
        return;
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    lastDoubleClick_.start();
    lastDoubleClickPos_ = event->position();
    handlePress(event, 2);
}

void PdfPageView::mouseMoveEvent(QMouseEvent* event) {
    if (annotations_->mouseMove(event) || (gestures_ && gestures_->move(event)))
        return;
    if (!(event->buttons() & Qt::LeftButton))
        updateHover(event->position());
    if (!tracker_.isActive() || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    QPointF point;
    const int index = pageAtViewportPoint(event->position(), &point, true);
    if (index < 0)
        return;
    if (auto selection = tracker_.move(pageObject(index), point))
        applySelection(std::move(selection));
    // Dragging past the top or bottom edge scrolls on.
    const double y = event->position().y();
    if (y < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + int(y));
    else if (y > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + int(y - viewport()->height()));
}

void PdfPageView::mouseReleaseEvent(QMouseEvent* event) {
    if (annotations_->mouseRelease(event) || (gestures_ && gestures_->release(event)))
        return;
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    if (pressedLink_) {
        const pdf::Link pressed = *pressedLink_;
        pressedLink_.reset();
        const pdf::Link* link = linkAt(event->position());
        if (link && link->rect == pressed.rect)
            activateLink(pressed);
        return;
    }
    tracker_.release();
}

void PdfPageView::keyPressEvent(QKeyEvent* event) {
    if (annotations_->keyPress(event) || (gestures_ && gestures_->keyPress(event)))
        return;
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::AltModifier &&
        (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        event->key() == Qt::Key_Left ? goBack() : goForward();
        return;
    }
    if (mods == Qt::ShiftModifier && event->key() == Qt::Key_Space) {
        if (bar->value() <= bar->minimum() && turnRow(-1))
            return;
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return;
    }
    if (mods == Qt::NoModifier && !PageLayout::isContinuous(mode_) &&
        (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        // The layouts that show one row turn it, as a reader's arrow keys do.
        turnRow(event->key() == Qt::Key_Right ? +1 : -1);
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_Space:
        if (bar->value() >= bar->maximum() && turnRow(+1))
            return;
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return;
    case Qt::Key_PageUp:
        if (bar->value() <= bar->minimum() && turnRow(-1))
            return;
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return;
    case Qt::Key_Home:
        if (!sizes_.empty())
            goToPageIndex(0);
        return;
    case Qt::Key_End:
        if (!sizes_.empty())
            goToPageIndex(pageCount() - 1);
        return;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PdfPageView::contextMenuEvent(QContextMenuEvent* event) {
    if (!annotations_->contextMenu(event))
        QAbstractScrollArea::contextMenuEvent(event);
}

void PdfPageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const double steps = event->angleDelta().y() / 120.0;
        if (steps != 0)
            zoomAt(scale_ * std::pow(1.1, steps), event->position());
        event->accept();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const int dy = event->angleDelta().y();
    if (dy < 0 && bar->value() >= bar->maximum() && turnRow(+1)) {
        event->accept();
        return;
    }
    if (dy > 0 && bar->value() <= bar->minimum() && turnRow(-1)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void PdfPageView::zoomAt(double scale, QPointF anchor) {
    if (!std::isfinite(scale) || scale <= 0)
        return;
    QPointF pagePoint;
    const int index = pageAtViewportPoint(anchor, &pagePoint, true);
    applyScale(scale);
    if (index < 0)
        return;
    // Whatever was under the anchor stays under it.
    const QPointF moved = viewportPointForPagePoint(index, pagePoint) - anchor;
    {
        QScopedValueRollback guard(programmaticScroll_, true);
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        int(std::lround(moved.x())));
        verticalScrollBar()->setValue(verticalScrollBar()->value() + int(std::lround(moved.y())));
    }
    if (PageLayout::isContinuous(mode_))
        updateCurrentPageFromScroll();
    viewport()->update();
}

double PdfPageView::fitPageScale() const {
    if (sizes_.empty())
        return scale_;
    const int index = std::clamp(currentPage_, 0, pageCount() - 1);
    const double width = PageLayout::fitWidthScale(sizes_, mode_, viewport()->width());
    const double height = (viewport()->height() - PageLayout::kGap) / sizes_[index].height();
    return std::clamp(std::min(width, height), kMinScale, kMaxScale);
}
