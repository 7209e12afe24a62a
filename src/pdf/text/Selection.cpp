#include "pdf/text/Selection.h"

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/text/TextPage.h"

#include <algorithm>

namespace pdf {

Selection::Selection(std::vector<Range> ranges) {
    for (auto& r : ranges)
        if (r.page && r.last > r.first)
            ranges_.push_back(std::move(r));
}

Selection Selection::fromPoints(const std::shared_ptr<Page>& startPage, QPointF start,
                                const std::shared_ptr<Page>& endPage, QPointF end) {
    if (!startPage || !endPage)
        return {};
    auto doc = startPage->document();
    if (!doc || endPage->document() != doc)
        return {};
    int a = startPage->index(), b = endPage->index();
    QPointF pa = start, pb = end;
    if (a > b) {
        std::swap(a, b);
        std::swap(pa, pb);
    }
    std::vector<Range> ranges;
    for (int i = a; i <= b; ++i) {
        auto page = doc->page(i);
        if (!page)
            continue;
        auto tp = page->textPage();
        if (!tp || tp->isEmpty())
            continue;
        int first = 0, last = int(tp->chars().size());
        if (i == a)
            first = tp->charNearest(pa);
        if (i == b)
            last = tp->charNearest(pb) + 1;
        if (a == b && first >= last) {
            // Dragged backwards on one page.
            const int f = tp->charNearest(pb);
            last = tp->charNearest(pa) + 1;
            first = f;
        }
        if (last > first)
            ranges.push_back({page, first, last});
    }
    return Selection(std::move(ranges));
}

namespace {

// The run `around` gives for the character nearest to `point`.
template <typename Around>
Selection runAt(const std::shared_ptr<Page>& page, QPointF point, Around around) {
    if (!page)
        return {};
    auto tp = page->textPage();
    const int i = tp ? tp->charNearest(point) : -1;
    if (i < 0)
        return {};
    const auto [first, last] = around(*tp, i);
    return Selection({{page, first, last}});
}

} // namespace

Selection Selection::wordAt(const std::shared_ptr<Page>& page, QPointF point) {
    return runAt(page, point, [](const TextPage& tp, int i) { return tp.wordAround(i); });
}

Selection Selection::lineAt(const std::shared_ptr<Page>& page, QPointF point) {
    return runAt(page, point, [](const TextPage& tp, int i) { return tp.lineAround(i); });
}

bool Selection::isEmpty() const {
    return ranges_.empty();
}

std::vector<std::shared_ptr<Page>> Selection::pages() const {
    std::vector<std::shared_ptr<Page>> out;
    for (const auto& r : ranges_)
        if (std::find(out.begin(), out.end(), r.page) == out.end())
            out.push_back(r.page);
    return out;
}

QRectF Selection::boundsForPage(const std::shared_ptr<Page>& page) const {
    QRectF box;
    for (const auto& r : ranges_) {
        if (r.page != page)
            continue;
        const QRectF b = r.page->textPage()->bounds(r.first, r.last);
        box = box.isNull() ? b : box.united(b);
    }
    return box;
}

std::vector<QRectF> Selection::lineRectsForPage(const Page* page) const {
    std::vector<QRectF> rects;
    for (const auto& r : ranges_) {
        if (r.page.get() != page)
            continue;
        auto tp = r.page->textPage();
        for (const auto& line : tp->lines()) {
            const int f = std::max(line.first, r.first), l = std::min(line.last, r.last);
            if (l > f)
                rects.push_back(tp->bounds(f, l));
        }
    }
    return rects;
}

QString Selection::string() const {
    QString out;
    for (size_t i = 0; i < ranges_.size(); ++i) {
        if (i > 0)
            out += QLatin1Char('\n');
        out += ranges_[i].page->textPage()->text(ranges_[i].first, ranges_[i].last);
    }
    return out;
}

std::vector<Selection> Selection::selectionsByLine() const {
    std::vector<Selection> out;
    for (const auto& r : ranges_) {
        auto tp = r.page->textPage();
        for (const auto& line : tp->lines()) {
            const int f = std::max(line.first, r.first), l = std::min(line.last, r.last);
            if (l > f) {
                Selection s({{r.page, f, l}});
                s.setColor(color_);
                out.push_back(std::move(s));
            }
        }
    }
    return out;
}

bool Selection::operator==(const Selection& other) const {
    if (ranges_.size() != other.ranges_.size())
        return false;
    for (size_t i = 0; i < ranges_.size(); ++i) {
        const auto& a = ranges_[i];
        const auto& b = other.ranges_[i];
        if (a.page != b.page || a.first != b.first || a.last != b.last)
            return false;
    }
    return true;
}

} // namespace pdf
