#pragma once
// Filling a form on the page itself: a click on a text field opens an editor over it, a
// click on a check box or radio button switches it, a click on a choice field opens its
// list; Tab and Shift+Tab move through the fields in page order. It watches the page
// view's viewport ahead of the view, so a click on a form field never reaches text
// selection or annotation handling. Every change is one undoable edit of the document,
// the same the form sheet makes.
#include "pdf/annotations/Annotation.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <map>
#include <vector>

class DocumentViewModel;
class PdfPageView;
class QWidget;

class PageFormFiller : public QObject {
    Q_OBJECT
public:
    PageFormFiller(PdfPageView* view, DocumentViewModel* documentVM);

    // The open editor (a line edit, a combo box, or the focus frame of a button), or null.
    QWidget* editor() const { return editor_; }
    pdf::AnnotationPtr activeField() const { return active_.annotation; }

    // Acts on the fillable field under the viewport point; false when there is none.
    bool activateAt(QPointF viewportPoint);
    // Keeps what was typed and closes the editor.
    void commit();
    // Closes the editor without keeping what was typed.
    void cancel();
    // The next (or previous) fillable field after the active one, wrapping around.
    void focusNext(bool backwards = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Field {
        pdf::AnnotationPtr annotation;
        int pageIndex = -1;
        QRectF bounds; // PDF user space
    };

    Field fieldAt(QPointF viewportPoint) const;
    const std::vector<Field>& fieldsOn(int pageIndex) const;
    std::vector<Field> allFields() const;
    QRect viewportRect(const Field& field) const;
    void open(const Field& field, bool toggle);
    void closeEditor();
    void place();
    void setValue(const Field& field, const QString& text);
    void toggle(const Field& field);
    void forget();

    PdfPageView* view_;
    QWidget* viewport_;
    QPointer<DocumentViewModel> documentVM_;
    QPointer<QWidget> editor_;
    Field active_;
    bool swallowing_ = false; // a press on a field: its moves and release are ours too
    bool closing_ = false;
    mutable std::map<int, std::vector<Field>> perPage_;
};
