#include "pdf/text/TextPage.h"

#include <QList>

#include <algorithm>
#include <limits>

namespace pdf {

namespace {

inline char32_t foldChar(char32_t c) {
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

bool isMark(char32_t c) {
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
           cat == QChar::Mark_Enclosing;
}

// The letter without its accents: the first character of its canonical decomposition, and
// a few letters that carry a stroke rather than a separate accent.
char32_t baseLetter(char32_t c) {
    if (c < 0xC0)
        return c;
    switch (c) {
    case U'\u00D8':
        return U'O';
    case U'\u00F8':
        return U'o';
    case U'\u0141':
        return U'L';
    case U'\u0142':
        return U'l';
    case U'\u0110':
        return U'D';
    case U'\u0111':
        return U'd';
    case U'\u0131':
        return U'i';
    default:
        break;
    }
    while (QChar::decompositionTag(c) == QChar::Canonical) {
        const QString parts = QChar::decomposition(c);
        if (parts.isEmpty())
            break;
        c = parts.toUcs4().front();
    }
    return c;
}

char32_t foldChar(char32_t c, const SearchOptions& options) {
    if (!options.matchDiacritics)
        c = baseLetter(c);
    return options.matchCase ? c : foldChar(c);
}

bool isWordChar(char32_t c) {
    return QChar::isLetterOrNumber(c) || c == U'_';
}

} // namespace

std::u32string foldForSearch(const QString& s, const SearchOptions& options) {
    std::u32string out;
    for (char32_t c : s.toUcs4())
        if (options.matchDiacritics || !isMark(c))
            out.push_back(foldChar(c, options));
    return out;
}

std::u32string foldForSearch(const QString& s) {
    std::u32string out;
    for (char32_t c : s.toUcs4())
        out.push_back(foldChar(c));
    return out;
}

TextPage::TextPage(std::vector<TextChar> chars, std::vector<TextLine> lines)
    : chars_(std::move(chars)), lines_(std::move(lines)) {}

QString TextPage::text(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, int(chars_.size()));
    if (last <= first)
        return {};
    // Room for every character as a surrogate pair and a break before each line.
    QString out(2 * (last - first) + int(lines_.size()), Qt::Uninitialized);
    char16_t* w = reinterpret_cast<char16_t*>(out.data());
    char16_t* const start = w;
    int line = chars_[size_t(first)].line;
    for (int i = first; i < last; ++i) {
        const TextChar& ch = chars_[size_t(i)];
        if (ch.line != line) {
            *w++ = u'\n';
            line = ch.line;
        }
        if (ch.code < 0x10000) {
            *w++ = char16_t(ch.code);
        } else {
            *w++ = QChar::highSurrogate(ch.code);
            *w++ = QChar::lowSurrogate(ch.code);
        }
    }
    out.truncate(int(w - start));
    return out;
}

QRectF TextPage::bounds(int first, int last) const {
    QRectF r;
    first = std::max(first, 0);
    last = std::min(last, int(chars_.size()));
    for (int i = first; i < last; ++i)
        r = r.isNull() ? chars_[size_t(i)].box() : r.united(chars_[size_t(i)].box());
    return r;
}

int TextPage::charNearest(const QPointF& p) const {
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (size_t i = 0; i < chars_.size(); ++i) {
        const QRectF b = chars_[i].box();
        const double dx =
            p.x() < b.left() ? b.left() - p.x() : (p.x() > b.right() ? p.x() - b.right() : 0);
        const double dy =
            p.y() < b.top() ? b.top() - p.y() : (p.y() > b.bottom() ? p.y() - b.bottom() : 0);
        // Being on the right line matters more than being near the right column.
        const double d = dx * dx + 4 * dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

std::pair<int, int> TextPage::wordAround(int index) const {
    if (index < 0 || index >= int(chars_.size()))
        return {0, 0};
    if (!isWordChar(chars_[size_t(index)].code))
        return {index, index + 1};
    const int line = chars_[size_t(index)].line;
    int first = index, last = index + 1;
    while (first > 0 && chars_[size_t(first - 1)].line == line &&
           isWordChar(chars_[size_t(first - 1)].code))
        --first;
    while (last < int(chars_.size()) && chars_[size_t(last)].line == line &&
           isWordChar(chars_[size_t(last)].code))
        ++last;
    return {first, last};
}

std::pair<int, int> TextPage::lineAround(int index) const {
    if (index < 0 || index >= int(chars_.size()))
        return {0, 0};
    const TextLine& l = lines_[size_t(chars_[size_t(index)].line)];
    return {l.first, l.last};
}

std::vector<std::pair<int, int>> TextPage::find(const std::u32string& needle) const {
    std::vector<std::pair<int, int>> hits;
    const size_t n = needle.size();
    if (n == 0 || chars_.size() < n)
        return hits;
    // Folding as we go costs less than keeping a folded copy of every page.
    for (size_t i = 0; i + n <= chars_.size(); ++i) {
        if (foldChar(chars_[i].code) != needle[0])
            continue;
        const int line = chars_[i].line;
        size_t k = 1;
        while (k < n && chars_[i + k].line == line && foldChar(chars_[i + k].code) == needle[k])
            ++k;
        if (k == n) {
            hits.emplace_back(int(i), int(i + n));
            i += n - 1;
        }
    }
    return hits;
}

std::vector<std::pair<int, int>> TextPage::find(const std::u32string& needle,
                                                const SearchOptions& options) const {
    std::vector<std::pair<int, int>> hits;
    const size_t n = needle.size();
    if (n == 0)
        return hits;
    const bool skipMarks = !options.matchDiacritics;
    const auto wordEdge = [this](size_t before, size_t after) {
        // Between two characters of one line, both part of a word, is not an edge.
        if (before >= chars_.size() || after >= chars_.size())
            return true;
        if (chars_[before].line != chars_[after].line)
            return true;
        return !isWordChar(chars_[before].code) || !isWordChar(chars_[after].code);
    };
    for (size_t i = 0; i < chars_.size(); ++i) {
        if (skipMarks && isMark(chars_[i].code))
            continue;
        if (foldChar(chars_[i].code, options) != needle[0])
            continue;
        const int line = chars_[i].line;
        size_t j = i + 1, k = 1;
        while (k < n && j < chars_.size() && chars_[j].line == line) {
            if (skipMarks && isMark(chars_[j].code)) {
                ++j;
                continue;
            }
            if (foldChar(chars_[j].code, options) != needle[k])
                break;
            ++j, ++k;
        }
        if (k < n)
            continue;
        // The accents of the last letter belong to the match.
        while (skipMarks && j < chars_.size() && chars_[j].line == line && isMark(chars_[j].code))
            ++j;
        if (options.wholeWords && (!wordEdge(i - 1, i) || !wordEdge(j - 1, j)))
            continue;
        hits.emplace_back(int(i), int(j));
        i = j - 1;
    }
    return hits;
}

} // namespace pdf
