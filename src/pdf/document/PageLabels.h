#pragma once
// A document's own page numbering ("i", "ii", ... for the front matter, "A-1" for an
// appendix), as its /PageLabels number tree gives it. Without labels a page goes by its
// number (index + 1). Labels from a file are bounded: a prefix is cut to kMaxPrefix
// printable characters, and a number that would make an absurd roman numeral or letter
// run is written in digits.
#include <QString>
#include <QtGlobal>

#include <vector>

namespace pdf {

class Document;

class PageLabels {
public:
    enum class Style { None, Decimal, UpperRoman, LowerRoman, UpperLetters, LowerLetters };
    struct Range {
        int start = 0; // first page index of the range
        Style style = Style::Decimal;
        QString prefix{};
        qint64 first = 1; // the number of the range's first page
    };
    static constexpr int kMaxPrefix = 64;

    PageLabels() = default;
    // The labels of `document`; none for a locked document or one without them. Ranges
    // out of order, past the last page or unreadable are left out.
    static PageLabels read(const Document& document);
    // From ranges in any order; the same bounds apply as for a file's.
    PageLabels(std::vector<Range> ranges, int pageCount);

    int pageCount() const { return pageCount_; }
    bool isEmpty() const { return ranges_.empty(); }
    // The page's label; its number as text where no range covers it.
    QString label(int index) const;
    // Whether the label says something else than the page's number.
    bool differs(int index) const { return label(index) != QString::number(index + 1); }
    // "iv (4)" where the label differs from the number, else "4".
    QString display(int index) const;
    // The page labelled `text` (exactly, else ignoring case), else the page numbered
    // `text`; -1 for neither.
    int indexForText(const QString& text) const;

    // A range's number written in its style ("xiv", "AA", "12").
    static QString number(Style style, qint64 value);

private:
    // From the file, with the engine lock (held by the caller).
    static PageLabels readNow(const Document& document);
    std::vector<Range> ranges_; // by start, the first one from page 0 when the file says so
    int pageCount_ = 0;
};

} // namespace pdf
