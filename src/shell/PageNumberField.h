#pragma once
// The toolbar's page counter, which can be typed into: it reads "3 / 12"; focused (a
// click, Ctrl+L or Ctrl+G) it holds the page number alone, selected, and Enter goes there.
// A number out of range is refused with the range, and the field keeps the focus.
#include <QLineEdit>

class PageNumberField : public QLineEdit {
    Q_OBJECT
public:
    explicit PageNumberField(QWidget* parent = nullptr);

    // index is 0-based; total 0 shows nothing.
    void setPage(int index, int total);
    // Takes the keyboard with the number selected, ready to be typed over.
    void beginEntry();
    // The last refusal ("Enter a page from 1 to 12"), empty after a good entry.
    const QString& complaint() const { return complaint_; }

signals:
    void pageRequested(int index);
    // The entry is over (gone to a page, or left with Escape): the keyboard goes back.
    void entryFinished();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void commit();
    void showCounter();

    int index_ = 0;
    int total_ = 0;
    QString complaint_;
};
