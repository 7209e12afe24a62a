#pragma once
// Picking an annotation on the page view and editing it with the pointer and keys: a
// frame with eight resize handles (two end handles for lines), dragging to move or
// resize, arrow keys to nudge, Delete to remove, Escape to let go, and a context menu to
// restyle. Every change is an edit performed through the document view model, so it can
// be undone; a drag is one step, and so is a run of nudges (see nudge()).
#include "pdf/annotations/Annotation.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <optional>
#include <vector>

class AnnotationViewModel;
class DocumentViewModel;
class PdfPageView;
class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QPainter;

class AnnotationSelector : public QObject {
    Q_OBJECT
public:
    explicit AnnotationSelector(PdfPageView& view);

    // Without a document view model (or one showing another document) nothing is picked.
    void setModels(DocumentViewModel* documentVM, AnnotationViewModel* annotationVM);

    pdf::AnnotationPtr selected() const { return selected_; }
    int selectedPage() const { return page_; }
    void select(int page, const pdf::AnnotationPtr& annotation);
    void clear();

    // The selection's frame in viewport coordinates (where a drag has it now); null when
    // nothing is selected.
    QRectF frame() const;
    // Viewport centres of the handles: eight around the frame (top-left first, clockwise),
    // then a line's start and end.
    std::vector<QPointF> handles() const;

    // The page view hands its events here first; true when the event was used.
    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    bool mouseRelease(QMouseEvent* event);
    bool keyPress(QKeyEvent* event);
    bool contextMenu(QContextMenuEvent* event);
    void paint(QPainter& painter) const;

    // The selection's menu: Delete, and the styles its kind takes.
    void fillMenu(QMenu& menu);

    bool removeSelected();
    bool recolorSelected(const QColor& color);
    bool setSelectedLineWidth(double width);
    bool setSelectedFontSize(double size);

signals:
    void selectionChanged();

private:
    enum class Drag { none, move, resize, lineEnd };

    bool enabled() const;
    bool perform(std::unique_ptr<class DocumentEdit> edit);
    // Arrow keys move the selection a point (ten with Shift) the way the arrow points on
    // screen. Nudges of one annotation are one undo step until another annotation is
    // selected, the mouse is pressed on the page, or any other step is taken or undone.
    bool nudge(QKeyEvent* event);
    // Viewport <-> PDF user space on the selection's page.
    QPointF toPage(QPointF viewportPoint) const;
    QPointF toViewport(QPointF pagePoint) const;
    QRectF viewportFrameOf(const QRectF& pageFrame) const;
    int handleAt(QPointF point) const;
    bool hitsSelection(QPointF point) const;
    // The annotation a press at `point` (PDF space) on page `index` picks.
    pdf::AnnotationPtr pick(int index, QPointF point, bool forMenu) const;
    QRectF draggedFrame(QPointF pointer) const;
    // How far (PDF space) a move drag to `pointer` takes the selection.
    QPointF moveDelta(QPointF pointer) const;
    // `delta` (PDF space) cut short where it would take the selection off its page.
    QPointF keptOnPage(QPointF delta) const;
    void validate();

    PdfPageView& view_;
    QPointer<DocumentViewModel> documentVM_;
    QPointer<AnnotationViewModel> annotationVM_;
    pdf::AnnotationPtr selected_;
    int page_ = -1;

    Drag drag_ = Drag::none;
    int handle_ = -1;
    bool dragging_ = false;    // past the drag distance
    bool markupPress_ = false; // text markup was picked by this press; a drag selects text
    QPointF pressAt_;
    QPointF pointer_;

    int nudgeGesture_ = 0; // the run of nudges going on; 0 when none
    bool nudging_ = false; // a nudge is being performed: its own step is no interruption
};
