#pragma once
// Draws one page card: the thumbnail fitted into 80 × 110 with a 2-point border in the
// accent colour for the current page, and "Page N" below it in the caption font.
#include <QStyledItemDelegate>

class PageCardDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QFont captionFont(const QFont& base);
    static constexpr int cardWidth = 100;
    static constexpr int labelSpacing = 4;
};
