#include "pageview/ViewMemoryBudget.h"

#include "pdf/engine/EngineStore.h"
#include "pdf/text/TextCache.h"

#include <malloc.h>

const ViewMemoryBudget& ViewMemoryBudget::standard() {
    // About 150 MB in all. Page images hold several screens at 150 % on a 2560 × 1440
    // display (14 MB a screen); thumbnails are small; the engine's store holds the
    // compressed and decoded images of the pages around the one being read.
    static const ViewMemoryBudget budget{
        .pageImageBytes = 64ll << 20,
        .thumbnailBytes = 16ll << 20,
        .displayLists = 12,
        .engineStoreBytes = 56ll << 20,
        .textBytes = 16ll << 20,
    };
    return budget;
}

void ViewMemoryBudget::apply() const {
    pdf::EngineStore::setLimit(size_t(engineStoreBytes));
    pdf::TextCache::setLimit(textBytes);
    settle();
}

void ViewMemoryBudget::settle() const {
    pdf::EngineStore::trim(size_t(engineStoreBytes));
    // Images and recordings freed by the caches leave holes glibc keeps; give them back.
    malloc_trim(0);
}
