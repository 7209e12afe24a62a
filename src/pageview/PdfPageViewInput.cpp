// Mouse, keyboard and selection handling of the page view.
#include "pageview/PdfPageView.h"

#include "platform/Clipboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

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

void PdfPageView::clearSelection() { applySelection(std::nullopt); }

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
    const QRectF bounds = pageObject(index)->pageToDisplay().mapRect(
        selection_->boundsForPage(pageObject(index)));
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

void PdfPageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // A press soon after a double click, close to it, is the third click.
    const bool triple = lastDoubleClick_.isValid() &&
                        lastDoubleClick_.elapsed() < QApplication::styleHints()->mouseDoubleClickInterval() &&
                        (event->position() - lastDoubleClickPos_).manhattanLength() <
                            QApplication::styleHints()->startDragDistance() * 2;
    lastDoubleClick_.invalidate();
    handlePress(event, triple ? 3 : 1);
}

void PdfPageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    lastDoubleClick_.start();
    lastDoubleClickPos_ = event->position();
    handlePress(event, 2);
}

void PdfPageView::mouseMoveEvent(QMouseEvent* event) {
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
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    tracker_.release();
}

void PdfPageView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
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

void PdfPageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const double steps = event->angleDelta().y() / 120.0;
        if (steps != 0)
            setScaleFactor(scale_ * std::pow(1.1, steps));
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
