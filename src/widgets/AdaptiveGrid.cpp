#include "widgets/AdaptiveGrid.h"

#include <QGridLayout>
#include <QResizeEvent>

AdaptiveGrid::AdaptiveGrid(int minimumColumnWidth, int spacing, QWidget* parent)
    : QWidget(parent), minimumColumnWidth_(minimumColumnWidth), spacing_(spacing),
      grid_(new QGridLayout(this)) {
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setHorizontalSpacing(spacing);
    grid_->setVerticalSpacing(spacing);
    grid_->setAlignment(Qt::AlignTop);
}

void AdaptiveGrid::addItem(QWidget* item) {
    items_.append(item);
    item->setParent(this);
    columns_ = 0; // place it on the next arrangement
    arrange(width());
}

void AdaptiveGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(event->size().width());
}

void AdaptiveGrid::arrange(int width) {
    const int columns = std::max(1, (width + spacing_) / (minimumColumnWidth_ + spacing_));
    if (columns == columns_)
        return;
    columns_ = columns;
    for (QWidget* item : items_)
        grid_->removeWidget(item);
    for (int c = 0; c < grid_->columnCount(); ++c)
        grid_->setColumnStretch(c, 0);
    for (int i = 0; i < items_.size(); ++i)
        grid_->addWidget(items_[i], i / columns, i % columns);
    // Equal columns; no minimum widths, so the grid can still shrink and re-flow.
    for (int c = 0; c < columns; ++c)
        grid_->setColumnStretch(c, 1);
}
