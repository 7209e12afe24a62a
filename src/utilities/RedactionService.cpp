#include "utilities/RedactionService.h"

#include "pdf/annotations/Annotation.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Error.h"
#include "pdf/text/TextPage.h"

namespace {

using RedactionError = RedactionService::RedactionError;

// A line of a page's text, with the character each UTF-16 unit came from.
struct LineText {
    QString text;
    std::vector<int> charAt;
};

LineText lineText(const pdf::TextPage& page, const pdf::TextLine& line) {
    LineText out;
    const auto& chars = page.chars();
    for (int i = line.first; i < line.last; ++i) {
        const QString s = chars[size_t(i)].string();
        out.text += s;
        out.charAt.insert(out.charAt.end(), size_t(s.size()), i);
    }
    return out;
}

// The matches of one page's text; each becomes one box per line (a match never leaves its
// line).
std::vector<RedactionService::Match> pageMatches(int index, const pdf::TextPage& page,
                                                 const RedactionMatcher& matcher) {
    std::vector<RedactionService::Match> found;
    for (const pdf::TextLine& line : page.lines()) {
        const LineText text = lineText(page, line);
        for (const auto& [start, end] : matcher.find(text.text)) {
            const int first = text.charAt[size_t(start)];
            const int last = text.charAt[size_t(end - 1)] + 1;
            found.push_back({index, text.text.mid(start, end - start), {page.bounds(first, last)}});
        }
    }
    return found;
}

} // namespace

QString RedactionService::redactedFileName(const QString& fileName) {
    const QString base = fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                             ? fileName.left(fileName.size() - 4)
                             : fileName;
    return base + QStringLiteral("_redacted.pdf");
}

std::vector<RedactionService::Match>
RedactionService::findMatches(const pdf::Document& document, const RedactionMatcher& matcher) {
    std::vector<Match> matches;
    if (matcher.isEmpty())
        return matches;
    std::vector<std::vector<Match>> perPage(size_t(document.pageCount()));
    document.forEachTextPage([&](int index, const pdf::TextPage* text) {
        if (text)
            perPage[size_t(index)] = pageMatches(index, *text, matcher);
        return true;
    });
    for (auto& page : perPage)
        for (auto& match : page)
            matches.push_back(std::move(match));
    return matches;
}

std::vector<pdf::AnnotationPtr> RedactionService::markMatches(pdf::Document& document,
                                                              const std::vector<Match>& matches,
                                                              const pdf::RedactionStyle& style) {
    std::vector<pdf::AnnotationPtr> marks;
    for (const Match& match : matches)
        if (auto page = document.page(match.page))
            if (auto mark = pdf::addRedactionMark(*page, match.areas, style))
                marks.push_back(std::move(mark));
    return marks;
}

pdf::AnnotationPtr RedactionService::markShownArea(pdf::Document& document, int pageIndex,
                                                   const QRectF& shown,
                                                   const pdf::RedactionStyle& style) {
    const auto page =
        pageIndex >= 0 && pageIndex < document.pageCount() ? document.page(pageIndex) : nullptr;
    if (!page)
        throw RedactionError(QStringLiteral("there is no page %1 (the document has %2)")
                                 .arg(pageIndex + 1)
                                 .arg(document.pageCount())
                                 .toStdString());
    const QSizeF size = page->displaySize();
    const QRectF area = shown.normalized();
    if (area.isEmpty() || !area.intersects(QRectF(QPointF(0, 0), size)))
        throw RedactionError(QStringLiteral("the area %1,%2,%3,%4 lies outside page %5, which "
                                            "is %6 × %7 points as shown")
                                 .arg(shown.x())
                                 .arg(shown.y())
                                 .arg(shown.width())
                                 .arg(shown.height())
                                 .arg(pageIndex + 1)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .toStdString());
    const QRectF user = page->pageToDisplay().inverted().mapRect(area);
    auto mark = pdf::addRedactionMark(*page, {user}, style);
    if (!mark)
        throw RedactionError(
            QStringLiteral("page %1 could not be marked").arg(pageIndex + 1).toStdString());
    return mark;
}

int RedactionService::markCount(const pdf::Document& document) {
    int count = 0;
    for (int i = 0; i < document.pageCount(); ++i)
        if (const auto page = document.page(i))
            for (const auto& annotation : page->annotations())
                count += annotation->subtype() == QLatin1String("Redact") ? 1 : 0;
    return count;
}

int RedactionService::Report::marks() const {
    int total = 0;
    for (const auto& page : pages)
        total += page.marks;
    return total;
}

RedactionService::Report RedactionService::applyRedactions(pdf::Document& document,
                                                           const RedactionMatcher* matcher,
                                                           const pdf::RedactionStyle& style) {
    Report report;
    try {
        report.pages = pdf::applyRedactions(document);
        if (matcher && !matcher->isEmpty()) {
            const QString with =
                style.overlayText.isEmpty() ? QStringLiteral("[redacted]") : style.overlayText;
            report.elsewhere = pdf::scrubDocumentText(
                document, [&](QString& text) { return matcher->replace(text, with); });
            // Read again: a match the marks did not take (text the search could not place)
            // stops the write rather than leak. An overlay that itself matches is left be.
            if (matcher->find(with).empty()) {
                const auto left = findMatches(document, *matcher);
                if (!left.empty())
                    throw RedactionError(
                        QStringLiteral("page %1 still shows \"%2\" after redaction")
                            .arg(left.front().page + 1)
                            .arg(left.front().text)
                            .toStdString());
            }
        }
    } catch (const pdf::Error& e) {
        throw RedactionError(e.what());
    } catch (const RedactionMatcher::PatternError& e) {
        throw RedactionError(e.what());
    }
    return report;
}

void RedactionService::writeRedactedCopy(const pdf::Document& document, const QString& path) {
    pdf::WriteOptions options;
    options.keepProtection = true;
    options.collectGarbage = true;
    QString error;
    if (!document.write(path, options, &error))
        throw RedactionError(error.toStdString());
}
