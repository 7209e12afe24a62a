#include "pdf/TextPage.h"

#include <algorithm>
#include <limits>

namespace pdf {

QString foldForSearch(const QString& s) { return s.toCaseFolded(); }

TextPage::TextPage(std::vector<TextChar> chars, std::vector<TextLine> lines)
    : chars_(std::move(chars)), lines_(std::move(lines)) {
    foldedStart_.reserve(chars_.size() + 1);
    for (size_t i = 0; i < chars_.size(); ++i) {
        if (i > 0 && chars_[i].line != chars_[i - 1].line)
            folded_ += QLatin1Char('\n');
        foldedStart_.push_back(int(folded_.size()));
        folded_ += chars_[i].text.toCaseFolded();
    }
    foldedStart_.push_back(int(folded_.size()));
}

QString TextPage::text(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, int(chars_.size()));
    QString out;
    for (int i = first; i < last; ++i) {
        if (i > first && chars_[size_t(i)].line != chars_[size_t(i - 1)].line)
            out += QLatin1Char('\n');
        out += chars_[size_t(i)].text;
    }
    return out;
}

QRectF TextPage::bounds(int first, int last) const {
    QRectF r;
    first = std::max(first, 0);
    last = std::min(last, int(chars_.size()));
    for (int i = first; i < last; ++i)
        r = r.isNull() ? chars_[size_t(i)].box : r.united(chars_[size_t(i)].box);
    return r;
}

int TextPage::charNearest(const QPointF& p) const {
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (size_t i = 0; i < chars_.size(); ++i) {
        const QRectF& b = chars_[i].box;
        const double dx = p.x() < b.left() ? b.left() - p.x() : (p.x() > b.right() ? p.x() - b.right() : 0);
        const double dy = p.y() < b.top() ? b.top() - p.y() : (p.y() > b.bottom() ? p.y() - b.bottom() : 0);
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

static bool isWordChar(const QString& s) {
    return !s.isEmpty() && (s.at(0).isLetterOrNumber() || s.at(0) == QLatin1Char('_') || s.at(0).isHighSurrogate());
}

std::pair<int, int> TextPage::wordAround(int index) const {
    if (index < 0 || index >= int(chars_.size()))
        return {0, 0};
    if (!isWordChar(chars_[size_t(index)].text))
        return {index, index + 1};
    const int line = chars_[size_t(index)].line;
    int first = index, last = index + 1;
    while (first > 0 && chars_[size_t(first - 1)].line == line && isWordChar(chars_[size_t(first - 1)].text))
        --first;
    while (last < int(chars_.size()) && chars_[size_t(last)].line == line && isWordChar(chars_[size_t(last)].text))
        ++last;
    return {first, last};
}

std::pair<int, int> TextPage::lineAround(int index) const {
    if (index < 0 || index >= int(chars_.size()))
        return {0, 0};
    const TextLine& l = lines_[size_t(chars_[size_t(index)].line)];
    return {l.first, l.last};
}

std::vector<std::pair<int, int>> TextPage::find(const QString& needle) const {
    std::vector<std::pair<int, int>> hits;
    if (needle.isEmpty() || chars_.empty())
        return hits;
    auto startIndex = [&](int offset) {
        auto it = std::lower_bound(foldedStart_.begin(), foldedStart_.end() - 1, offset);
        return (it != foldedStart_.end() - 1 && *it == offset) ? int(it - foldedStart_.begin()) : -1;
    };
    // The character whose folded text ends exactly at `offset`, as a one-past index.
    auto endIndex = [&](int offset) {
        auto it = std::upper_bound(foldedStart_.begin(), foldedStart_.end() - 1, offset - 1);
        const int i = int(it - foldedStart_.begin()) - 1; // last char starting before offset
        if (i < 0)
            return -1;
        const int end = foldedStart_[size_t(i)] + int(chars_[size_t(i)].text.toCaseFolded().size());
        return end == offset ? i + 1 : -1;
    };
    qsizetype pos = 0;
    while ((pos = folded_.indexOf(needle, pos)) >= 0) {
        const int first = startIndex(int(pos));
        const int last = endIndex(int(pos + needle.size()));
        if (first >= 0 && last > first) {
            hits.emplace_back(first, last);
            pos += needle.size();
        } else {
            ++pos;
        }
    }
    return hits;
}

} // namespace pdf
