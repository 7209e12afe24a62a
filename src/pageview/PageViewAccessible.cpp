#include "pageview/PageViewAccessible.h"

#include "pageview/PdfPageView.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "pdf/text/TextPage.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<PdfPageView*>(object))
        return new PageViewAccessible(view);
    return nullptr;
}

// [start, end) of the unit of `type` holding `offset` in `text`.
std::pair<int, int> unitAround(const QString& text, int offset,
                               QAccessible::TextBoundaryType type) {
    const int n = int(text.size());
    offset = std::clamp(offset, 0, n);
    switch (type) {
    case QAccessible::CharBoundary:
        return {offset, std::min(n, offset + 1)};
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: {
        const int start = offset == 0 ? 0 : int(text.lastIndexOf('\n', offset - 1)) + 1;
        const int newline = int(text.indexOf('\n', offset));
        return {start, newline < 0 ? n : newline + 1};
    }
    case QAccessible::WordBoundary:
    case QAccessible::SentenceBoundary: {
        QTextBoundaryFinder finder(type == QAccessible::WordBoundary
                                       ? QTextBoundaryFinder::Word
                                       : QTextBoundaryFinder::Sentence,
                                   text);
        finder.setPosition(offset);
        const int start =
            finder.isAtBoundary() ? offset : std::max<int>(0, int(finder.toPreviousBoundary()));
        finder.setPosition(offset);
        const int end = int(finder.toNextBoundary());
        return {start, end < 0 ? n : end};
    }
    case QAccessible::NoBoundary:
        break;
    }
    return {0, n};
}

} // namespace

PageViewAccessible::PageViewAccessible(PdfPageView* view)
    : QAccessibleWidget(view, QAccessible::Document) {
    // A screen reader follows the caret and the selection as the mouse or keys move them.
    QObject::connect(view, &PdfPageView::selectionChanged, view, [view] {
        QAccessibleInterface* self = QAccessible::queryAccessibleInterface(view);
        QAccessibleTextInterface* text = self ? self->textInterface() : nullptr;
        if (!text)
            return;
        int start = 0, end = 0;
        text->selection(0, &start, &end);
        QAccessibleTextSelectionEvent selection(view, start, end);
        QAccessible::updateAccessibility(&selection);
        QAccessibleTextCursorEvent cursor(view, end);
        QAccessible::updateAccessibility(&cursor);
    });
}

void PageViewAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

PdfPageView* PageViewAccessible::view() const {
    return static_cast<PdfPageView*>(widget());
}

void* PageViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PageViewAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return PdfPageView::tr("Pages");
    if (t == QAccessible::Value)
        return snapshot().text;
    return QAccessibleWidget::text(t);
}

QAccessible::State PageViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

PageViewAccessible::Snapshot PageViewAccessible::snapshot() const {
    Snapshot s;
    PdfPageView* v = view();
    const pdf::DocumentPtr doc = v->document();
    if (!doc)
        return s;
    const QRectF sight = v->viewport()->rect();
    for (int i = 0; i < doc->pageCount(); ++i) {
        const QRectF r = v->pageRectInViewport(i);
        if (r.isNull() || !r.intersects(sight))
            continue;
        const pdf::PagePtr page = doc->page(i);
        const auto tp = page ? page->textPage() : nullptr;
        if (!s.text.isEmpty())
            s.text += QStringLiteral("\n\n");
        Piece piece;
        piece.page = i;
        piece.start = int(s.text.size());
        if (tp) {
            int line = tp->chars().empty() ? 0 : tp->chars().front().line;
            for (const pdf::TextChar& ch : tp->chars()) {
                if (ch.line != line) {
                    s.text += QLatin1Char('\n');
                    line = ch.line;
                }
                piece.charOffsets.push_back(int(s.text.size()));
                s.text += ch.string();
            }
        }
        s.pieces.push_back(std::move(piece));
    }
    return s;
}

std::pair<int, int> PageViewAccessible::charAt(const Snapshot& s, int offset) const {
    for (auto it = s.pieces.rbegin(); it != s.pieces.rend(); ++it) {
        if (offset < it->start)
            continue;
        const auto& offsets = it->charOffsets;
        const auto found = std::upper_bound(offsets.begin(), offsets.end(), offset);
        return {it->page,
                int(found - offsets.begin()) - 1 < 0 ? 0 : int(found - offsets.begin()) - 1};
    }
    return {-1, 0};
}

int PageViewAccessible::offsetOf(const Snapshot& s, int page, int index) const {
    for (const Piece& p : s.pieces)
        if (p.page == page) {
            if (index < 0)
                return p.start;
            if (index >= int(p.charOffsets.size()))
                return p.charOffsets.empty() ? p.start : p.charOffsets.back() + 1;
            return p.charOffsets[size_t(index)];
        }
    return -1;
}

void PageViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const auto sel = view()->currentSelection();
    if (selectionIndex != 0 || !sel || sel->isEmpty())
        return;
    const Snapshot s = snapshot();
    int start = -1, end = -1;
    for (const auto& range : sel->ranges()) {
        const int page = range.page ? range.page->index() : -1;
        const int a = offsetOf(s, page, range.first), b = offsetOf(s, page, range.last);
        if (a < 0)
            continue;
        start = start < 0 ? a : std::min(start, a);
        end = std::max(end, b);
    }
    if (start >= 0) {
        *startOffset = start;
        *endOffset = end;
    }
}

int PageViewAccessible::selectionCount() const {
    int start = 0, end = 0;
    selection(0, &start, &end);
    return end > start ? 1 : 0;
}

void PageViewAccessible::select(int startOffset, int endOffset) {
    const Snapshot s = snapshot();
    if (endOffset < startOffset)
        std::swap(startOffset, endOffset);
    const auto [firstPage, first] = charAt(s, startOffset);
    const auto [lastPage, lastChar] = charAt(s, std::max(startOffset, endOffset - 1));
    const pdf::DocumentPtr doc = view()->document();
    if (!doc || firstPage < 0 || endOffset <= startOffset) {
        view()->clearSelection();
        return;
    }
    std::vector<pdf::Selection::Range> ranges;
    for (int page = firstPage; page <= lastPage; ++page) {
        const pdf::PagePtr p = doc->page(page);
        const auto tp = p ? p->textPage() : nullptr;
        if (!tp)
            continue;
        const int from = page == firstPage ? first : 0;
        const int to = page == lastPage ? lastChar + 1 : int(tp->chars().size());
        if (to > from)
            ranges.push_back({p, from, to});
    }
    view()->setCurrentSelection(pdf::Selection(std::move(ranges)), false);
}

void PageViewAccessible::addSelection(int startOffset, int endOffset) {
    select(startOffset, endOffset);
}

void PageViewAccessible::removeSelection(int) {
    view()->clearSelection();
}

void PageViewAccessible::setSelection(int, int startOffset, int endOffset) {
    select(startOffset, endOffset);
}

int PageViewAccessible::cursorPosition() const {
    int start = 0, end = 0;
    selection(0, &start, &end);
    return end;
}

void PageViewAccessible::setCursorPosition(int position) {
    // A reader has no caret of its own: the caret is where the selection ends.
    select(position, position);
}

QString PageViewAccessible::text(int startOffset, int endOffset) const {
    const QString all = snapshot().text;
    startOffset = std::clamp(startOffset, 0, int(all.size()));
    endOffset =
        endOffset < 0 ? int(all.size()) : std::clamp(endOffset, startOffset, int(all.size()));
    return all.mid(startOffset, endOffset - startOffset);
}

QString PageViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                         int* startOffset, int* endOffset) const {
    const QString all = snapshot().text;
    const auto [start, end] = unitAround(all, offset, type);
    *startOffset = start;
    *endOffset = end;
    return all.mid(start, end - start);
}

QString PageViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* startOffset, int* endOffset) const {
    const QString all = snapshot().text;
    const int at = unitAround(all, offset, type).first;
    if (at <= 0) {
        *startOffset = *endOffset = 0;
        return {};
    }
    const auto [start, end] = unitAround(all, at - 1, type);
    *startOffset = start;
    *endOffset = end;
    return all.mid(start, end - start);
}

QString PageViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                            int* startOffset, int* endOffset) const {
    const QString all = snapshot().text;
    const int next = unitAround(all, offset, type).second;
    if (next >= all.size()) {
        *startOffset = *endOffset = int(all.size());
        return {};
    }
    const auto [start, end] = unitAround(all, next, type);
    *startOffset = start;
    *endOffset = end;
    return all.mid(start, end - start);
}

int PageViewAccessible::characterCount() const {
    return int(snapshot().text.size());
}

QRect PageViewAccessible::characterRect(int offset) const {
    const Snapshot s = snapshot();
    const auto [page, index] = charAt(s, offset);
    const pdf::DocumentPtr doc = view()->document();
    const pdf::PagePtr p = doc && page >= 0 ? doc->page(page) : nullptr;
    const auto tp = p ? p->textPage() : nullptr;
    if (!tp || index >= int(tp->chars().size()))
        return {};
    const QRectF box = tp->chars()[size_t(index)].box();
    const QPointF a = view()->viewportPointForPagePoint(page, box.topLeft());
    const QPointF b = view()->viewportPointForPagePoint(page, box.bottomRight());
    const QRect local = QRectF(a, b).normalized().toAlignedRect();
    return QRect(view()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int PageViewAccessible::offsetAtPoint(const QPoint& point) const {
    QPointF onPage;
    const int page =
        view()->pageAtViewportPoint(view()->viewport()->mapFromGlobal(point), &onPage, true);
    const pdf::DocumentPtr doc = view()->document();
    const pdf::PagePtr p = doc && page >= 0 ? doc->page(page) : nullptr;
    const auto tp = p ? p->textPage() : nullptr;
    if (!tp)
        return -1;
    return offsetOf(snapshot(), page, tp->charNearest(onPage));
}

void PageViewAccessible::scrollToSubstring(int startIndex, int) {
    const auto [page, index] = charAt(snapshot(), startIndex);
    (void)index;
    if (page >= 0)
        view()->goToPageIndex(page);
}

QString PageViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = offset;
    *endOffset = offset + 1;
    return {};
}
