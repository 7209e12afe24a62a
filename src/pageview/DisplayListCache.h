#pragma once
// Recorded pages shared by every renderer, so a page is recorded once for the main view,
// its tiles and its thumbnail. Safe from any thread; the recording itself holds the
// document's lock, rasterising the result does not. A recording runs under a cookie of its
// own, cancelled once every caller waiting for it was cancelled (see cancelUnwanted).
#include "pdf/document/DisplayList.h"
#include "pdf/document/Page.h"

#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

class DisplayListCache {
public:
    // The cache all renderers share while any of them exists.
    static std::shared_ptr<DisplayListCache> shared();

    explicit DisplayListCache(int capacity = 24);

    // The page's recording; records it when missing. Concurrent callers asking for the same
    // page wait for one recording. Null when the page cannot be recorded, or when `wanted`
    // was cancelled. A caller without `wanted` always wants its recording.
    std::shared_ptr<pdf::DisplayList> get(const pdf::PagePtr& page,
                                          const std::shared_ptr<base::CancelToken>& wanted = {});
    // Stops the recordings nobody waits for any more (every caller's `wanted` cancelled or
    // gone), so a page scrolled away or a view closed frees the document at once.
    void cancelUnwanted();
    // Forgets the recording of a page that now draws differently (the document's notice).
    void invalidate(const pdf::Page* page);
    void clear();
    // Recordings held now (finished or being made).
    int size();

private:
    struct Recording {
        base::CancelToken cancel;
        std::vector<std::weak_ptr<base::CancelToken>> waiters; // guarded by the cache's mutex
        bool alwaysWanted = false;
        bool wanted() const;
    };
    struct Entry {
        // Not held: a page let go of (its document replaced) takes its recording with it.
        // Entries match by ownership, so a new page at a freed address is never confused.
        std::weak_ptr<pdf::Page> page;
        const pdf::Page* address = nullptr;
        std::shared_future<std::shared_ptr<pdf::DisplayList>> list;
        std::shared_ptr<Recording> recording;
    };
    static bool finished(const Entry& e);
    // Drops the recordings of pages that are gone. The lock must be held.
    void pruneGone();
    std::mutex mutex_;
    std::list<Entry> entries_; // most recently used first
    int capacity_;
};
