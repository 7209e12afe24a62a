#pragma once
// The page objects a view has loaded, one slot per page of its document, kept in step with
// the document's notices: pages that did not change keep their slot, so the renderer's
// images of them stay valid; only the pages an edit touched are drawn again.
#include "pdf/document/DocumentChanges.h"
#include "pdf/document/Page.h"

#include <vector>

class PageRenderer;

class PageSlots {
public:
    PageSlots() = delete;

    // Moves the slots as pages were inserted or removed and drops what `renderer` holds for
    // the pages that left or turned. `current` (a page index) follows the page it showed.
    static void follow(std::vector<pdf::PagePtr>& pages, const pdf::Change& change,
                       PageRenderer& renderer, int* current = nullptr);
    // Drops what `renderer` holds for the pages a change draws differently.
    static void invalidate(const std::vector<pdf::PagePtr>& pages, const pdf::Change& change,
                           PageRenderer& renderer);
};
