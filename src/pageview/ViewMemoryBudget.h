#pragma once
// One budget for everything the reading view keeps in memory: rendered pages and tiles,
// thumbnails, recorded pages, the engine's store of decoded images and fonts, and the
// text extracted for search. Each cache takes its share from here; what is on screen is
// kept first (the renderers refuse prefetches that would evict it, and the engine's store
// only lets go of what no page being drawn holds).
#include <QtGlobal>

struct ViewMemoryBudget {
    qint64 pageImageBytes = 0; // rendered pages and tiles of the main view
    qint64 thumbnailBytes = 0; // the sidebar's thumbnails
    int displayLists = 0;      // recorded pages, shared by the views
    qint64 engineStoreBytes = 0;
    qint64 textBytes = 0; // extracted text kept by a document for search and selection

    qint64 totalBytes() const {
        return pageImageBytes + thumbnailBytes + engineStoreBytes + textBytes;
    }

    // The budget every view of the application uses.
    static const ViewMemoryBudget& standard();

    // Hands the engine and the document layer their shares. Called once at start, before
    // the first document opens, so the engine's store is made at that size.
    void apply() const;
    // Brings the caches that fill outside the views (the engine's store) back within the
    // budget and returns freed memory to the system. Cheap; run when the view goes idle.
    void settle() const;
};
