#pragma once
// Where each page sits in the page view, in logical pixels of the scrolled content.
// Pure geometry: knows page sizes in points, the layout mode and the scale, nothing else.
#include "viewmodels/PageViewInterface.h"

#include <QRectF>
#include <QSizeF>

#include <vector>

class PageLayout {
public:
    static constexpr double kMargin = 12.0; // around the content, logical pixels
    static constexpr double kGap = 12.0;    // between pages, logical pixels

    PageLayout() = default;
    // `sizes` are the pages' display sizes in points (rotation applied). In the two
    // non-continuous modes only the row holding `shownPage` is laid out.
    PageLayout(const std::vector<QSizeF>& sizes, PDFDisplayMode mode, double scale,
               double viewportWidth, int shownPage);

    // The scale at which the widest row fills `viewportWidth`.
    static double fitWidthScale(const std::vector<QSizeF>& sizes, PDFDisplayMode mode,
                                double viewportWidth);
    static bool isTwoUp(PDFDisplayMode mode);
    static bool isContinuous(PDFDisplayMode mode);
    // Row of a page: its index in continuous single mode, index / 2 in the two-up modes.
    static int rowOf(int page, PDFDisplayMode mode);

    QSizeF contentSize() const { return content_; }
    int pageCount() const { return int(rects_.size()); }
    // Null for pages outside the laid-out rows.
    QRectF pageRect(int page) const;
    bool isLaidOut(int page) const { return !pageRect(page).isNull(); }
    // Pages whose rectangles meet `area`, in index order.
    std::vector<int> pagesIn(const QRectF& area) const;
    // The page covering most of `area`; the first laid-out page when none meets it, -1 if empty.
    int pageFillingMost(const QRectF& area) const;
    // The page under `point`, or the nearest one when `nearest` is set; -1 if there is none.
    int pageAt(const QPointF& point, bool nearest = false) const;
    // First and last page of the laid-out rows (equal to the whole range when continuous).
    int firstShown() const { return firstShown_; }
    int lastShown() const { return lastShown_; }

private:
    std::vector<QRectF> rects_;
    std::vector<int> order_; // laid-out pages, in index order
    QSizeF content_;
    int firstShown_ = -1;
    int lastShown_ = -1;
};
