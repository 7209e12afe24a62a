#pragma once
// The characters of one page in reading order, with their boxes in PDF user space.
// Immutable once built; safe to share between threads.
#include <QPointF>
#include <QRectF>
#include <QString>

#include <string>
#include <vector>

namespace pdf {

struct TextChar {
    char32_t code = 0; // one code point
    int line = 0;      // index into TextPage::lines()
    float x0 = 0, y0 = 0, x1 = 0,
          y1 = 0; // box in PDF user space (kept small: pages hold thousands)
    QRectF box() const { return QRectF(QPointF(x0, y0), QPointF(x1, y1)); }
    QString string() const { return QString::fromUcs4(&code, 1); }
};

// How a search compares: by default letters match whatever their case and accents.
struct SearchOptions {
    bool matchCase = false;
    bool wholeWords = false;      // a match begins and ends at a word's edge
    bool matchDiacritics = false; // false: "Zurich" finds "Zürich", and the other way round
    bool operator==(const SearchOptions&) const = default;
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

    // [first, last) of every case-insensitive occurrence of `needle` (folded with
    // foldForSearch) within a line, in reading order; occurrences do not overlap.
    std::vector<std::pair<int, int>> find(const std::u32string& foldedNeedle) const;
    // The same with `options`; the needle folded with foldForSearch(text, options).
    std::vector<std::pair<int, int>> find(const std::u32string& foldedNeedle,
                                          const SearchOptions& options) const;

private:
    std::vector<TextChar> chars_;
    std::vector<TextLine> lines_;
};

// Simple (one-to-one) case folding used by search; fold the needle the same way.
std::u32string foldForSearch(const QString& s);
// Folded as `options` ask: case unless matchCase, accents unless matchDiacritics.
std::u32string foldForSearch(const QString& s, const SearchOptions& options);

} // namespace pdf
