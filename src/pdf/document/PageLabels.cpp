#include "pdf/document/PageLabels.h"

#include "pdf/document/Document.h"
#include "pdf/document/PdfTrees.h"
#include "pdf/engine/Internal.h"

#include <algorithm>

namespace pdf {

using engine::ctx;

namespace {

// Past these a roman numeral or a letter run stops being something to read.
constexpr qint64 kMaxRoman = 3999;
constexpr qint64 kMaxLetters = 26 * 5;
constexpr qint64 kMaxNumber = 2147483647;

QString roman(qint64 value) {
    static const std::pair<int, const char*> digits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString out;
    for (const auto& [amount, text] : digits)
        for (; value >= amount; value -= amount)
            out += QLatin1String(text);
    return out;
}

QString cleanPrefix(const QString& raw) {
    QString out;
    for (QChar ch : raw) {
        if (out.size() >= PageLabels::kMaxPrefix)
            break;
        if (ch.isPrint())
            out += ch;
    }
    return out;
}

struct RawRange {
    int start = -1;
    char style = 0;
    const char* prefix = nullptr;
    int64_t first = 1;
};

// The page count, and the tree's entries in `keys` and `values`: those found before any
// damage.
int collectRanges(fz_context* c, pdf_document* doc, ObjList* keys, ObjList* values) {
    int pages = 0;
    fz_var(pages);
    fz_try(c) {
        pages = pdf_count_pages(c, doc);
        pdf_obj* root = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root));
        collectTree(c, pdf_dict_gets(c, root, "PageLabels"), PDF_NAME(Nums), keys, values);
    }
    fz_catch(c) {}
    return pages;
}

// Reads each entry into `out` (as many as `keys` holds). Kept apart so nothing local
// lives across the guard.
void readEntries(fz_context* c, const ObjList& keys, const ObjList& values, RawRange* out) {
    fz_try(c) {
        for (int i = 0; i < keys.len; ++i) {
            pdf_obj* key = keys.items[i];
            pdf_obj* value = values.items[i];
            if (!pdf_is_int(c, key) || !pdf_is_dict(c, value))
                continue;
            RawRange& r = out[i];
            r.start = pdf_to_int(c, key);
            const char* style = pdf_dict_get_name(c, value, PDF_NAME(S));
            r.style = style && style[0] && !style[1] ? style[0] : 0;
            pdf_obj* prefix = pdf_dict_get(c, value, PDF_NAME(P));
            r.prefix = pdf_is_string(c, prefix) ? pdf_to_text_string(c, prefix) : nullptr;
            pdf_obj* first = pdf_dict_gets(c, value, "St");
            // Numbers past 64 bits come as reals; clamped to the range's bounds later.
            r.first = !pdf_is_number(c, first)    ? 1
                      : pdf_is_int(c, first)      ? pdf_to_int64(c, first)
                      : pdf_to_real(c, first) > 0 ? kMaxNumber
                                                  : 1;
        }
    }
    fz_catch(c) {}
}

} // namespace

QString PageLabels::number(Style style, qint64 value) {
    switch (style) {
    case Style::None:
        return {};
    case Style::UpperRoman:
    case Style::LowerRoman:
        if (value < 1 || value > kMaxRoman)
            break;
        return style == Style::UpperRoman ? roman(value).toUpper() : roman(value);
    case Style::UpperLetters:
    case Style::LowerLetters: {
        if (value < 1 || value > kMaxLetters)
            break;
        const QChar letter(
            char16_t((style == Style::UpperLetters ? u'A' : u'a') + (value - 1) % 26));
        return QString(int((value - 1) / 26 + 1), letter);
    }
    case Style::Decimal:
        break;
    }
    return QString::number(value);
}

PageLabels::PageLabels(std::vector<Range> ranges, int pageCount) : pageCount_(pageCount) {
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Range& a, const Range& b) { return a.start < b.start; });
    for (Range& range : ranges) {
        if (range.start < 0 || range.start >= pageCount)
            continue;
        // Of two ranges starting on one page, the later one in the file counts.
        if (!ranges_.empty() && ranges_.back().start == range.start)
            ranges_.pop_back();
        range.prefix = cleanPrefix(range.prefix);
        range.first = std::clamp<qint64>(range.first, 1, kMaxNumber);
        ranges_.push_back(std::move(range));
    }
}

PageLabels PageLabels::read(const Document& document) {
    const auto& d = document.data();
    {
        // Kept from the last read while no page moved: a view painting its labels never
        // waits for a worker holding the engine.
        auto table = d->tableLock();
        if (d->labels && d->labelsRevision == d->structureRevision && !d->locked)
            return *std::static_pointer_cast<const PageLabels>(d->labels);
    }
    auto lock = d->lock();
    if (d->locked)
        return {};
    const quint64 revision = d->structureRevision;
    PageLabels labels = readNow(document);
    auto table = d->tableLock();
    d->labels = std::make_shared<const PageLabels>(labels);
    d->labelsRevision = revision;
    return labels;
}

PageLabels PageLabels::readNow(const Document& document) {
    const auto& d = document.data();
    fz_context* c = ctx();
    ObjList keys, values;
    const int pages = collectRanges(c, d->pdf, &keys, &values);
    std::vector<RawRange> raw(size_t(keys.len));
    readEntries(c, keys, values, raw.data());
    keys.release(c);
    values.release(c);

    std::vector<Range> ranges;
    for (const RawRange& r : raw) {
        if (r.start < 0)
            continue;
        Range range;
        range.start = r.start;
        switch (r.style) {
        case 'D':
            range.style = Style::Decimal;
            break;
        case 'R':
            range.style = Style::UpperRoman;
            break;
        case 'r':
            range.style = Style::LowerRoman;
            break;
        case 'A':
            range.style = Style::UpperLetters;
            break;
        case 'a':
            range.style = Style::LowerLetters;
            break;
        default:
            range.style = Style::None;
        }
        range.prefix = QString::fromUtf8(r.prefix);
        range.first = r.first;
        ranges.push_back(std::move(range));
    }
    return PageLabels(std::move(ranges), pages);
}

QString PageLabels::label(int index) const {
    auto after = std::upper_bound(ranges_.begin(), ranges_.end(), index,
                                  [](int i, const Range& r) { return i < r.start; });
    if (after == ranges_.begin())
        return QString::number(index + 1);
    const Range& range = *(after - 1);
    return range.prefix + number(range.style, range.first + (index - range.start));
}

QString PageLabels::display(int index) const {
    const QString text = label(index);
    if (text == QString::number(index + 1))
        return text;
    return QStringLiteral("%1 (%2)").arg(text).arg(index + 1);
}

int PageLabels::indexForText(const QString& text) const {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return -1;
    if (!ranges_.empty()) {
        int folded = -1;
        for (int i = 0; i < pageCount_; ++i) {
            const QString own = label(i);
            if (own == wanted)
                return i;
            if (folded < 0 && own.compare(wanted, Qt::CaseInsensitive) == 0)
                folded = i;
        }
        if (folded >= 0)
            return folded;
    }
    bool ok = false;
    const int number = wanted.toInt(&ok);
    return ok && number >= 1 && number <= pageCount_ ? number - 1 : -1;
}

} // namespace pdf
