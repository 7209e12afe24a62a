#pragma once
// A run of text on one or more pages: what the mouse selects and what search finds.
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

namespace pdf {

class Page;

class Selection {
public:
    struct Range {
        std::shared_ptr<Page> page;
        int first = 0; // character indices in the page's TextPage
        int last = 0;  // one past the end
    };

    Selection() = default;
    explicit Selection(std::vector<Range> ranges);

    // Text between two points, each on its page (PDF user space); pages in between are whole.
    static Selection fromPoints(const std::shared_ptr<Page>& startPage, QPointF start,
                                const std::shared_ptr<Page>& endPage, QPointF end);
    static Selection wordAt(const std::shared_ptr<Page>& page, QPointF point);
    static Selection lineAt(const std::shared_ptr<Page>& page, QPointF point);

    bool isEmpty() const;
    const std::vector<Range>& ranges() const { return ranges_; }
    std::vector<std::shared_ptr<Page>> pages() const;
    // Bounding box of the selected characters on `page`; empty when it is not touched.
    QRectF boundsForPage(const std::shared_ptr<Page>& page) const;
    // Per-line boxes on `page`, for drawing.
    std::vector<QRectF> lineRectsForPage(const Page* page) const;
    QString string() const;
    std::vector<Selection> selectionsByLine() const;

    QColor color() const { return color_; }
    void setColor(const QColor& c) { color_ = c; }

    bool operator==(const Selection& other) const;

private:
    std::vector<Range> ranges_;
    QColor color_;
};

} // namespace pdf
