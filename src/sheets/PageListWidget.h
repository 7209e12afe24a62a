#pragma once
// The composition's page list: one row per page (template icon, "Page n", size and
// template), reordered by dragging a row with the mouse. The list moves no rows itself: it
// reports the move and the sheet redraws the list from the model. The drag is the list's
// own (press, move, release on its rows, with a line where the rows will land), not a
// drag and drop between windows: rows cannot leave the list, and the gesture behaves the
// same on every display server.
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

    // Whether a row is being dragged, and the row it would land before.
    bool isDragging() const { return !draggedRows_.isEmpty(); }
    int dropRow() const { return dropRow_; }

signals:
    // The pages at `rows` are to move before `destination` (a row before the move).
    void rowsMoveRequested(const QList<int>& rows, int destination);
    // A drag of this list's rows ended, dropped or not.
    void dragFinished();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Ends the drag; with `drop`, asks for the move to `pos` first.
    void finishDrag(bool drop, const QPoint& pos = {});

    int pressedRow_ = -1; // the row under a left-button press, until the release
    QPoint pressPos_;
    QList<int> draggedRows_;
    int dropRow_ = -1;
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
