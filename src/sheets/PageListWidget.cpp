#include "sheets/PageListWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

PageListWidget::PageListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The view's own drag and drop would remove the dragged rows itself, and a platform
    // drag is fed by the display server's pointer; the list drags its rows itself.
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new PageRowDelegate(this));
    setIconSize(QSize(20, 20));
}

int PageListWidget::destinationRowAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return pos.y() < 0 ? 0 : count();
    const QRect rect = visualRect(index);
    return pos.y() < rect.center().y() ? index.row() : index.row() + 1;
}

void PageListWidget::moveDraggedRowsTo(const QPoint& pos) {
    QList<int> rows = draggedRows_;
    if (rows.isEmpty())
        for (const QModelIndex& index : selectedIndexes())
            rows.append(index.row());
    if (!rows.isEmpty())
        emit rowsMoveRequested(rows, destinationRowAt(pos));
}

void PageListWidget::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        pressedRow_ = index.row();
        pressPos_ = event->position().toPoint();
    }
}

void PageListWidget::mouseMoveEvent(QMouseEvent* event) {
    if (pressedRow_ < 0 || !(event->buttons() & Qt::LeftButton)) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // While the button is held on a row, moving drags it; the selection stays on it.
    const QPoint pos = event->position().toPoint();
    if (!isDragging()) {
        if ((pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
            return;
        draggedRows_ = {pressedRow_};
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    // Near the top or bottom edge the list scrolls, so that any row can be reached.
    const int edge = 12;
    QScrollBar* bar = verticalScrollBar();
    if (pos.y() < edge)
        bar->setValue(bar->value() - bar->singleStep());
    else if (pos.y() > viewport()->height() - edge)
        bar->setValue(bar->value() + bar->singleStep());
    dropRow_ = destinationRowAt(pos);
    viewport()->update();
}

void PageListWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (isDragging() && event->button() == Qt::LeftButton) {
        finishDrag(true, event->position().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton)
        pressedRow_ = -1;
    QListWidget::mouseReleaseEvent(event);
}

void PageListWidget::keyPressEvent(QKeyEvent* event) {
    // Escape puts the row back instead of closing the sheet.
    if (isDragging() && event->key() == Qt::Key_Escape) {
        finishDrag(false);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void PageListWidget::focusOutEvent(QFocusEvent* event) {
    if (isDragging())
        finishDrag(false);
    QListWidget::focusOutEvent(event);
}

void PageListWidget::finishDrag(bool drop, const QPoint& pos) {
    if (drop)
        moveDraggedRowsTo(pos);
    draggedRows_.clear();
    pressedRow_ = -1;
    dropRow_ = -1;
    viewport()->unsetCursor();
    viewport()->update();
    emit dragFinished();
}

void PageListWidget::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!isDragging() || dropRow_ < 0 || count() == 0)
        return;
    // A line where the dragged row will land: above row dropRow_, or below the last row.
    const bool atEnd = dropRow_ >= count();
    const QRect row = visualItemRect(item(atEnd ? count() - 1 : dropRow_));
    const int y = atEnd ? row.bottom() : row.top();
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(row.left() + 4, y, row.right() - 4, y);
}

void PageRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString title = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const bool selected = opt.state & QStyle::State_Selected;
    const QRect area = opt.rect.adjusted(6, 4, -6, -4);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QRect iconRect(area.left(), area.center().y() - 10, 20, 20);
    icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);

    QFont titleFont = opt.font;
    QFont captionFont = opt.font;
    captionFont.setPointSizeF(opt.font.pointSizeF() * 0.85);
    const QFontMetrics titleMetrics(titleFont), captionMetrics(captionFont);
    const int textLeft = iconRect.right() + 8;
    const int top = area.center().y() - (titleMetrics.height() + captionMetrics.height()) / 2;
    const QColor primary = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = selected ? primary : opt.palette.color(QPalette::PlaceholderText);

    painter->save();
    painter->setFont(titleFont);
    painter->setPen(primary);
    painter->drawText(QRect(textLeft, top, area.right() - textLeft, titleMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, title);
    painter->setFont(captionFont);
    painter->setPen(secondary);
    painter->drawText(QRect(textLeft, top + titleMetrics.height(), area.right() - textLeft,
                            captionMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      captionMetrics.elidedText(index.data(PageListWidget::SubtitleRole).toString(),
                                                Qt::ElideRight, area.right() - textLeft));
    painter->restore();
}

QSize PageRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    QFont captionFont = option.font;
    captionFont.setPointSizeF(option.font.pointSizeF() * 0.85);
    const int height = QFontMetrics(option.font).height() + QFontMetrics(captionFont).height() + 10;
    return {160, std::max(height, 30)};
}
