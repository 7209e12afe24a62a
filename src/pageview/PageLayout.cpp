#include "pageview/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Row {
    int first = 0;
    int last = 0; // inclusive
};

std::vector<Row> rowsFor(int count, PDFDisplayMode mode) {
    std::vector<Row> rows;
    const int step = PageLayout::isTwoUp(mode) ? 2 : 1;
    for (int i = 0; i < count; i += step)
        rows.push_back({i, std::min(count - 1, i + step - 1)});
    return rows;
}

double rowWidthPts(const std::vector<QSizeF>& sizes, const Row& row, double gapPts) {
    double w = 0;
    for (int i = row.first; i <= row.last; ++i)
        w += sizes[i].width();
    return w + gapPts * (row.last - row.first);
}

} // namespace

bool PageLayout::isTwoUp(PDFDisplayMode mode) {
    return mode == PDFDisplayMode::twoUp || mode == PDFDisplayMode::twoUpContinuous;
}

bool PageLayout::isContinuous(PDFDisplayMode mode) {
    return mode == PDFDisplayMode::singlePageContinuous || mode == PDFDisplayMode::twoUpContinuous;
}

int PageLayout::rowOf(int page, PDFDisplayMode mode) {
    return isTwoUp(mode) ? page / 2 : page;
}

double PageLayout::fitWidthScale(const std::vector<QSizeF>& sizes, PDFDisplayMode mode,
                                 double viewportWidth) {
    // The gap between two-up pages stays kGap pixels whatever the scale, so solve
    // widthPts * s + gaps = available for each row and keep the smallest s.
    const double available = viewportWidth - 2 * kMargin;
    double best = std::numeric_limits<double>::max();
    for (const Row& row : rowsFor(int(sizes.size()), mode)) {
        const double pts = rowWidthPts(sizes, row, 0);
        if (pts <= 0)
            continue;
        const double gaps = kGap * (row.last - row.first);
        best = std::min(best, (available - gaps) / pts);
    }
    if (best == std::numeric_limits<double>::max())
        return 1.0;
    return std::max(best, 0.05);
}

PageLayout::PageLayout(const std::vector<QSizeF>& sizes, PDFDisplayMode mode, double scale,
                       double viewportWidth, int shownPage) {
    const int count = int(sizes.size());
    rects_.assign(count, QRectF());
    if (count == 0) {
        content_ = QSizeF(viewportWidth, 0);
        return;
    }
    std::vector<Row> rows = rowsFor(count, mode);
    if (!isContinuous(mode)) {
        const int r =
            std::clamp(rowOf(std::clamp(shownPage, 0, count - 1), mode), 0, int(rows.size()) - 1);
        rows = {rows[r]};
    }
    double widest = 0;
    for (const Row& row : rows)
        widest =
            std::max(widest, rowWidthPts(sizes, row, 0) * scale + kGap * (row.last - row.first));
    const double contentWidth = std::max(viewportWidth, widest + 2 * kMargin);

    double y = kMargin;
    for (const Row& row : rows) {
        double height = 0;
        for (int i = row.first; i <= row.last; ++i)
            height = std::max(height, sizes[i].height() * scale);
        const double width = rowWidthPts(sizes, row, 0) * scale + kGap * (row.last - row.first);
        double x = std::round((contentWidth - width) / 2);
        for (int i = row.first; i <= row.last; ++i) {
            const QSizeF s = sizes[i] * scale;
            // Whole pixels keep tiles and sheet edges crisp.
            rects_[i] = QRectF(x, std::round(y + (height - s.height()) / 2), std::round(s.width()),
                               std::round(s.height()));
            order_.push_back(i);
            x += s.width() + kGap;
        }
        y += std::round(height) + kGap;
    }
    content_ = QSizeF(contentWidth, y - kGap + kMargin);
    firstShown_ = rows.front().first;
    lastShown_ = rows.back().last;
}

QRectF PageLayout::pageRect(int page) const {
    if (page < 0 || page >= int(rects_.size()))
        return {};
    return rects_[page];
}

std::vector<int> PageLayout::pagesIn(const QRectF& area) const {
    // A linear pass over a thousand rectangles costs microseconds; not worth an index.
    std::vector<int> out;
    for (int page : order_)
        if (rects_[page].intersects(area))
            out.push_back(page);
    std::sort(out.begin(), out.end());
    return out;
}

int PageLayout::pageFillingMost(const QRectF& area) const {
    int best = -1;
    double bestArea = 0;
    for (int page : pagesIn(area)) {
        const QRectF r = rects_[page].intersected(area);
        const double a = r.width() * r.height();
        if (a > bestArea) {
            bestArea = a;
            best = page;
        }
    }
    if (best < 0 && !order_.empty())
        best = order_.front();
    return best;
}

int PageLayout::pageAt(const QPointF& point, bool nearest) const {
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (int page : order_) {
        const QRectF& r = rects_[page];
        if (r.contains(point))
            return page;
        if (!nearest)
            continue;
        const double dx = std::max({r.left() - point.x(), 0.0, point.x() - r.right()});
        const double dy = std::max({r.top() - point.y(), 0.0, point.y() - r.bottom()});
        const double d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = page;
        }
    }
    return best;
}
