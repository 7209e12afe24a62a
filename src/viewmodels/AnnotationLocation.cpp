#include "viewmodels/AnnotationLocation.h"

#include "pdf/document/Page.h"

#include <algorithm>

AnnotationLocation AnnotationLocation::of(const pdf::AnnotationPtr& annotation) {
    const pdf::PagePtr page = annotation ? annotation->page() : nullptr;
    if (!page || page->index() < 0)
        return {};
    const auto all = page->annotations();
    const auto it = std::find(all.begin(), all.end(), annotation);
    if (it == all.end())
        return {};
    return {page->index(), int(it - all.begin())};
}

pdf::AnnotationPtr AnnotationLocation::resolve(const pdf::Document& document) const {
    const pdf::PagePtr p = document.page(page);
    if (!p || position < 0)
        return nullptr;
    const auto all = p->annotations();
    return position < int(all.size()) ? all[size_t(position)] : nullptr;
}
