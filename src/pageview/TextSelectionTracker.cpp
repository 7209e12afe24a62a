#include "pageview/TextSelectionTracker.h"

#include <QLineF>

namespace {
// Points (1/72 inch) the pointer must travel before a press becomes a drag.
constexpr double kDragThreshold = 2.0;
} // namespace

std::optional<pdf::Selection> TextSelectionTracker::press(const pdf::PagePtr& page, QPointF point,
                                                          int clicks) {
    anchorPage_ = page;
    anchor_ = point;
    clicks_ = clicks;
    active_ = page != nullptr;
    dragging_ = false;
    if (!page)
        return std::nullopt;
    if (clicks == 2)
        return pdf::Selection::wordAt(page, point);
    if (clicks >= 3)
        return pdf::Selection::lineAt(page, point);
    return std::nullopt;
}

std::optional<pdf::Selection> TextSelectionTracker::move(const pdf::PagePtr& page, QPointF point) {
    if (!active_ || !page || clicks_ != 1)
        return std::nullopt;
    if (!dragging_ && page == anchorPage_ && QLineF(anchor_, point).length() < kDragThreshold)
        return std::nullopt;
    dragging_ = true;
    return pdf::Selection::fromPoints(anchorPage_, anchor_, page, point);
}

bool TextSelectionTracker::release() {
    const bool click = active_ && !dragging_ && clicks_ == 1;
    active_ = false;
    dragging_ = false;
    anchorPage_.reset();
    return click;
}
