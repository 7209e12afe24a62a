#pragma once
// What differs between the texts of two documents, word by word. Pages are paired first,
// so a page inserted or removed on one side does not make every later page "changed";
// then the words of each pair are compared. Words are compared exactly (case and accents
// count); the layout of lines does not.
#include "pdf/document/Document.h"

#include <QRectF>
#include <QString>

#include <vector>

namespace base {
class CancelToken;
}

namespace DocumentComparison {

struct Word {
    QString text;
    QRectF box; // PDF user space
};
using PageWords = std::vector<Word>;

// One row of the side-by-side view: a page of each document, or a page on one side only.
struct PagePair {
    int left = -1; // page index, -1: none on that side
    int right = -1;
    bool operator==(const PagePair&) const = default;
};

enum class Kind { added, removed, changed };

struct Difference {
    Kind kind = Kind::changed;
    int row = 0; // index into Result::pages
    int leftPage = -1;
    int rightPage = -1;
    bool wholePage = false;        // a page present on one side only
    QString leftText;              // the words removed or replaced, shortened for a whole page
    QString rightText;             // the words added or put in their place
    std::vector<QRectF> leftBoxes; // one per word, PDF user space
    std::vector<QRectF> rightBoxes;
};

struct Result {
    std::vector<PagePair> pages;
    std::vector<Difference> differences;
    bool same() const { return differences.empty(); }
};

// The words of a page, split at white space and line ends.
PageWords wordsOf(const pdf::TextPage& text);

// Pairs pages in order, each with the most alike of the other side; a page with no
// counterpart alike enough stands alone. Pages in a gap between two pairs are paired in
// order when both sides have as many there.
std::vector<PagePair> matchPages(const std::vector<PageWords>& left,
                                 const std::vector<PageWords>& right);

// The differences between the words of two pages (or of a page and nothing), in reading
// order, with `row` and the page indexes taken from `pair`.
std::vector<Difference> compareWords(const PageWords& left, const PageWords& right,
                                     const PagePair& pair, int row);

Result compare(const std::vector<PageWords>& left, const std::vector<PageWords>& right,
               const base::CancelToken* cancel = nullptr);

// The words of every page of `document`.
std::vector<PageWords> wordsOf(const pdf::Document& document,
                               const base::CancelToken* cancel = nullptr);

// "added", "removed", "changed"
QString kindName(Kind kind);

} // namespace DocumentComparison
