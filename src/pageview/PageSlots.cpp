#include "pageview/PageSlots.h"

#include "pageview/PageRenderer.h"

#include <algorithm>

void PageSlots::follow(std::vector<pdf::PagePtr>& pages, const pdf::Change& change,
                       PageRenderer& renderer, int* current) {
    std::vector<int> indices = change.pages;
    switch (change.kind) {
    case pdf::Change::Kind::PagesInserted:
        std::sort(indices.begin(), indices.end());
        for (int index : indices) {
            if (index < 0 || index > int(pages.size()))
                continue;
            pages.insert(pages.begin() + index, nullptr);
            if (current && *current >= index)
                ++*current;
        }
        break;
    case pdf::Change::Kind::PagesRemoved:
        std::sort(indices.begin(), indices.end(), std::greater<>());
        for (int index : indices) {
            if (index < 0 || index >= int(pages.size()))
                continue;
            if (pages[size_t(index)])
                renderer.invalidate(pages[size_t(index)].get(), true);
            pages.erase(pages.begin() + index);
            // The page that followed a removed current page takes its place.
            if (current && *current > index)
                --*current;
        }
        break;
    default:
        invalidate(pages, change, renderer);
        break;
    }
}

void PageSlots::invalidate(const std::vector<pdf::PagePtr>& pages, const pdf::Change& change,
                           PageRenderer& renderer) {
    for (int index : change.pages)
        if (index >= 0 && index < int(pages.size()) && pages[size_t(index)])
            renderer.invalidate(pages[size_t(index)].get());
}
