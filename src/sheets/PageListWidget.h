#pragma once
// The composition's page list: one row per page (template icon, "Page n", size and
// template), reordered by dragging. It does not move rows itself; it reports the move
// and the sheet redraws the list from the model.
#include <QListWidget>
#include <QStyledItemDelegate>

class PageListWidget : public QListWidget {
    Q_OBJECT
public:
    // Row data beyond the display text ("Page n"): the second line, "A4 - Blank".
    static constexpr int SubtitleRole = Qt::UserRole + 1;

    explicit PageListWidget(QWidget* parent = nullptr);

    // The row a drop at `pos` (viewport coordinates) lands before; count() for the end.
    int destinationRowAt(const QPoint& pos) const;
    // What a drop at `pos` does: the rows being dragged (the selected ones when no drag
    // of this list is under way) are asked to move there.
    void moveDraggedRowsTo(const QPoint& pos);

signals:
    // The pages at `rows` are to move before `destination` (a row before the move).
    void rowsMoveRequested(const QList<int>& rows, int destination);
    // A drag of this list's rows ended, dropped or not.
    void dragFinished();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QList<int> draggedRows_;
};

// Paints a page row: icon, "Page n" and, below it, the size and template in a smaller,
// secondary text.
class PageRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
