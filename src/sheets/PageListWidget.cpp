#include "sheets/PageListWidget.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

PageListWidget::PageListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new PageRowDelegate(this));
    setIconSize(QSize(20, 20));
}

int PageListWidget::destinationRowAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return count();
    const QRect rect = visualRect(index);
    return pos.y() < rect.center().y() ? index.row() : index.row() + 1;
}

void PageListWidget::startDrag(Qt::DropActions) {
    // The list's own drag would remove the dragged rows once a move is reported, leaving
    // fewer rows than pages; this drag only carries the rows, and the model moves them.
    draggedRows_.clear();
    const QModelIndexList indexes = selectedIndexes();
    for (const QModelIndex& index : indexes)
        draggedRows_.append(index.row());
    if (draggedRows_.isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(model()->mimeData(indexes));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    draggedRows_.clear();
    emit dragFinished();
}

void PageListWidget::dragMoveEvent(QDragMoveEvent* event) {
    QListWidget::dragMoveEvent(event);
    // Only rows of this list are accepted.
    if (event->source() != this && event->source() != nullptr)
        event->ignore();
}

void PageListWidget::dropEvent(QDropEvent* event) {
    // Copy, not move: the model moves the pages and the list is redrawn from it, so the
    // view must not also remove the dragged rows.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    moveDraggedRowsTo(event->position().toPoint());
}

void PageListWidget::moveDraggedRowsTo(const QPoint& pos) {
    QList<int> rows = draggedRows_;
    if (rows.isEmpty())
        for (const QModelIndex& index : selectedIndexes())
            rows.append(index.row());
    if (!rows.isEmpty())
        emit rowsMoveRequested(rows, destinationRowAt(pos));
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
