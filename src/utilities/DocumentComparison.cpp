#include "utilities/DocumentComparison.h"

#include "base/CancelToken.h"
#include "pdf/text/DocumentRangeText.h"
#include "pdf/text/TextPage.h"

#include <QHash>

#include <algorithm>
#include <cstdint>

namespace DocumentComparison {

namespace {

// Pages alike in at least this share of their words are the same page, edited. A pairing
// gains only what a pair has above a little less than that, so running headers and
// footers shared by every page do not pay for pairing unrelated pages.
constexpr double kPageLikeness = 0.5;
constexpr float kPairGain = 0.45f;
// Past this many pages a side, pages are paired by index: the pairing table would not fit.
constexpr qint64 kMostPairingCells = 4'000'000;
// Past this many edits between two pages, the rest of the pair is one change.
constexpr int kMostEdits = 1000;
// A whole page is named by its first words.
constexpr int kWholePageWords = 12;

using Ids = std::vector<int>;

// Words as numbers: equal words, equal numbers, on both sides.
struct WordIds {
    QHash<QString, int> ids;
    Ids of(const PageWords& words) {
        Ids out;
        out.reserve(words.size());
        for (const Word& w : words) {
            auto it = ids.constFind(w.text);
            if (it == ids.constEnd())
                it = ids.insert(w.text, int(ids.size()));
            out.push_back(it.value());
        }
        return out;
    }
};

// Share of words two pages have in common (both sorted): 1 for two pages without words.
double likeness(const Ids& a, const Ids& b) {
    if (a.empty() && b.empty())
        return 1;
    size_t i = 0, j = 0, common = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i] < b[j])
            ++i;
        else if (b[j] < a[i])
            ++j;
        else
            ++common, ++i, ++j;
    }
    return 2.0 * double(common) / double(a.size() + b.size());
}

enum class Op : char { same, remove, add };

// Myers' shortest edit script between a and b, as one Op per step. Empty when it would
// take more than kMostEdits edits.
std::vector<Op> editScript(const int* a, int n, const int* b, int m) {
    const int most = std::min(n + m, kMostEdits);
    const int offset = most + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= most && found < 0; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                        ? v[size_t(offset + k + 1)]
                        : v[size_t(offset + k - 1)] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y])
                ++x, ++y;
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return {};
    std::vector<Op> ops;
    int x = n, y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& prev = trace[size_t(d)];
        const int k = x - y;
        const bool down =
            k == -d || (k != d && prev[size_t(offset + k - 1)] < prev[size_t(offset + k + 1)]);
        const int prevK = down ? k + 1 : k - 1;
        const int prevX = prev[size_t(offset + prevK)];
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            ops.push_back(Op::same);
            --x, --y;
        }
        ops.push_back(down ? Op::add : Op::remove);
        x = prevX;
        y = prevY;
    }
    while (x > 0 && y > 0) {
        ops.push_back(Op::same);
        --x, --y;
    }
    std::reverse(ops.begin(), ops.end());
    return ops;
}

QString joined(const PageWords& words, size_t first, size_t last, size_t most = SIZE_MAX) {
    QStringList parts;
    for (size_t i = first; i < last && size_t(parts.size()) < most; ++i)
        parts << words[i].text;
    QString text = parts.join(' ');
    if (last - first > most)
        text += QStringLiteral(" \u2026");
    return text;
}

std::vector<QRectF> boxes(const PageWords& words, size_t first, size_t last) {
    std::vector<QRectF> out;
    for (size_t i = first; i < last; ++i)
        out.push_back(words[i].box);
    return out;
}

Difference wholePage(const PageWords& words, const PagePair& pair, int row) {
    Difference d;
    d.row = row;
    d.leftPage = pair.left;
    d.rightPage = pair.right;
    d.wholePage = true;
    const bool left = pair.left >= 0;
    d.kind = left ? Kind::removed : Kind::added;
    (left ? d.leftText : d.rightText) = joined(words, 0, words.size(), kWholePageWords);
    (left ? d.leftBoxes : d.rightBoxes) = boxes(words, 0, words.size());
    return d;
}

} // namespace

PageWords wordsOf(const pdf::TextPage& text) {
    PageWords words;
    const auto& chars = text.chars();
    size_t i = 0;
    while (i < chars.size()) {
        if (QChar::isSpace(chars[i].code)) {
            ++i;
            continue;
        }
        Word word;
        const int line = chars[i].line;
        std::u32string code;
        while (i < chars.size() && chars[i].line == line && !QChar::isSpace(chars[i].code)) {
            code.push_back(chars[i].code);
            word.box = word.box.isNull() ? chars[i].box() : word.box.united(chars[i].box());
            ++i;
        }
        word.text = QString::fromStdU32String(code);
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<PageWords> wordsOf(const pdf::Document& document, const base::CancelToken* cancel) {
    std::vector<PageWords> pages;
    const int count = document.pageCount();
    pages.reserve(size_t(count));
    constexpr int kStretch = 32;
    for (int first = 0; first < count; first += kStretch) {
        if (cancel && cancel->isCancelled())
            return {};
        for (const auto& text : pdf::textPagesInRange(document, first, first + kStretch))
            pages.push_back(text ? wordsOf(*text) : PageWords{});
    }
    pages.resize(size_t(count));
    return pages;
}

std::vector<PagePair> matchPages(const std::vector<PageWords>& left,
                                 const std::vector<PageWords>& right) {
    const int n = int(left.size()), m = int(right.size());
    std::vector<PagePair> pairs;
    if (qint64(n + 1) * qint64(m + 1) > kMostPairingCells) {
        for (int i = 0; i < std::max(n, m); ++i)
            pairs.push_back({i < n ? i : -1, i < m ? i : -1});
        return pairs;
    }
    WordIds ids;
    std::vector<Ids> a, b;
    for (const PageWords& words : left)
        a.push_back(ids.of(words)), std::sort(a.back().begin(), a.back().end());
    for (const PageWords& words : right)
        b.push_back(ids.of(words)), std::sort(b.back().begin(), b.back().end());

    // Best total likeness of an in-order pairing of the first i left and j right pages.
    // Pages far off the diagonal are not compared: an insertion moves pages by as many as
    // the two sides differ, and a few more are allowed for insertions and removals together.
    const int band = std::abs(n - m) + 16;
    const auto at = [m](int i, int j) { return size_t(i) * size_t(m + 1) + size_t(j); };
    std::vector<float> score(size_t(n + 1) * size_t(m + 1), 0);
    std::vector<float> alike(score.size(), 0);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j) {
            float best = std::max(score[at(i - 1, j)], score[at(i, j - 1)]);
            if (std::abs(i - j) <= band) {
                alike[at(i, j)] = float(likeness(a[size_t(i - 1)], b[size_t(j - 1)]));
                if (alike[at(i, j)] >= kPageLikeness)
                    best = std::max(best, score[at(i - 1, j - 1)] + alike[at(i, j)] - kPairGain);
            }
            score[at(i, j)] = best;
        }

    std::vector<PagePair> reversed;
    int i = n, j = m;
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0 && alike[at(i, j)] >= kPageLikeness &&
            score[at(i, j)] == score[at(i - 1, j - 1)] + alike[at(i, j)] - kPairGain) {
            reversed.push_back({i - 1, j - 1});
            --i, --j;
        } else if (i > 0 && (j == 0 || score[at(i, j)] == score[at(i - 1, j)])) {
            reversed.push_back({i - 1, -1});
            --i;
        } else {
            reversed.push_back({-1, j - 1});
            --j;
        }
    }
    std::reverse(reversed.begin(), reversed.end());

    // A gap with as many pages on each side is the same pages rewritten.
    for (size_t k = 0; k < reversed.size();) {
        if (reversed[k].left >= 0 && reversed[k].right >= 0) {
            pairs.push_back(reversed[k++]);
            continue;
        }
        std::vector<int> lefts, rights;
        for (; k < reversed.size() && (reversed[k].left < 0 || reversed[k].right < 0); ++k)
            (reversed[k].left >= 0 ? lefts : rights)
                .push_back(reversed[k].left >= 0 ? reversed[k].left : reversed[k].right);
        if (lefts.size() == rights.size()) {
            for (size_t g = 0; g < lefts.size(); ++g)
                pairs.push_back({lefts[g], rights[g]});
        } else {
            for (int l : lefts)
                pairs.push_back({l, -1});
            for (int r : rights)
                pairs.push_back({-1, r});
        }
    }
    return pairs;
}

std::vector<Difference> compareWords(const PageWords& left, const PageWords& right,
                                     const PagePair& pair, int row) {
    if (pair.left < 0 || pair.right < 0) {
        return {wholePage(pair.left >= 0 ? left : right, pair, row)};
    }
    WordIds ids;
    const Ids a = ids.of(left), b = ids.of(right);
    // What both pages begin and end with needs no search.
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const int n = int(a.size() - head - tail), m = int(b.size() - head - tail);
    std::vector<Op> ops = editScript(a.data() + head, n, b.data() + head, m);
    if (ops.empty() && (n > 0 || m > 0)) {
        // Too different to say word by word: everything between is one change.
        ops.assign(size_t(n), Op::remove);
        ops.insert(ops.end(), size_t(m), Op::add);
    }

    std::vector<Difference> out;
    size_t x = head, y = head, k = 0;
    while (k < ops.size()) {
        if (ops[k] == Op::same) {
            ++x, ++y, ++k;
            continue;
        }
        const size_t x0 = x, y0 = y;
        for (; k < ops.size() && ops[k] != Op::same; ++k)
            ops[k] == Op::remove ? ++x : ++y;
        Difference d;
        d.row = row;
        d.leftPage = pair.left;
        d.rightPage = pair.right;
        d.kind = x == x0 ? Kind::added : (y == y0 ? Kind::removed : Kind::changed);
        d.leftText = joined(left, x0, x);
        d.rightText = joined(right, y0, y);
        d.leftBoxes = boxes(left, x0, x);
        d.rightBoxes = boxes(right, y0, y);
        out.push_back(std::move(d));
    }
    return out;
}

Result compare(const std::vector<PageWords>& left, const std::vector<PageWords>& right,
               const base::CancelToken* cancel) {
    Result result;
    result.pages = matchPages(left, right);
    static const PageWords none;
    for (size_t row = 0; row < result.pages.size(); ++row) {
        if (cancel && cancel->isCancelled())
            return {};
        const PagePair& pair = result.pages[row];
        const PageWords& l = pair.left >= 0 ? left[size_t(pair.left)] : none;
        const PageWords& r = pair.right >= 0 ? right[size_t(pair.right)] : none;
        for (Difference& d : compareWords(l, r, pair, int(row)))
            result.differences.push_back(std::move(d));
    }
    return result;
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::added:
        return QStringLiteral("added");
    case Kind::removed:
        return QStringLiteral("removed");
    case Kind::changed:
        break;
    }
    return QStringLiteral("changed");
}

} // namespace DocumentComparison
