#pragma once
// The characters of one page in reading order, with their boxes in PDF user space.
// Immutable once built; safe to share between threads.
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

namespace pdf {

struct TextChar {
    QString text;   // one code point (one or two UTF-16 units)
    QRectF box;     // PDF user space
    int line = 0;   // index into TextPage::lines()
};

struct TextLine {
    int first = 0; // first character index
    int last = 0;  // one past the last character index
    QRectF box;
};

class TextPage {
public:
    TextPage() = default;
    TextPage(std::vector<TextChar> chars, std::vector<TextLine> lines);

    const std::vector<TextChar>& chars() const { return chars_; }
    const std::vector<TextLine>& lines() const { return lines_; }
    bool isEmpty() const { return chars_.empty(); }

    // Text of characters [first, last): lines joined by "\n".
    QString text(int first, int last) const;
    QString text() const { return text(0, int(chars_.size())); }
    QRectF bounds(int first, int last) const;

    // Character nearest to a point (PDF user space), -1 on an empty page.
    int charNearest(const QPointF& point) const;
    // The word and the line containing character `index`, as [first, last).
    std::pair<int, int> wordAround(int index) const;
    std::pair<int, int> lineAround(int index) const;

    // Start indices of every case-insensitive occurrence of `needle` (already case folded)
    // and the index one past each end.
    std::vector<std::pair<int, int>> find(const QString& foldedNeedle) const;

private:
    std::vector<TextChar> chars_;
    std::vector<TextLine> lines_;
    QString folded_;              // case-folded text, one entry per character run
    std::vector<int> foldedStart_; // offset in folded_ of each character (+ end sentinel)
};

// Case folding used by search; exposed so callers fold the needle the same way.
QString foldForSearch(const QString& s);

} // namespace pdf
