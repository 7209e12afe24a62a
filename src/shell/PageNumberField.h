#pragma once
// The toolbar's page counter, which can be typed into: it reads "3 / 12", or "iv (4 / 12)"
// where the document labels its pages; focused (a click, Ctrl+L or Ctrl+G) it holds the
// page's label alone, selected, and Enter goes to the page labelled or numbered so.
// Anything else is refused with the range, and the field keeps the focus.
#include "pdf/document/PageLabels.h"

#include <QLineEdit>

class PageNumberField : public QLineEdit {
    Q_OBJECT
public:
    explicit PageNumberField(QWidget* parent = nullptr);

    // index is 0-based; total 0 shows nothing.
    void setPage(int index, int total);
    // The document's own page labels (none: pages go by number).
    void setLabels(const pdf::PageLabels& labels);
    // Takes the keyboard with the number selected, ready to be typed over.
    void beginEntry();
    // The last refusal ("Enter a page from 1 to 12"), empty after a good entry.
    const QString& complaint() const { return complaint_; }

signals:
    void pageRequested(int index);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void commit();
    void showCounter();

    int index_ = 0;
    int total_ = 0;
    pdf::PageLabels labels_;
    QString entryText() const;
    QString complaint_;
};
