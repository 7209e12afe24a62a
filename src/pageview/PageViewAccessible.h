#pragma once
// What assistive technology reads from the page view: the text of the pages in sight as one
// read-only text (lines end with "\n", pages are parted by a blank line), the caret at the
// end of the selection, and the selection itself, which a screen reader may also set.
#include <QAccessibleWidget>

#include <memory>
#include <vector>

class PdfPageView;

class PageViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PageViewAccessible(PdfPageView* view);

    // Makes the page views of this process answer through this interface (once is enough).
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    // The text in sight and, per page, where each of its characters lands in it.
    struct Piece {
        int page = -1;
        int start = 0;                // offset of the page's text
        std::vector<int> charOffsets; // per character of the page's text
    };
    struct Snapshot {
        QString text;
        std::vector<Piece> pieces;
    };
    Snapshot snapshot() const;
    PdfPageView* view() const;
    // The character at `offset` as (page, index); page -1 when none.
    std::pair<int, int> charAt(const Snapshot& s, int offset) const;
    int offsetOf(const Snapshot& s, int page, int index) const;
    void select(int startOffset, int endOffset);
};
