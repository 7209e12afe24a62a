#include "viewmodels/RedactionMarks.h"

#include "pdf/annotations/Redaction.h"
#include "pdf/document/Page.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include <QCoreApplication>

namespace RedactionMarks {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("RedactionMarks", text);
}

// Areas per page index; made again the same way by a redo.
using PageAreas = std::vector<std::pair<int, std::vector<QRectF>>>;

bool perform(DocumentViewModel& documentVM, const QString& name, PageAreas areas) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    if (!document || document->isLocked() || areas.empty())
        return false;
    auto make = [areas = std::move(areas)](pdf::Document& doc) {
        std::vector<pdf::AnnotationPtr> made;
        for (const auto& [index, rects] : areas)
            if (const pdf::PagePtr page = doc.page(index))
                made.push_back(pdf::addRedactionMark(*page, rects));
        return made;
    };
    return documentVM.perform(std::make_unique<AddAnnotationsEdit>(name, document, make));
}

} // namespace

bool markArea(DocumentViewModel& documentVM, int pageIndex, const QRectF& pageRect) {
    const QRectF area = pageRect.normalized();
    if (area.width() <= 0 || area.height() <= 0)
        return false;
    return perform(documentVM, tr("Mark for Redaction"), {{pageIndex, {area}}});
}

bool markSelection(DocumentViewModel& documentVM, const pdf::Selection& selection) {
    const pdf::DocumentPtr document = documentVM.pdfDocument();
    PageAreas areas;
    for (const pdf::PagePtr& page : selection.pages())
        if (page && page->document() == document) {
            std::vector<QRectF> lines = selection.lineRectsForPage(page.get());
            if (!lines.empty())
                areas.emplace_back(page->index(), std::move(lines));
        }
    return perform(documentVM, tr("Mark for Redaction"), std::move(areas));
}

bool markMatches(DocumentViewModel& documentVM,
                 const std::vector<RedactionService::Match>& matches) {
    PageAreas areas;
    for (const RedactionService::Match& match : matches)
        areas.emplace_back(match.page, match.areas);
    return perform(documentVM, tr("Mark Matches for Redaction"), std::move(areas));
}

} // namespace RedactionMarks
