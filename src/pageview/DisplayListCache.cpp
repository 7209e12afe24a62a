#include "pageview/DisplayListCache.h"

#include "pageview/ViewMemoryBudget.h"

std::shared_ptr<DisplayListCache> DisplayListCache::shared() {
    static std::mutex mutex;
    static std::weak_ptr<DisplayListCache> instance;
    std::lock_guard lock(mutex);
    auto cache = instance.lock();
    if (!cache) {
        cache = std::make_shared<DisplayListCache>(ViewMemoryBudget::standard().displayLists);
        instance = cache;
    }
    return cache;
}

DisplayListCache::DisplayListCache(int capacity) : capacity_(capacity) {}

std::shared_ptr<pdf::DisplayList> DisplayListCache::get(const pdf::PagePtr& page) {
    if (!page)
        return nullptr;
    std::promise<std::shared_ptr<pdf::DisplayList>> promise;
    std::shared_future<std::shared_ptr<pdf::DisplayList>> existing;
    {
        std::lock_guard lock(mutex_);
        pruneGone();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (!it->page.owner_before(page) && !page.owner_before(it->page)) {
                entries_.splice(entries_.begin(), entries_, it);
                existing = it->list;
                break;
            }
        }
        if (!existing.valid()) {
            entries_.push_front({page, page.get(), promise.get_future().share()});
            while (int(entries_.size()) > capacity_)
                entries_.pop_back();
        }
    }
    if (existing.valid())
        return existing.get();

    std::shared_ptr<pdf::DisplayList> list;
    try {
        list = page->displayList(true);
    } catch (...) {
        list = nullptr; // a page that cannot be recorded shows as a blank sheet
    }
    promise.set_value(list);
    return list;
}

void DisplayListCache::invalidate(const pdf::Page* page) {
    std::lock_guard lock(mutex_);
    // A recording still being made for it is handed to its callers only; the next asks anew.
    entries_.remove_if([page](const Entry& e) { return e.address == page && !e.page.expired(); });
    pruneGone();
}

void DisplayListCache::pruneGone() {
    entries_.remove_if([](const Entry& e) { return e.page.expired(); });
}

int DisplayListCache::size() {
    std::lock_guard lock(mutex_);
    pruneGone();
    return int(entries_.size());
}

void DisplayListCache::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}
