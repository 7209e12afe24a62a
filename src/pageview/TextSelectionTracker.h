#pragma once
// Turns mouse gestures on pages into text selections: a drag selects from the press point
// to the pointer (across pages too), a double click a word, a triple click a line.
// Points are in PDF user space of the page they fall on.
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"

#include <optional>

class TextSelectionTracker {
public:
    // Starts a gesture. `clicks` is 1, 2 or 3. Returns the selection it makes at once
    // (a word or a line), or nothing for a plain press.
    std::optional<pdf::Selection> press(const pdf::PagePtr& page, QPointF point, int clicks);
    // The selection for a pointer moved to `point` on `page` while the button is held;
    // nothing while the pointer has not moved far enough to count as a drag.
    std::optional<pdf::Selection> move(const pdf::PagePtr& page, QPointF point);
    // Ends the gesture; true when it was a plain click (no drag, single press).
    bool release();
    bool isActive() const { return active_; }
    bool isDragging() const { return dragging_; }

private:
    pdf::PagePtr anchorPage_;
    QPointF anchor_;
    int clicks_ = 0;
    bool active_ = false;
    bool dragging_ = false;
};
