#include "pdf/TextPage.h"

#include <QList>

#include <algorithm>
#include <limits>

namespace pdf {

std::u32string foldForSearch(const QString& s) {
    std::u32string out;
    for (char32_t c : s.toUcs4())
        out.push_back(QChar::toCaseFolded(c));
    return out;
}

TextPage::TextPage(std::vector<TextChar> chars, std::vector<TextLine> lines)
    : chars_(std::move(chars)), lines_(std::move(lines)) {
    folded_.reserve(chars_.size() + lines_.size());
    charAt_.reserve(chars_.size() + lines_.size());
    for (size_t i = 0; i < chars_.size(); ++i) {
        if (i > 0 && chars_[i].line != chars_[i - 1].line) {
            folded_.push_back(U'\n');
            charAt_.push_back(-1);
        }
        const char32_t c = chars_[i].code;
        folded_.push_back(c < 0x80 ? ((c >= U'A' && c <= U'Z') ? c + 32 : c) : QChar::toCaseFolded(c));
        charAt_.push_back(int(i));
    }
}

QString TextPage::text(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, int(chars_.size()));
    QString out;
    out.reserve(std::max(0, last - first) + 64);
    for (int i = first; i < last; ++i) {
        const TextChar& ch = chars_[size_t(i)];
        if (i > first && ch.line != chars_[size_t(i - 1)].line)
            out += QLatin1Char('\n');
        if (QChar::requiresSurrogates(ch.code)) {
            out += QChar(QChar::highSurrogate(ch.code));
            out += QChar(QChar::lowSurrogate(ch.code));
        } else {
            out += QChar(char16_t(ch.code));
        }
    }
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

static bool isWordChar(char32_t c) { return QChar::isLetterOrNumber(c) || c == U'_'; }

std::pair<int, int> TextPage::wordAround(int index) const {
    if (index < 0 || index >= int(chars_.size()))
        return {0, 0};
    if (!isWordChar(chars_[size_t(index)].code))
        return {index, index + 1};
    const int line = chars_[size_t(index)].line;
    int first = index, last = index + 1;
    while (first > 0 && chars_[size_t(first - 1)].line == line && isWordChar(chars_[size_t(first - 1)].code))
        --first;
    while (last < int(chars_.size()) && chars_[size_t(last)].line == line && isWordChar(chars_[size_t(last)].code))
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
    if (needle.empty() || chars_.empty())
        return hits;
    size_t pos = 0;
    while ((pos = folded_.find(needle, pos)) != std::u32string::npos) {
        const int first = charAt_[pos];
        const int lastChar = charAt_[pos + needle.size() - 1];
        if (first >= 0 && lastChar >= 0) {
            hits.emplace_back(first, lastChar + 1);
            pos += needle.size();
        } else {
            ++pos;
        }
    }
    return hits;
}

} // namespace pdf
