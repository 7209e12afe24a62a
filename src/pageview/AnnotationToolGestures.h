#pragma once
// What the mouse (or a pen) does on the pages while a drawing tool of the annotation
// toolbar is chosen: underline or strike out what is selected, place notes and text boxes
// (edited in place), draw ink, drag out shapes, lines and arrows, place a signature,
// mark text or areas for redaction.
// The page view hands its input here first; whatever is not taken goes on as before.
#include "models/AnnotationStyle.h"
#include "pdf/annotations/Annotation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPlainTextEdit>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class AnnotationViewModel;
class DocumentViewModel;
class PdfPageView;
class QHelpEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

class AnnotationToolGestures : public QObject {
    Q_OBJECT
public:
    AnnotationToolGestures(PdfPageView& view, AnnotationViewModel& settings,
                           DocumentViewModel& documentVM);
    ~AnnotationToolGestures() override;

    // Input from the page view, in viewport coordinates; true when taken.
    bool press(QMouseEvent* event);
    bool move(QMouseEvent* event);
    bool release(QMouseEvent* event);
    bool doubleClick(QMouseEvent* event);
    bool keyPress(QKeyEvent* event);
    // Shows a note's text under `viewportPoint`; false when there is no note there.
    bool showToolTip(QPoint viewportPoint, QPoint globalPoint);
    // What is being drawn and not yet made, over the pages.
    void paint(QPainter& painter) const;

    // The signature tool hands its place on: the page, and the dragged box in page space
    // (empty for a click, whose centre is the point clicked).
    using SignaturePlacer = std::function<bool(int pageIndex, const QRectF& pageRect)>;
    void setSignaturePlacer(SignaturePlacer placer) { placeSignature_ = std::move(placer); }

    // Strokes begun within this time after the last one ended make one ink annotation.
    void setStrokeGroupInterval(int milliseconds) { inkTimer_.setInterval(milliseconds); }
    int strokeGroupInterval() const { return inkTimer_.interval(); }
    // Makes the ink annotation of the strokes waiting for their group to end.
    void finishInk();
    bool hasPendingInk() const { return !pendingStrokes_.empty(); }

    // The in-place editor of a note or text box, while one is open.
    QPlainTextEdit* editor() const { return editor_; }
    // Ends the editing: the text is kept (an empty text makes nothing) or dropped.
    void closeEditor(bool keep);

private:
    struct Press {
        int page = -1;
        QPointF pagePoint;
        QPointF viewportPoint;
    };

    AnnotationTool tool() const;
    std::optional<Press> locate(QPointF viewportPoint, int onlyPage = -1) const;
    QPointF toViewport(int page, QPointF pagePoint) const;
    pdf::AnnotationPtr annotationAt(QPointF viewportPoint, const QString& subtype) const;
    pdf::AnnotationPtr noteAt(QPointF viewportPoint) const;
    // Whether a line of the page's text lies under the point.
    bool onText(const Press& at) const;
    pdf::AnnotationPtr textBoxAt(QPointF viewportPoint) const;
    void finishDrag(const Press& start, const Press& end);
    // Opens the editor over `viewportRect` with `text`; `commit` receives what was typed.
    void openEditor(const QRectF& viewportRect, double fontPixels, const QString& text,
                    std::function<void(const QString&)> commit);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void toolChanged();

    PdfPageView& view_;
    AnnotationViewModel& settings_;
    DocumentViewModel& documentVM_;
    SignaturePlacer placeSignature_;

    std::optional<Press> pressed_;
    QPointF dragPoint_;           // viewport
    bool selectingText_ = false;  // the redact tool's press began a text selection
    std::vector<QPointF> stroke_; // page points of the stroke being drawn
    int inkPage_ = -1;
    std::vector<std::vector<QPointF>> pendingStrokes_;
    QTimer inkTimer_;

    // Keeps the editor over the place it edits while the pages scroll or zoom.
    void followPages();

    QPointer<QPlainTextEdit> editor_;
    int editorPage_ = -1;
    QPointF editorAnchor_; // page point under the editor's top-left corner
    std::function<void(const QString&)> commitEditor_;
};
